#include "platform/RichTextBox.h"

#include "platform/AppError.h"
#include "platform/DocumentFiles.h"
#include "platform/KeyCodes.h"
#include "platform/LongLines.h"
#include "platform/Twips.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QPlainTextDocumentLayout>
#include <QPrinter>
#include <QTextDocumentFragment>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <utility>

namespace platform {

// Changes the program makes on the control (colours, fonts, loading) that are not the user's.
class RichTextBox::ProgramChange {
public:
    explicit ProgramChange(RichTextBox& box) : box_(box) { ++box_.programChange_; }
    ~ProgramChange() { --box_.programChange_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    RichTextBox& box_;
};

namespace {

// Offsets of the document map one to one onto the plain text: every block, frame and line
// separator is one character, shown as a line break.
void toPlainOffsets(QString& s)
{
    for (QChar& ch : s) {
        switch (ch.unicode()) {
        case 0x2029: // paragraph separator
        case 0x2028: // line separator
        case 0xFDD0: // beginning of a table frame
        case 0xFDD1: // end of a table frame
            ch = u'\n';
            break;
        default:
            break;
        }
    }
}

[[noreturn]] void invalidValue()
{
    raise(err::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

// Copies s, the text from document position base on, without the characters at the given
// document positions (ascending); only those within s are looked at.
QString without(const QString& s, const std::vector<int>& at, int base)
{
    QString out;
    out.reserve(s.size());
    qsizetype from = 0;
    for (auto it = std::lower_bound(at.begin(), at.end(), base);
         it != at.end() && *it - base < s.size(); ++it) {
        const qsizetype i = *it - base;
        out.append(QStringView(s).sliced(from, i - from));
        from = i + 1;
    }
    out.append(QStringView(s).sliced(from));
    return out;
}

} // namespace

/// What the box needs of its view, whichever widget shows the document.
class EditorView {
public:
    virtual ~EditorView() = default;
    virtual QWidget* widget() = 0;
    virtual void setDocument(QTextDocument* doc) = 0;
    virtual QTextCursor textCursor() const = 0;
    virtual void setTextCursor(const QTextCursor& c) = 0;
    virtual void mergeCurrentCharFormat(const QTextCharFormat& f) = 0;
    /// Wrap at this width in pixels; 0 or less: at the window's edge.
    virtual void setWrapWidth(int pixels) = 0;
};

/// The editing view over a QTextEdit (rich text) or a QPlainTextEdit (plain text, laid out only
/// where visible): it reports keys, mouse releases and file drops to its box and never inserts
/// dropped files or rich clipboard content.
template <class Base>
class EditorViewImpl final : public Base, public EditorView {
public:
    EditorViewImpl(RichTextBox& box, QTextDocument* doc) : Base(&box), box_(box)
    {
        Base::setDocument(doc);
        Base::setTabChangesFocus(false);
        if constexpr (std::is_same_v<Base, QTextEdit>)
            Base::setAcceptRichText(false);
        QObject::connect(this, &Base::cursorPositionChanged, &box, &RichTextBox::emitSelChangeIfMoved);
        QObject::connect(this, &Base::selectionChanged, &box, &RichTextBox::emitSelChangeIfMoved);
    }

    QWidget* widget() override { return this; }
    void setDocument(QTextDocument* doc) override { Base::setDocument(doc); }
    QTextCursor textCursor() const override { return Base::textCursor(); }
    void setTextCursor(const QTextCursor& c) override { Base::setTextCursor(c); }
    void mergeCurrentCharFormat(const QTextCharFormat& f) override { Base::mergeCurrentCharFormat(f); }
    void setWrapWidth(int pixels) override
    {
        if constexpr (std::is_same_v<Base, QTextEdit>) {
            if (pixels <= 0) {
                Base::setLineWrapMode(QTextEdit::WidgetWidth);
            } else {
                Base::setLineWrapMode(QTextEdit::FixedPixelWidth);
                Base::setLineWrapColumnOrWidth(pixels);
            }
        } else {
            Base::setLineWrapMode(QPlainTextEdit::WidgetWidth); // its only wrapping mode
        }
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (const int vk = virtualKeyCode(e->key()))
            Q_EMIT box_.KeyDown(vk, shiftState(e->modifiers()));
        int code = characterCode(e);
        if (code != 0) {
            Q_EMIT box_.KeyPress(code);
            if (code == 0) {
                e->accept();
                return;
            }
        }
        const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
        if (ctrl && e->key() == Qt::Key_I) {
            // Ctrl+I is the tab character on this control, typed like the Tab key.
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
            Base::keyPressEvent(&tab);
            e->setAccepted(tab.isAccepted());
            return;
        }
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (continuesLine(Base::textCursor().block()) && !Base::isReadOnly()) {
                // A new line started inside a piece of a long line is a line of its own.
                QTextCursor c = Base::textCursor();
                c.beginEditBlock();
                c.removeSelectedText();
                QTextBlockFormat line = c.blockFormat();
                line.clearProperty(kContinuesLine);
                c.insertBlock(line);
                c.endEditBlock();
                Base::setTextCursor(c);
                Base::ensureCursorVisible();
                e->accept();
                return;
            }
            // Shift+Enter and Ctrl+Enter start a new line like Enter, never a soft break.
            QKeyEvent plain(QEvent::KeyPress, e->key(), e->modifiers() & Qt::KeypadModifier,
                            QStringLiteral("\r"), e->isAutoRepeat());
            Base::keyPressEvent(&plain);
            e->setAccepted(plain.isAccepted());
            return;
        }
        stepOverPieceBreak(e);
    }

    // Between two pieces of a long line the caret has two places that are one place in the text:
    // keys that move or delete one character go on past that boundary, as if it were not there.
    void stepOverPieceBreak(QKeyEvent* e)
    {
        QTextCursor c = Base::textCursor();
        const int key = e->key();
        if (!c.hasSelection()) {
            if (key == Qt::Key_Backspace && c.atBlockStart() && continuesLine(c.block())) {
                c.setPosition(c.position() - 1);
                Base::setTextCursor(c);
            } else if (key == Qt::Key_Delete && c.atBlockEnd() && continuesLine(c.block().next())) {
                c.setPosition(c.position() + 1);
                Base::setTextCursor(c);
            }
        }
        const int before = c.position();
        Base::keyPressEvent(e);
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            return;
        const QTextCursor after = Base::textCursor();
        const bool crossed = after.position() == before + 1
                                 ? after.atBlockStart() && continuesLine(after.block())
                                 : after.position() == before - 1 && after.atBlockEnd()
                                       && continuesLine(after.block().next());
        if (crossed)
            Base::keyPressEvent(e);
    }

    void keyReleaseEvent(QKeyEvent* e) override
    {
        Base::keyReleaseEvent(e);
        if (e->isAutoRepeat())
            return;
        const int vk = virtualKeyCode(e->key());
        if (vk != 0)
            Q_EMIT box_.KeyUp(vk, shiftState(e->modifiers()));
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        Base::mouseReleaseEvent(e);
        int button = 0;
        switch (e->button()) {
        case Qt::LeftButton: button = 1; break;
        case Qt::RightButton: button = 2; break;
        case Qt::MiddleButton: button = 4; break;
        default: return;
        }
        const QPoint p = Base::viewport()->mapTo(&box_, e->position().toPoint());
        Q_EMIT box_.MouseUp(button, shiftState(e->modifiers()), toTwips(p.x()), toTwips(p.y()));
    }

    // The document window shows its own pop-up menu on the button's release.
    void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }

    QMimeData* createMimeDataFromSelection() const override
    {
        auto* data = new QMimeData;
        data->setText(box_.SelText());
        return data;
    }

    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        return !source->hasUrls() && source->hasText();
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (!source->hasUrls() && source->hasText()) {
            QTextCursor c = Base::textCursor();
            box_.insertText(c, source->text());
            Base::setTextCursor(c);
        }
    }

    void dragEnterEvent(QDragEnterEvent* e) override
    {
        if (e->mimeData()->hasUrls()) {
            e->acceptProposedAction();
            return;
        }
        Base::dragEnterEvent(e);
    }

    void dragMoveEvent(QDragMoveEvent* e) override
    {
        if (e->mimeData()->hasUrls()) {
            e->acceptProposedAction();
            return;
        }
        Base::dragMoveEvent(e);
    }

    void dropEvent(QDropEvent* e) override
    {
        if (e->mimeData()->hasUrls()) {
            QStringList files;
            for (const QUrl& url : e->mimeData()->urls()) {
                if (url.isLocalFile())
                    files << url.toLocalFile();
            }
            e->acceptProposedAction();
            if (!files.isEmpty())
                Q_EMIT box_.OLEDragDrop(files);
            return;
        }
        Base::dropEvent(e);
    }

private:
    static int characterCode(const QKeyEvent* e)
    {
        const auto mods = e->modifiers();
        if (mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier)
            && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
            return 1 + (e->key() - Qt::Key_A);
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Tab: return 9;
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Escape: return 27;
        default: break;
        }
        const QString t = e->text();
        if (t.isEmpty() || mods.testFlag(Qt::ControlModifier))
            return 0;
        return t.at(0).unicode();
    }

    RichTextBox& box_;
};

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    font_ = font();
    useView(false, newDocument(false));
}

RichTextBox::~RichTextBox()
{
    delete view_;
}

QTextDocument* RichTextBox::newDocument(bool rich)
{
    auto* doc = new QTextDocument(this);
    if (!rich)
        doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(font_);
    return doc;
}

void RichTextBox::watchDocument()
{
    pieceBreaksValid_ = false;
    connect(doc_, &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
        changeSeen_ = true;
        notePieceChange(from, removed, added);
        if (programChange_ == 0 && (removed != 0 || added != 0))
            Q_EMIT Change();
    });
}

void RichTextBox::useView(bool rich, QTextDocument* doc)
{
    if (view_ && rich == isRichView()) {
        // The same kind of view shows the new document.
        QTextDocument* old = doc_;
        if (old)
            old->disconnect(this);
        ++selQuiet_;
        view_->setDocument(doc);
        --selQuiet_;
        doc_ = doc;
        watchDocument();
        if (old && old != doc)
            old->deleteLater();
        return;
    }
    const bool hadFocus = viewWidget_ && viewWidget_->hasFocus();
    QTextDocument* old = doc_;
    EditorView* oldView = view_;
    ++selQuiet_;
    if (rich)
        view_ = new EditorViewImpl<QTextEdit>(*this, doc);
    else
        view_ = new EditorViewImpl<QPlainTextEdit>(*this, doc);
    --selQuiet_;
    viewWidget_ = view_->widget();
    if (old)
        old->disconnect(this);
    doc_ = doc;
    watchDocument();
    QPalette p = viewWidget_->palette();
    if (baseColor_)
        p.setColor(QPalette::Base, *baseColor_);
    if (textColor_)
        p.setColor(QPalette::Text, *textColor_);
    viewWidget_->setPalette(p);
    viewWidget_->setFont(font_);
    view_->setWrapWidth(toPixels(rightMarginTwips_));
    layout()->addWidget(viewWidget_);
    viewWidget_->show();
    setFocusProxy(viewWidget_);
    if (oldView) {
        // The old view may be the one handling the key or command that asked for the change:
        // it goes once the event loop is back, taking its document with it.
        QWidget* w = oldView->widget();
        w->disconnect(this);
        layout()->removeWidget(w);
        w->hide();
        if (old && old != doc)
            old->setParent(w);
        w->deleteLater();
        if (hadFocus)
            viewWidget_->setFocus(Qt::OtherFocusReason);
    } else if (old && old != doc) {
        old->deleteLater();
    }
}

bool RichTextBox::isRichView() const
{
    return qobject_cast<QTextEdit*>(viewWidget_) != nullptr;
}

QTextDocument* RichTextBox::document() const
{
    return doc_;
}

const std::vector<int>& RichTextBox::pieceBreaks() const
{
    if (pieceBreaksValid_ && pieceBreaksLength_ != doc_->characterCount())
        pieceBreaksValid_ = false; // a change the document has not told of yet
    if (!pieceBreaksValid_) {
        pieceBreaks_.clear();
        if (mayHavePieces_) {
            for (QTextBlock b = doc_->begin().next(); b.isValid(); b = b.next()) {
                if (continuesLine(b))
                    pieceBreaks_.push_back(b.position() - 1);
            }
        }
        pieceBreaksValid_ = true;
        pieceBreaksLength_ = doc_->characterCount();
    }
    return pieceBreaks_;
}

// Keeps the breaks in step with an edit, looking only at the blocks the edit made, so typing
// never walks the whole document. Breaks in [from, from + removed) went; those after moved.
void RichTextBox::notePieceChange(int from, int removed, int added)
{
    if (!pieceBreaksValid_)
        return;
    const int length = doc_->characterCount();
    if (pieceBreaksLength_ + added - removed != length) {
        pieceBreaksValid_ = false; // not the change the breaks were taken before
        return;
    }
    std::vector<int> made;
    for (QTextBlock b = doc_->findBlock(from).next(); b.isValid() && b.position() - 1 < from + added;
         b = b.next()) {
        if (continuesLine(b))
            made.push_back(b.position() - 1);
    }
    std::vector<int>& breaks = pieceBreaks_;
    const auto gone = std::lower_bound(breaks.begin(), breaks.end(), from);
    const auto kept = std::lower_bound(gone, breaks.end(), from + removed);
    for (auto it = kept; it != breaks.end(); ++it)
        *it += added - removed;
    breaks.insert(breaks.erase(gone, kept), made.begin(), made.end());
    pieceBreaksLength_ = length;
}

qsizetype RichTextBox::toOffset(int position) const
{
    const std::vector<int>& breaks = pieceBreaks();
    return position - (std::lower_bound(breaks.begin(), breaks.end(), position) - breaks.begin());
}

int RichTextBox::toPosition(qsizetype offset) const
{
    // The break in front of piece i is at offset breaks[i] - i of the text; an offset there
    // maps to the start of the piece.
    const std::vector<int>& breaks = pieceBreaks();
    size_t lo = 0, hi = breaks.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (breaks[mid] - qsizetype(mid) <= offset)
            lo = mid + 1;
        else
            hi = mid;
    }
    return int(offset + qsizetype(lo));
}

void RichTextBox::insertText(QTextCursor& c, const QString& text)
{
    const int from = c.selectionStart();
    const int removed = c.selectionEnd() - from;
    changeSeen_ = false;
    if (insertPlainText(c, text))
        mayHavePieces_ = true;
    if (changeSeen_)
        return; // the document told of it
    // An open edit block holds the document's news back until it ends. In one of ours, every edit
    // comes through here, so the breaks follow them; in another's, they are taken anew.
    if (editBlocks_ > 0)
        notePieceChange(from, removed, c.position() - from);
    else
        pieceBreaksValid_ = false;
}

QTextCursor RichTextBox::cursor() const
{
    return editBlocks_ != 0 ? heldCursor_ : view_->textCursor();
}

void RichTextBox::setCursor(const QTextCursor& c)
{
    if (editBlocks_ != 0) {
        heldCursor_ = c;
        return;
    }
    ++selQuiet_;
    view_->setTextCursor(c);
    --selQuiet_;
    forceSelChange();
}

void RichTextBox::emitSelChangeIfMoved()
{
    if (selQuiet_ != 0 || programChange_ != 0 || editBlocks_ != 0)
        return;
    const QTextCursor c = cursor();
    if (c.anchor() == lastAnchor_ && c.position() == lastPosition_)
        return;
    lastAnchor_ = c.anchor();
    lastPosition_ = c.position();
    Q_EMIT SelChange();
}

void RichTextBox::forceSelChange()
{
    const QTextCursor c = cursor();
    lastAnchor_ = c.anchor();
    lastPosition_ = c.position();
    Q_EMIT SelChange();
}

qsizetype RichTextBox::TextLength() const
{
    return document()->characterCount() - 1 - qsizetype(pieceBreaks().size());
}

qsizetype RichTextBox::SelStart() const
{
    return toOffset(cursor().selectionStart());
}

void RichTextBox::setSelStart(qsizetype start)
{
    if (start < 0)
        invalidValue();
    QTextCursor c = cursor();
    c.setPosition(toPosition(std::min(start, TextLength())));
    setCursor(c);
}

qsizetype RichTextBox::SelLength() const
{
    const QTextCursor c = cursor();
    return toOffset(c.selectionEnd()) - toOffset(c.selectionStart());
}

void RichTextBox::setSelLength(qsizetype length)
{
    if (length < 0)
        invalidValue();
    QTextCursor c = cursor();
    const int start = c.selectionStart();
    const qsizetype end = std::min(toOffset(start) + length, TextLength());
    c.setPosition(start);
    c.setPosition(std::max(start, toPosition(end)), QTextCursor::KeepAnchor);
    setCursor(c);
}

QString RichTextBox::SelText() const
{
    const QTextCursor c = cursor();
    QString s = c.selectedText();
    toPlainOffsets(s);
    const std::vector<int>& breaks = pieceBreaks();
    if (breaks.empty())
        return s;
    return without(s, breaks, c.selectionStart());
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor c = cursor();
    ++selQuiet_;
    insertText(c, text);
    --selQuiet_;
    setCursor(c);
}

QString RichTextBox::Text() const
{
    QString s = document()->toRawText();
    toPlainOffsets(s);
    const std::vector<int>& breaks = pieceBreaks();
    if (breaks.empty())
        return s;
    return without(s, breaks, 0);
}

std::optional<bool> RichTextBox::selFlag(bool (*test)(const QTextCharFormat&)) const
{
    const QTextCursor c = cursor();
    if (!c.hasSelection())
        return test(c.charFormat());
    // Walk the fragments the selection touches; the first disagreement makes it mixed.
    const int from = c.selectionStart(), to = c.selectionEnd();
    std::optional<bool> value;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= from || f.position() >= to)
                continue;
            const bool v = test(f.charFormat());
            if (value && *value != v)
                return std::nullopt;
            value = v;
        }
    }
    return value ? value : std::optional<bool>(test(c.charFormat()));
}

std::optional<bool> RichTextBox::SelBold() const
{
    return selFlag([](const QTextCharFormat& f) { return f.fontWeight() > QFont::Medium; });
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return selFlag([](const QTextCharFormat& f) { return f.fontItalic(); });
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return selFlag([](const QTextCharFormat& f) { return f.fontUnderline(); });
}

void RichTextBox::mergeSelFormat(const QTextCharFormat& format)
{
    QTextCursor c = cursor();
    if (c.hasSelection())
        c.mergeCharFormat(format);
    view_->mergeCurrentCharFormat(format);
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelFormat(f);
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeSelFormat(f);
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeSelFormat(f);
}

std::optional<int> RichTextBox::SelAlignment() const
{
    const QTextCursor c = cursor();
    const auto of = [](const QTextBlock& b) -> std::optional<int> {
        const Qt::Alignment a = b.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter)
            return Center;
        if (a & (Qt::AlignRight | Qt::AlignTrailing))
            return Right;
        if (a & Qt::AlignJustify)
            return std::nullopt;
        return Left;
    };
    QTextBlock block = document()->findBlock(c.selectionStart());
    const QTextBlock last = document()->findBlock(c.selectionEnd());
    const std::optional<int> first = of(block);
    while (block.isValid() && block != last) {
        block = block.next();
        if (block.isValid() && of(block) != first)
            return std::nullopt;
    }
    return first;
}

void RichTextBox::setSelAlignment(int alignment)
{
    Qt::Alignment a;
    switch (alignment) {
    case Left: a = Qt::AlignLeft | Qt::AlignAbsolute; break;
    case Right: a = Qt::AlignRight | Qt::AlignAbsolute; break;
    case Center: a = Qt::AlignHCenter; break;
    default: invalidValue();
    }
    if (!isRichView() && alignment != Left) {
        // Only the rich-text view lays out alignment: move the document over, selection and all.
        const QTextCursor before = cursor();
        const int anchor = before.anchor(), position = before.position();
        QTextDocument* rich = document()->clone(this);
        rich->setDefaultFont(font_);
        {
            ProgramChange quiet(*this);
            useView(true, rich);
        }
        QTextCursor c(rich);
        c.setPosition(anchor);
        c.setPosition(position, QTextCursor::KeepAnchor);
        ++selQuiet_;
        view_->setTextCursor(c);
        --selQuiet_;
    }
    QTextBlockFormat f;
    f.setAlignment(a);
    QTextCursor c = cursor();
    if (!pieceBreaks().empty()) {
        // A line's pieces are aligned together.
        QTextBlock first = document()->findBlock(c.selectionStart());
        while (continuesLine(first) && first.previous().isValid())
            first = first.previous();
        QTextBlock last = document()->findBlock(c.selectionEnd());
        while (continuesLine(last.next()))
            last = last.next();
        c.setPosition(first.position());
        c.setPosition(last.position(), QTextCursor::KeepAnchor);
    }
    c.mergeBlockFormat(f);
}

void RichTextBox::setSelColor(ColorValue color)
{
    const QColor c = toQColor(color, QApplication::palette());
    ProgramChange quiet(*this);
    QTextCharFormat f;
    f.setForeground(c);
    mergeSelFormat(f);
    if (TextLength() == 0) {
        // Text loaded into this empty document later shows in the same colour.
        textColor_ = c;
        QPalette p = viewWidget_->palette();
        p.setColor(QPalette::Text, c);
        viewWidget_->setPalette(p);
    }
}

void RichTextBox::setBackColor(ColorValue color)
{
    const QColor c = toQColor(color, QApplication::palette());
    backColor_ = color;
    baseColor_ = c;
    QPalette p = viewWidget_->palette();
    p.setColor(QPalette::Base, c);
    viewWidget_->setPalette(p);
}

ColorValue RichTextBox::BackColor() const
{
    return backColor_;
}

void RichTextBox::setFontName(const QString& name)
{
    ProgramChange quiet(*this);
    font_.setFamilies({name});
    document()->setDefaultFont(font_);
    viewWidget_->setFont(font_);
}

QString RichTextBox::FontName() const
{
    const QStringList families = document()->defaultFont().families();
    return families.isEmpty() ? document()->defaultFont().family() : families.first();
}

void RichTextBox::setFontSize(double points)
{
    if (!(points > 0) || points > 2048)
        invalidValue();
    ProgramChange quiet(*this);
    font_.setPointSizeF(points);
    document()->setDefaultFont(font_);
    viewWidget_->setFont(font_);
}

double RichTextBox::FontSize() const
{
    return document()->defaultFont().pointSizeF();
}

double RichTextBox::Width() const
{
    return toTwips(width());
}

void RichTextBox::setRightMargin(double twips)
{
    rightMarginTwips_ = twips;
    view_->setWrapWidth(toPixels(twips));
}

double RichTextBox::RightMargin() const
{
    return rightMarginTwips_;
}

qsizetype RichTextBox::Find(const QString& text, qsizetype start, qsizetype end, int options)
{
    if (text.isEmpty() || start < 0 || start > TextLength())
        return -1;
    if (!pieceBreaks().empty())
        return findInPieces(text, start, end, options);
    QTextDocument::FindFlags flags;
    if (options & WholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & MatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    QTextCursor from(document());
    from.setPosition(int(start));
    const QTextCursor found = document()->find(text, from, flags);
    if (found.isNull())
        return -1;
    if (end >= 0 && found.selectionEnd() > end)
        return -1;
    setCursor(found);
    return found.selectionStart();
}

// Searches line by line like QTextDocument::find, a long line's pieces together: each piece is
// searched behind the end of the one before it, so a match may span their boundary.
qsizetype RichTextBox::findInPieces(const QString& text, qsizetype start, qsizetype end, int options)
{
    const Qt::CaseSensitivity cs = (options & MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = (options & WholeWord) != 0;
    const qsizetype length = text.size();
    const int from = toPosition(start);
    QTextBlock block = document()->findBlock(from);
    QString carry; // the end of the pieces before this one on the same line
    int carryAt = 0;
    if (continuesLine(block)) {
        const QTextBlock before = block.previous();
        carry = before.text().right(length);
        carryAt = before.position() + before.length() - 1 - int(carry.size());
    }
    for (; block.isValid(); block = block.next()) {
        if (!continuesLine(block))
            carry.clear();
        QString hay = carry + block.text();
        hay.replace(QChar::Nbsp, u' ');
        const qsizetype carried = carry.size();
        const auto at = [&](qsizetype i) {
            return i < carried ? carryAt + int(i) : block.position() + int(i - carried);
        };
        for (qsizetype i = hay.indexOf(text, 0, cs); i >= 0; i = hay.indexOf(text, i + 1, cs)) {
            if (i + length <= carried)
                continue; // searched with the piece before
            const int matchStart = at(i);
            const int matchEnd = at(i + length - 1) + 1;
            if (matchStart < from)
                continue;
            if (wholeWord) {
                QChar after;
                if (i + length < hay.size())
                    after = hay[i + length];
                else if (continuesLine(block.next()) && !block.next().text().isEmpty())
                    after = block.next().text().front();
                if ((i > 0 && hay[i - 1].isLetterOrNumber()) || after.isLetterOrNumber())
                    continue;
            }
            if (end >= 0 && toOffset(matchEnd) > end)
                return -1;
            QTextCursor found(document());
            found.setPosition(matchStart);
            found.setPosition(matchEnd, QTextCursor::KeepAnchor);
            setCursor(found);
            return toOffset(matchStart);
        }
        const qsizetype keep = std::min(length, hay.size());
        carryAt = at(hay.size() - keep);
        carry = hay.right(keep);
    }
    return -1;
}

// While the document's edit block is open its layout is stale: the view must not be asked to
// show a cursor in it (it would read lines that are gone), so the box holds the selection itself.
RichTextBox::EditBlock::EditBlock(RichTextBox& box, bool joinLast)
    : box_(&box), doc_(box.document())
{
    if (box.editBlocks_++ == 0)
        box.heldCursor_ = box.view_->textCursor();
    if (joinLast)
        QTextCursor(doc_).joinPreviousEditBlock();
    else
        QTextCursor(doc_).beginEditBlock();
}

void RichTextBox::takeBackLastEdit()
{
    doc_->undo();
    doc_->clearUndoRedoStacks(QTextDocument::RedoStack);
}

RichTextBox::EditBlock::~EditBlock()
{
    // The breaks already follow the block's edits: the document's summary of them at the end
    // must not move them again, so they are taken anew when next needed.
    if (box_ && box_->editBlocks_ == 1)
        box_->pieceBreaksValid_ = false;
    if (doc_)
        QTextCursor(doc_).endEditBlock();
    if (!box_ || --box_->editBlocks_ != 0)
        return;
    const QTextCursor held = std::exchange(box_->heldCursor_, QTextCursor());
    if (!held.isNull() && held.document() == box_->document())
        box_->setCursor(held);
}

void RichTextBox::LoadFile(const QString& path)
{
    LoadedDocument loaded = loadDocumentWithProgress(path, font_, window());
    QTextDocument* doc = loaded.document.release();
    doc->setParent(this);
    if (!loaded.rich)
        plainFormat_ = loaded.format;
    unkept_ = loaded.unkept;
    mayHavePieces_ = loaded.pieces;
    {
        ProgramChange quiet(*this);
        useView(loaded.rich, doc);
        view_->setTextCursor(QTextCursor(doc));
    }
    forceSelChange();
}

void RichTextBox::SaveFile(const QString& path, int fileType)
{
    if (fileType != RichText && fileType != PlainText)
        invalidValue();
    if (fileKind(path) == FileKind::Folder)
        platform::raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    QByteArray bytes;
    if (fileType == RichText)
        bytes = rtf::RtfWriter::write(*document()); // writes a long line's pieces as one paragraph
    // As text, a rich document's pictures leave nothing behind (their object characters).
    const bool rich = isRichView();
    const auto plainText = [this, rich] {
        QString text = Text();
        if (rich)
            text.remove(QChar::ObjectReplacementCharacter);
        return text;
    };
    const qsizetype size = fileType == RichText ? bytes.size() : TextLength();
    if (size < progressFromBytes()) {
        if (fileType == PlainText)
            bytes = encodeText(plainText(), plainFormat_);
        writeWholeFile(path, bytes);
    } else {
        // Taking the text, encoding and writing a big file run beside the window, which keeps
        // painting. The progress window keeps the user from changing the document meanwhile, and
        // the editor itself does not paint, so nothing lays its lines out while they are read.
        const TextFormat format = plainFormat_;
        const QString name = QFileInfo(path).fileName();
        pieceBreaks(); // known before the reading starts
        viewWidget_->setUpdatesEnabled(false);
        const auto repaint = qScopeGuard([this] { viewWidget_->setUpdatesEnabled(true); });
        runWithProgress(window(), QStringLiteral("Saving %1...").arg(name),
                        QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(path),
                        [&](const std::function<bool(int)>& progress) {
                            if (fileType == PlainText) {
                                if (!progress(0))
                                    platform::raise(err::Cancel, QString());
                                bytes = encodeText(plainText(), format);
                            }
                            writeWholeFile(path, bytes, progress);
                        });
    }
    document()->setModified(false);
    unkept_.clear();
}

void RichTextBox::SelPrint(QPrinter* printer)
{
    if (!printer || !printer->isValid())
        platform::raise(err::InvalidPropertyValue, QStringLiteral("No printer is available."));
    const QTextCursor c = cursor();
    if (c.hasSelection()) {
        QTextDocument part;
        part.setDefaultFont(font_);
        QTextCursor(&part).insertFragment(c.selection());
        rtf::providePictureImages(part); // the pictures' images are the document's own
        joinPieces(part);
        part.print(printer);
    } else if (!pieceBreaks().empty()) {
        // A long line is printed whole, wrapped at the page's edge only.
        const std::unique_ptr<QTextDocument> copy(document()->clone());
        joinPieces(*copy);
        copy->print(printer);
    } else {
        document()->print(printer); // lays out a copy in pages; the view is left alone
    }
    if (printer->printerState() == QPrinter::Error)
        platform::raise(err::PathFileAccess, QStringLiteral("The printer reported an error."));
}

QWidget* RichTextBox::hwnd() const
{
    return viewWidget_;
}

void RichTextBox::SetFocus()
{
    viewWidget_->setFocus(Qt::OtherFocusReason);
}

void RichTextBox::Refresh()
{
    static_cast<QAbstractScrollArea*>(viewWidget_)->viewport()->update();
}

} // namespace platform
