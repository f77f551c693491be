#include "platform/text/PlainView.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>

// The plain view's input: keys, the mouse, drag and drop, focus and input methods.

namespace platform {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Words and characters

qsizetype PlainView::nextCharacter(qsizetype from) const
{
    const qsizetype n = store_->length();
    if (from >= n)
        return n;
    if (store_->at(from).isHighSurrogate() && from + 1 < n && store_->at(from + 1).isLowSurrogate())
        return from + 2;
    return from + 1;
}

qsizetype PlainView::previousCharacter(qsizetype from) const
{
    if (from <= 0)
        return 0;
    if (store_->at(from - 1).isLowSurrogate() && from >= 2 && store_->at(from - 2).isHighSurrogate())
        return from - 2;
    return from - 1;
}

// The start of the next word (Ctrl+Right): past the word or the punctuation at from, then past
// the spaces; a line break is a stop of its own.
qsizetype PlainView::wordEnd(qsizetype from) const
{
    const qsizetype n = store_->length();
    if (from >= n)
        return n;
    const QChar c = store_->at(from);
    qsizetype i = from;
    if (c == u'\n')
        return from + 1;
    if (isWordChar(c)) {
        while (i < n && isWordChar(store_->at(i)))
            ++i;
    } else if (!c.isSpace()) {
        while (i < n && !isWordChar(store_->at(i)) && !store_->at(i).isSpace())
            ++i;
    }
    while (i < n && store_->at(i).isSpace() && store_->at(i) != u'\n')
        ++i;
    return i;
}

// The start of the word before from (Ctrl+Left).
qsizetype PlainView::wordStart(qsizetype from) const
{
    if (from <= 0)
        return 0;
    qsizetype i = from;
    while (i > 0 && store_->at(i - 1).isSpace() && store_->at(i - 1) != u'\n')
        --i;
    if (i == 0)
        return 0;
    if (store_->at(i - 1) == u'\n')
        return i == from ? i - 1 : i;
    if (isWordChar(store_->at(i - 1))) {
        while (i > 0 && isWordChar(store_->at(i - 1)))
            --i;
    } else {
        while (i > 0 && !isWordChar(store_->at(i - 1)) && !store_->at(i - 1).isSpace())
            --i;
    }
    return i;
}

// ---------------------------------------------------------------------------------------------
// Keys

bool PlainView::navigate(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    if (mods & ~(Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    switch (e->key()) {
    case Qt::Key_Left:
        if (ctrl)
            moveCaret(wordStart(position_), shift);
        else if (hasSelection() && !shift)
            moveCaret(selectionStart(), false);
        else
            moveCaret(previousCharacter(position_), shift);
        return true;
    case Qt::Key_Right:
        if (ctrl)
            moveCaret(wordEnd(position_), shift);
        else if (hasSelection() && !shift)
            moveCaret(selectionEnd(), false);
        else
            moveCaret(nextCharacter(position_), shift);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (ctrl) {
            // Ctrl+Up and Ctrl+Down scroll by a line, the caret stays.
            const int action = e->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd;
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderAction(action));
            return true;
        }
        if (goalX_ < 0)
            goalX_ = layouts_.xOf(position_);
        Row r = layouts_.rowOf(position_);
        const bool moved = e->key() == Qt::Key_Up ? layouts_.previousRow(r) : layouts_.nextRow(r);
        qsizetype to = moved ? layouts_.offsetInRow(r, goalX_)
                             : (e->key() == Qt::Key_Up ? 0 : store_->length());
        moveCaret(to, shift, true);
        return true;
    }
    case Qt::Key_Home:
        moveCaret(ctrl ? 0 : layouts_.rowStart(layouts_.rowOf(position_)), shift);
        return true;
    case Qt::Key_End: {
        if (ctrl) {
            moveCaret(store_->length(), shift);
            return true;
        }
        const Row r = layouts_.rowOf(position_);
        qsizetype end = layouts_.rowEnd(r);
        Row next = r;
        // A wrapped row ends before the space it wrapped at, or before its last character.
        if (layouts_.nextRow(next) && next.line == r.line && end > layouts_.rowStart(r))
            end = previousCharacter(end);
        moveCaret(end, shift);
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (ctrl)
            return false;
        if (goalX_ < 0)
            goalX_ = layouts_.xOf(position_);
        const bool down = e->key() == Qt::Key_PageDown;
        const int steps = std::max(1, visibleRows() - 1);
        Row caret = layouts_.rowOf(position_), top = topRow();
        int moved = 0;
        for (; moved < steps && (down ? layouts_.nextRow(caret) : layouts_.previousRow(caret)); ++moved) {}
        for (int i = 0; i < moved && (down ? layouts_.nextRow(top) : layouts_.previousRow(top)); ++i) {}
        setTop(layouts_.rowStart(top));
        const qsizetype to = moved == 0 ? (down ? store_->length() : 0) : layouts_.offsetInRow(caret, goalX_);
        moveCaret(to, shift, true);
        return true;
    }
    default:
        return false;
    }
}

void PlainView::keyPressEvent(QKeyEvent* e)
{
    bool handled = false;
    Q_EMIT keyArrived(e, &handled);
    if (handled) {
        e->accept();
        return;
    }
    e->accept();
    using Command = void (*)(PlainView&);
    static const std::pair<QKeySequence::StandardKey, Command> kEditKeys[] = {
        {QKeySequence::Undo, [](PlainView& v) { v.undo(); }},
        {QKeySequence::Redo, [](PlainView& v) { v.redo(); }},
        {QKeySequence::Copy, [](PlainView& v) { v.copy(); }},
        {QKeySequence::Cut, [](PlainView& v) { v.cut(); }},
        {QKeySequence::Paste, [](PlainView& v) { v.paste(); }},
        {QKeySequence::SelectAll, [](PlainView& v) {
             v.setSelection(0, v.store().length());
             v.selectionToX11();
         }},
    };
    for (const auto& [key, command] : kEditKeys) {
        if (e == key) {
            command(*this);
            return;
        }
    }
    if (navigate(e))
        return;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        // The selection goes, or else the character or word before or after the caret.
        if (readOnly_) {
            Q_EMIT editRefused();
            return;
        }
        const bool back = e->key() == Qt::Key_Backspace;
        const qsizetype to = back ? (ctrl ? wordStart(position_) : previousCharacter(position_))
                                  : (ctrl ? wordEnd(position_) : nextCharacter(position_));
        if (!hasSelection()) {
            if (to == position_)
                return;
            setSelection(position_, to);
        }
        replaceSelection(QStringView());
        ensureCaretVisible();
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        replaceSelection(u"\n", true);
        ensureCaretVisible();
        return;
    case Qt::Key_Tab:
        if (ctrl)
            break;
        replaceSelection(u"\t", true);
        ensureCaretVisible();
        return;
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier) {
            overwrite_ = !overwrite_;
            viewport()->update();
            return;
        }
        break;
    default:
        break;
    }
    const QString text = e->text();
    const bool printable = !text.isEmpty() && !(ctrl && !mods.testFlag(Qt::AltModifier))
                           && std::all_of(text.begin(), text.end(), [](QChar c) {
                                  return c.isPrint() || c.isSurrogate() || c == u'\t';
                              });
    if (!printable) {
        e->ignore();
        return;
    }
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
    if (overwrite_ && !hasSelection() && position_ < store_->length() && store_->at(position_) != u'\n')
        setSelection(position_, nextCharacter(position_));
    replaceSelection(text, true);
    ensureCaretVisible();
}

void PlainView::keyReleaseEvent(QKeyEvent* e)
{
    Q_EMIT keyReleased(e);
    e->accept();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void PlainView::mousePressEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    pressPoint_ = at;
    goalX_ = -1;
    if (e->button() == Qt::LeftButton) {
        const qsizetype offset = offsetAt(at);
        const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
        if (tripleClick_.isActive()
            && (at - pressPoint_).manhattanLength() < QApplication::startDragDistance()) {
            // The third click selects the whole line.
            tripleClick_.stop();
            const qsizetype line = store_->lineOf(offset);
            const qsizetype from = store_->lineStart(line);
            setSelection(from, from + store_->lineLength(line));
            clickCount_ = 3;
            selecting_ = false;
            selectionToX11();
            return;
        }
        clickCount_ = 1;
        pressInSelection_ = !shift && hasSelection() && offset >= selectionStart()
                            && offset < selectionEnd();
        if (pressInSelection_)
            return;
        selecting_ = true;
        setSelection(shift ? anchor_ : offset, offset);
    } else if (e->button() == Qt::MiddleButton) {
        e->accept();
    }
}

void PlainView::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    const QPoint at = e->position().toPoint();
    if (pressInSelection_) {
        if ((at - pressPoint_).manhattanLength() < QApplication::startDragDistance())
            return;
        pressInSelection_ = false;
        // Drag the selected text: moved within this view or to another program.
        auto* data = new QMimeData;
        data->setText(selectedText());
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const qsizetype from = selectionStart(), to = selectionEnd();
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        const QObject* target = drag->target();
        if (action == Qt::MoveAction && target != viewport() && target != this) {
            setSelection(from, to);
            replaceSelection(QStringView());
        }
        return;
    }
    if (!selecting_)
        return;
    const QRect inside = viewport()->rect();
    if (!inside.contains(at)) {
        if (!autoScroll_.isActive())
            autoScroll_.start(50, this);
    } else {
        autoScroll_.stop();
    }
    qsizetype offset = offsetAt(at);
    if (clickCount_ == 2) {
        // Dragging after a double-click selects whole words.
        if (offset < wordAnchorFrom_) {
            qsizetype from = offset;
            while (from > 0 && isWordChar(store_->at(from - 1)))
                --from;
            setSelection(wordAnchorTo_, from);
        } else {
            qsizetype to = offset;
            while (to < store_->length() && isWordChar(store_->at(to)))
                ++to;
            setSelection(wordAnchorFrom_, std::max(to, wordAnchorTo_));
        }
    } else {
        setSelection(anchor_, offset);
    }
    ensureCaretVisible();
}

void PlainView::mouseReleaseEvent(QMouseEvent* e)
{
    autoScroll_.stop();
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        if (pressInSelection_) {
            // A click in the selection without a drag puts the caret there.
            pressInSelection_ = false;
            const qsizetype offset = offsetAt(at);
            setSelection(offset, offset);
        } else if (selecting_ && hasSelection()) {
            selectionToX11();
        }
        selecting_ = false;
    } else if (e->button() == Qt::MiddleButton) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const qsizetype offset = offsetAt(at);
            insertFromMime(clipboard->mimeData(QClipboard::Selection), offset);
        }
    }
    Q_EMIT mouseReleased(e);
}

void PlainView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    const qsizetype offset = offsetAt(e->position().toPoint());
    qsizetype from = offset, to = offset;
    const qsizetype n = store_->length();
    if (offset < n && isWordChar(store_->at(offset))) {
        while (from > 0 && isWordChar(store_->at(from - 1)))
            --from;
        while (to < n && isWordChar(store_->at(to)))
            ++to;
    } else if (offset > 0 && isWordChar(store_->at(offset - 1))) {
        while (from > 0 && isWordChar(store_->at(from - 1)))
            --from;
    } else if (offset < n && store_->at(offset) != u'\n') {
        to = nextCharacter(offset);
    }
    wordAnchorFrom_ = from;
    wordAnchorTo_ = to;
    setSelection(from, to);
    clickCount_ = 2;
    selecting_ = true;
    pressInSelection_ = false;
    pressPoint_ = e->position().toPoint();
    tripleClick_.start(QApplication::doubleClickInterval(), this);
    selectionToX11();
}

void PlainView::contextMenuEvent(QContextMenuEvent* e)
{
    e->accept(); // the document window shows its own menu when the button is released
}

void PlainView::selectionToX11()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

void PlainView::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls() || e->mimeData()->hasText())
        e->acceptProposedAction();
    else
        e->ignore();
}

void PlainView::dragMoveEvent(QDragMoveEvent* e)
{
    const QMimeData* mime = e->mimeData();
    if (mime->hasUrls()) {
        e->acceptProposedAction();
        return;
    }
    if (!mime->hasText()) {
        e->ignore();
        return;
    }
    dropCaret_ = offsetAt(e->position().toPoint());
    viewport()->update();
    e->acceptProposedAction();
}

void PlainView::dragLeaveEvent(QDragLeaveEvent*)
{
    dropCaret_ = -1;
    viewport()->update();
}

void PlainView::dropEvent(QDropEvent* e)
{
    dropCaret_ = -1;
    const QMimeData* mime = e->mimeData();
    if (mime->hasUrls()) {
        QStringList files;
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                files << url.toLocalFile();
        }
        e->acceptProposedAction();
        if (!files.isEmpty())
            Q_EMIT filesDropped(files);
        return;
    }
    if (!mime->hasText()) {
        e->ignore();
        return;
    }
    qsizetype at = offsetAt(e->position().toPoint());
    const bool own = e->source() == this;
    if (own && e->dropAction() == Qt::MoveAction) {
        const qsizetype from = selectionStart(), to = selectionEnd();
        if (at >= from && at <= to) {
            e->setDropAction(Qt::IgnoreAction);
            e->accept();
            return;
        }
        // Moved within the document: one undo step.
        const QString text = selectedText();
        store_->beginGroup();
        replace(from, to - from, QStringView());
        if (at > from)
            at -= to - from;
        replace(at, 0, text);
        store_->endGroup();
        setSelection(at, at + text.size());
        e->acceptProposedAction();
        return;
    }
    QString text = mime->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    setSelection(at, at);
    replaceSelection(text);
    setSelection(at, at + text.size());
    e->acceptProposedAction();
    activateWindow();
    setFocus(Qt::MouseFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Focus, caret blinking, input methods

void PlainView::focusInEvent(QFocusEvent* e)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(e);
}

void PlainView::focusOutEvent(QFocusEvent* e)
{
    blink_.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(e);
}

void PlainView::restartBlink()
{
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus())
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void PlainView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == blink_.timerId()) {
        caretShown_ = !caretShown_;
        const QRect r = caretRect();
        viewport()->update(r.isEmpty() ? viewport()->rect() : r.adjusted(-2, -1, 2, 1));
    } else if (e->timerId() == autoScroll_.timerId()) {
        const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
        const qsizetype offset = offsetAt(at);
        Row r = layouts_.rowOf(offset);
        if (at.y() < 0)
            layouts_.previousRow(r);
        else if (at.y() > viewport()->height())
            layouts_.nextRow(r);
        setSelection(anchor_, at.y() < 0 ? layouts_.rowStart(r) : std::max(offset, layouts_.rowStart(r)));
        ensureCaretVisible();
    } else if (e->timerId() == syntaxFill_.timerId()) {
        fillSyntax();
    } else if (e->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void PlainView::inputMethodEvent(QInputMethodEvent* e)
{
    const QString commit = e->commitString();
    if (readOnly_ && (!commit.isEmpty() || e->replacementLength() > 0)) {
        Q_EMIT editRefused();
        return;
    }
    if (e->replacementLength() > 0 && !hasSelection()) {
        const qsizetype from = std::clamp<qsizetype>(position_ + e->replacementStart(), 0, store_->length());
        setSelection(from, std::min(store_->length(), from + e->replacementLength()));
    }
    if (!commit.isEmpty() || e->replacementLength() > 0)
        replaceSelection(commit, true);
    const QString preedit = e->preeditString();
    preeditCursor_ = preedit.size();
    for (const QInputMethodEvent::Attribute& a : e->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            preeditCursor_ = a.start;
    }
    if (preedit != preedit_ || !preedit.isEmpty()) {
        preedit_ = preedit;
        layouts_.setPreedit(position_, preedit_);
        maxTop_ = -1;
        viewport()->update();
    }
    e->accept();
}

QVariant PlainView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const qsizetype line = store_->lineOf(position_);
    const qsizetype lineFrom = store_->lineStart(line);
    // The text around the caret, at most a few hundred characters of its line.
    const qsizetype from = std::max(lineFrom, position_ - 512);
    const qsizetype to = std::min(lineFrom + store_->lineLength(line), position_ + 512);
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
        const QRect r = caretRect();
        return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
    }
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return int(position_ - from);
    case Qt::ImAnchorPosition: return int(std::clamp(anchor_, from, to) - from);
    case Qt::ImSurroundingText: return store_->text(from, to - from);
    case Qt::ImCurrentSelection: return hasSelection() && selectionEnd() - selectionStart() < 4096
                                            ? selectedText() : QString();
    case Qt::ImMaximumTextLength: return QVariant();
    case Qt::ImHints: return int(Qt::ImhMultiLine);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace platform
