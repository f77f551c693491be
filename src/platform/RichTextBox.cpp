#include "platform/RichTextBoxParts.h"

namespace platform {

using namespace richtextbox;

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    font_ = font();
    usePlain(std::make_unique<TextStore>());
}

RichTextBox::~RichTextBox()
{
    reading_.reset();
    delete viewWidget_;
    letGo(std::move(store_));
}

namespace {

// Text of this many characters or more is let go beside the window: giving a gigabyte back to
// the system takes a tenth of a second.
constexpr qsizetype kLetGoBesideFrom = 16 * 1024 * 1024;

} // namespace

void RichTextBox::letGo(std::unique_ptr<TextStore> store)
{
    if (!store || store->length() < kLetGoBesideFrom)
        return;
    QThreadPool::globalInstance()->start([gone = std::shared_ptr<TextStore>(std::move(store))]() mutable { gone.reset(); });
}

QTextDocument* RichTextBox::newDocument()
{
    auto* doc = new QTextDocument(this);
    doc->setDefaultFont(font_);
    return doc;
}

void RichTextBox::watchDocument()
{
    connect(doc_, &QTextDocument::contentsChange, this, [this](int at, int removed, int added) {
        ++textSerial_;
        if (joins_.document() == doc_)
            joins_.follow(*doc_, at, removed, added);
        if (programChange_ == 0 && (removed != 0 || added != 0))
            Q_EMIT Change();
    });
}

void RichTextBox::useRich(QTextDocument* doc, PieceJoins joins)
{
    ++textSerial_;
    joins_ = joins.document() == doc ? std::move(joins) : PieceJoins();
    rtf::showKeptMarkers(*doc);
    readText_.reset();
    QTextDocument* old = nullptr;
    if (rich_) {
        // The same view shows the new document.
        old = doc_;
        if (old)
            old->disconnect(this);
        if (richMarks_)
            richMarks_->clear(); // they hold places in the old document
    } else {
        auto* view = new EditorViewImpl(*this);
        if (viewWidget_) {
            // The plain store goes with its view, which may be the one handling the key or
            // command that asked for the change.
            connect(viewWidget_, &QObject::destroyed, [store = std::shared_ptr<TextStore>(std::move(store_))] {});
        }
        plain_ = nullptr;
        rich_ = view;
        placeView(view);
        rich_->setWrapWidth(toPixels(rightMarginTwips_));
        rich_->setNoWrap(!wordWrap_);
    }
    ++selQuiet_;
    rich_->show(doc);
    --selQuiet_;
    doc_ = doc;
    applyTabStop();
    watchDocument();
    applyZoom();
    if (old && old != doc)
        old->deleteLater();
}

void RichTextBox::usePlain(std::unique_ptr<TextStore> store)
{
    ++textSerial_;
    readText_.reset();
    if (plain_) {
        // The same view shows the new store.
        ++selQuiet_;
        plain_->setStore(*store);
        --selQuiet_;
        letGo(std::exchange(store_, std::move(store)));
        chooseLanguage();
        return;
    }
    if (doc_) {
        doc_->disconnect(this);
        doc_->setParent(viewWidget_); // goes with its view
        doc_ = nullptr;
    }
    store_ = std::move(store);
    auto* view = new PlainView(*store_, this);
    connect(view, &PlainView::selectionMoved, this, &RichTextBox::emitSelChangeIfMoved);
    connect(view, &PlainView::edited, this, [this](qsizetype offset) {
        ++textSerial_;
        if (offset <= store_->lineLength(0))
            chooseLanguage(); // the first line may tell an untitled document's language
        if (programChange_ == 0)
            Q_EMIT Change();
    });
    connect(view, &PlainView::keyArrived, this, &RichTextBox::plainKey);
    connect(view, &PlainView::keyReleased, this, [this](QKeyEvent* e) {
        if (e->isAutoRepeat())
            return;
        if (const int vk = virtualKeyCode(e->key()))
            Q_EMIT KeyUp(vk, shiftState(e->modifiers()));
    });
    connect(view, &PlainView::mouseReleased, this, [this, view](QMouseEvent* e) {
        const int button = mouseButton(e->button());
        if (button == 0)
            return;
        const QPoint p = view->viewport()->mapTo(this, e->position().toPoint());
        Q_EMIT MouseUp(button, shiftState(e->modifiers()), toTwips(p.x()), toTwips(p.y()));
    });
    connect(view, &PlainView::filesDropped, this, &RichTextBox::OLEDragDrop);
    connect(view, &PlainView::editRefused, this, &RichTextBox::editRefused);
    connect(view, &PlainView::zoomWheeled, this, [this](int steps) { setZoom(zoom_ + steps); });
    rich_ = nullptr;
    plain_ = view;
    placeView(view);
    plain_->setWrapWidth(toPixels(rightMarginTwips_));
    plain_->setLineNumbersVisible(lineNumbers_);
    plain_->setWordWrap(wordWrap_);
    chooseLanguage();
}

void RichTextBox::placeView(QWidget* view)
{
    QWidget* old = viewWidget_;
    // While another window (a file dialog, say) has the keyboard, the old view is still the one
    // its window gives the keyboard back to: the new view must take that place, or the window
    // would hand the keyboard, and with it the active document, to some other editor.
    const bool hadFocus = old && (old->hasFocus() || old->window()->focusWidget() == old);
    viewWidget_ = view;
    applyColors();
    view->setFont(font_);
    applyTabStop();
    applyZoom();
    layout()->addWidget(view);
    view->show();
    setFocusProxy(view);
    if (old) {
        // The old view may be the one handling the key or command that asked for the change:
        // it goes once the event loop is back.
        old->disconnect(this);
        layout()->removeWidget(old);
        old->hide();
        old->deleteLater();
        if (hadFocus)
            view->setFocus(Qt::OtherFocusReason);
    }
}

void RichTextBox::applyColors()
{
    QPalette p = viewWidget_->palette();
    if (baseColor_)
        p.setColor(QPalette::Base, *baseColor_);
    if (textColor_)
        p.setColor(QPalette::Text, *textColor_);
    viewWidget_->setPalette(p);
}

bool RichTextBox::isRichView() const
{
    return rich_ != nullptr;
}

QTextDocument* RichTextBox::document() const
{
    return doc_;
}

namespace richtextbox {

// A rich document holding text, built in slices ending at line breaks so that progress is told
// between them.
std::unique_ptr<QTextDocument> richFromText(const QString& text, const QFont& font,
                                            const std::optional<QColor>& color,
                                            const std::function<bool(int)>& progress)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(font);
    QTextCursor c(doc.get());
    QTextCharFormat format;
    if (color)
        format.setForeground(*color);
    constexpr qsizetype kSlice = 1024 * 1024;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = std::min(text.size(), from + kSlice);
        if (to < text.size()) {
            const qsizetype lineEnd = text.lastIndexOf(u'\n', to - 1);
            if (lineEnd > from)
                to = lineEnd + 1;
            else if (text[to - 1].isHighSurrogate())
                --to;
        }
        c.insertText(text.sliced(from, to - from), format);
        from = to;
        if (progress && !progress(int(1000.0 * double(from) / double(text.size()))))
            raise(err::Cancel, QString());
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    return doc;
}

} // namespace richtextbox

std::unique_ptr<QTextDocument> RichTextBox::richCopy() const
{
    if (doc_)
        return std::unique_ptr<QTextDocument>(doc_->clone(nullptr));
    return richFromText(store_->text(), font_, textColor_);
}

std::function<QString()> RichTextBox::textReader() const
{
    if (store_ && !doc_)
        return [snapshot = store_->snapshot()] { return snapshot.text(); };
    return [text = Text()] { return text; };
}

std::shared_ptr<const TextStore::Snapshot> RichTextBox::plainSnapshot() const
{
    if (!store_ || doc_)
        return nullptr;
    return std::make_shared<const TextStore::Snapshot>(store_->snapshot());
}

bool RichTextBox::becomeRich()
{
    if (rich_)
        return true;
    const qsizetype anchor = plain_->anchor(), position = plain_->position();
    const QString text = store_->text();
    std::unique_ptr<QTextDocument> doc;
    if (text.size() < progressFromBytes() / 4) {
        doc = richFromText(text, font_, textColor_);
    } else {
        QThread* const home = QThread::currentThread();
        try {
            runWithProgress(window(), QStringLiteral("Preparing the document for formatting..."),
                            QString(), [&](const std::function<bool(int)>& progress) {
                                auto made = richFromText(text, font_, textColor_, progress);
                                made->moveToThread(home);
                                doc = std::move(made);
                            });
        } catch (const AppError& e) {
            if (e.number == err::Cancel)
                return false; // the user's choice: the document stays plain
            throw;
        }
    }
    // A long line is shown as a long paragraph read from a file is; that is no edit.
    doc->setUndoRedoEnabled(false);
    showLongParagraphsUnshaped(*doc);
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    QTextDocument* rich = doc.release();
    rich->setParent(this);
    const TextStore::Snapshot read = store_->snapshot();
    {
        ProgramChange quiet(*this);
        useRich(rich);
    }
    readText_ = std::make_unique<TextStore>();
    readText_->setSnapshot(read);
    connect(rich, &QTextDocument::contentsChange, this, &RichTextBox::followInReadText);
    QTextCursor c(rich);
    c.setPosition(int(anchor));
    c.setPosition(int(position), QTextCursor::KeepAnchor);
    ++selQuiet_;
    rich_->setTextCursor(c);
    rich_->ensureCursorVisible();
    --selQuiet_;
    if (editBlocks_ != 0) {
        heldCursor_ = c;
        QTextCursor(rich).beginEditBlock(); // the block still open takes the rest of its edits
    }
    return true;
}

void RichTextBox::plainKey(QKeyEvent* e, bool* handled)
{
    PlainView* view = plain_;
    if (reading_ && e->key() == Qt::Key_Escape && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        stopReading();
        *handled = true;
        return;
    }
    if (const int vk = virtualKeyCode(e->key()))
        Q_EMIT KeyDown(vk, shiftState(e->modifiers()));
    int code = characterCode(e);
    if (code != 0) {
        Q_EMIT KeyPress(code);
        if (code == 0 || plain_ != view) {
            // Swallowed, or the document went over to the rich view, which has the caret now.
            *handled = true;
            return;
        }
    }
    if (!reading_ && indentKey(e)) { // while reading, the view refuses the Tab
        *handled = true;
        return;
    }
    if (e->modifiers().testFlag(Qt::ControlModifier) && e->key() == Qt::Key_I) {
        // Ctrl+I is the tab character on this control, typed like the Tab key.
        view->replaceSelection(u"\t", true);
        view->ensureCaretVisible();
        *handled = true;
    }
}

QTextCursor RichTextBox::cursor() const
{
    return editBlocks_ != 0 ? heldCursor_ : rich_->textCursor();
}

bool RichTextBox::setCursor(const QTextCursor& c)
{
    if (editBlocks_ != 0) {
        heldCursor_ = c;
        return true;
    }
    if (!rich_->layOutTo(c.position()))
        return false; // cancelled: the caret stays
    ++selQuiet_;
    rich_->setTextCursor(c);
    --selQuiet_;
    forceSelChange();
    return true;
}

void RichTextBox::selectPlain(qsizetype anchor, qsizetype position, bool centre)
{
    ++selQuiet_;
    plain_->setSelection(anchor, position);
    --selQuiet_;
    if (editBlocks_ != 0)
        return; // shown, with one SelChange, when the block ends
    if (centre)
        plain_->ensureCaretVisibleCentred();
    else
        plain_->ensureCaretVisible();
    forceSelChange();
}

void RichTextBox::setSyntaxColors(bool on)
{
    syntaxColors_ = on;
    chooseLanguage();
}

void RichTextBox::setFileName(const QString& name)
{
    fileName_ = name;
    chooseLanguage();
}

void RichTextBox::chooseLanguage()
{
    if (!plain_)
        return;
    using namespace syntax;
    LanguageId language = LanguageId::None;
    if (syntaxColors_) {
        language = languageForFileName(fileName_);
        if (language == LanguageId::None && QFileInfo(fileName_).suffix().isEmpty()) {
            // Only the first line's start tells: a line of megabytes is not read for it.
            constexpr qsizetype kEnough = 256;
            language = languageForFirstLine(store_->text(0, std::min(store_->lineLength(0), kEnough)));
        }
    }
    plain_->setLanguage(language);
}

qsizetype RichTextBox::selAnchor() const
{
    return plain_ ? plain_->anchor() : joins().toText(cursor().anchor());
}

qsizetype RichTextBox::selPosition() const
{
    return plain_ ? plain_->position() : joins().toText(cursor().position());
}

const PieceJoins& RichTextBox::joins() const
{
    if (!doc_)
        joins_ = PieceJoins();
    else if (joins_.document() != doc_)
        joins_ = PieceJoins(*doc_);
    return joins_;
}

QString RichTextBox::richText(qsizetype from, qsizetype to) const
{
    QTextCursor c(doc_);
    {
        CursorsWithoutLayout unlaid(doc_);
        c.setPosition(int(joins().toDocument(from)));
        c.setPosition(int(joins().toDocument(to)), QTextCursor::KeepAnchor);
    }
    QString s = joins().withoutJoins(c.selectedText(), c.selectionStart());
    toPlainOffsets(s);
    return s;
}

void RichTextBox::emitSelChangeIfMoved()
{
    if (selQuiet_ != 0 || programChange_ != 0 || editBlocks_ != 0)
        return;
    if (selAnchor() == lastAnchor_ && selPosition() == lastPosition_)
        return;
    lastAnchor_ = selAnchor();
    lastPosition_ = selPosition();
    Q_EMIT SelChange();
}

void RichTextBox::forceSelChange()
{
    lastAnchor_ = selAnchor();
    lastPosition_ = selPosition();
    Q_EMIT SelChange();
}

qsizetype RichTextBox::TextLength() const
{
    if (plain_)
        return store_->length();
    return doc_->characterCount() - 1 - qsizetype(joins().separators().size());
}

qsizetype RichTextBox::SelStart() const
{
    return plain_ ? plain_->selectionStart() : joins().toText(cursor().selectionStart());
}

void RichTextBox::setSelStart(qsizetype start)
{
    if (start < 0)
        invalidValue();
    start = std::min(start, TextLength());
    if (plain_) {
        selectPlain(start, start);
        return;
    }
    QTextCursor c = cursor();
    {
        CursorsWithoutLayout unlaid(doc_);
        c.setPosition(int(joins().toDocument(start)));
    }
    setCursor(c);
}

qsizetype RichTextBox::SelLength() const
{
    if (plain_)
        return plain_->selectionEnd() - plain_->selectionStart();
    const QTextCursor c = cursor();
    return joins().toText(c.selectionEnd()) - joins().toText(c.selectionStart());
}

void RichTextBox::setSelLength(qsizetype length)
{
    if (length < 0)
        invalidValue();
    const qsizetype start = SelStart();
    const qsizetype end = std::min(start + length, TextLength());
    if (plain_) {
        selectPlain(start, end);
        return;
    }
    QTextCursor c = cursor();
    {
        CursorsWithoutLayout unlaid(doc_);
        c.setPosition(int(joins().toDocument(start)));
        c.setPosition(int(joins().toDocument(end)), QTextCursor::KeepAnchor);
    }
    setCursor(c);
}

QString RichTextBox::SelText() const
{
    if (plain_)
        return plain_->selectedText();
    const QTextCursor c = cursor();
    QString s = joins().withoutJoins(c.selectedText(), c.selectionStart());
    toPlainOffsets(s);
    return s;
}

QString RichTextBox::clipboardText() const
{
    QString s = SelText();
    if (!plain_)
        s.remove(QChar::ObjectReplacementCharacter);
    return s;
}

void RichTextBox::setSelText(const QString& text)
{
    refuseWhileReading();
    if (plain_) {
        ++selQuiet_;
        plain_->replaceSelection(asPlainInsert(text));
        --selQuiet_;
        if (editBlocks_ == 0) {
            plain_->ensureCaretVisible();
            forceSelChange();
        }
        return;
    }
    QTextCursor c = cursor();
    ++selQuiet_;
    rich_->insert(c, text);
    --selQuiet_;
    setCursor(c);
}

QString RichTextBox::Text() const
{
    if (plain_)
        return store_->text();
    QString s = joins().withoutJoins(doc_->toRawText(), 0);
    toPlainOffsets(s);
    return s;
}

std::optional<bool> RichTextBox::selFlag(bool (*test)(const QTextCharFormat&)) const
{
    if (plain_)
        return false; // a plain document has no formats
    const QTextCursor c = cursor();
    if (!c.hasSelection())
        return test(c.charFormat());
    // Walk the fragments the selection touches; the first disagreement makes it mixed.
    const int from = c.selectionStart(), to = c.selectionEnd();
    std::optional<bool> value;
    for (QTextBlock block = doc_->findBlock(from); block.isValid() && block.position() < to;
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
    refuseWhileReading();
    if (!becomeRich())
        return;
    // The view applies the format to the selection once more: one step to undo, not two.
    QTextCursor c = cursor();
    c.beginEditBlock();
    if (c.hasSelection())
        c.mergeCharFormat(format);
    rich_->mergeCurrentCharFormat(format);
    c.endEditBlock();
}

void RichTextBox::setSelBold(bool on)
{
    if (plain_ && !on)
        return; // nothing is bold in a plain document
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelFormat(f);
    noteUserFormat();
}

void RichTextBox::setSelItalic(bool on)
{
    if (plain_ && !on)
        return;
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeSelFormat(f);
    noteUserFormat();
}

void RichTextBox::setSelUnderline(bool on)
{
    if (plain_ && !on)
        return;
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeSelFormat(f);
    noteUserFormat();
}

std::optional<int> RichTextBox::SelAlignment() const
{
    if (plain_)
        return Left;
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
    QTextBlock block = doc_->findBlock(c.selectionStart());
    const QTextBlock last = doc_->findBlock(c.selectionEnd());
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
    refuseWhileReading();
    Qt::Alignment a;
    switch (alignment) {
    case Left: a = Qt::AlignLeft | Qt::AlignAbsolute; break;
    case Right: a = Qt::AlignRight | Qt::AlignAbsolute; break;
    case Center: a = Qt::AlignHCenter; break;
    default: invalidValue();
    }
    if (plain_ && alignment == Left)
        return; // every line of a plain document is aligned left
    // Only the rich view lays out alignment: the document moves over, selection and all.
    if (!becomeRich())
        return;
    QTextBlockFormat f;
    f.setAlignment(a);
    // A paragraph held in pieces is aligned whole.
    QTextCursor c = cursor();
    const QTextBlock last = lastPiece(doc_->findBlock(c.selectionEnd()));
    c.setPosition(firstPiece(doc_->findBlock(c.selectionStart())).position());
    c.setPosition(last.position(), QTextCursor::KeepAnchor);
    c.mergeBlockFormat(f);
    noteUserFormat();
}

void RichTextBox::noteUserFormat()
{
    if (rich_)
        userFormat_ = ++formatSerial_;
}

void RichTextBox::setSelColor(ColorValue color)
{
    const QColor c = toQColor(color, QApplication::palette());
    ProgramChange quiet(*this);
    if (TextLength() == 0 || (plain_ && textColor_ == c)) {
        // Text loaded into this empty document later shows in the same colour.
        textColor_ = c;
        applyColors();
        if (plain_)
            return;
    }
    QTextCharFormat f;
    f.setForeground(c);
    mergeSelFormat(f);
}

// While the rich document's edit block is open its layout is stale: the view must not be asked
// to show a cursor in it (it would read lines that are gone), so the box holds the selection.
RichTextBox::EditBlock::EditBlock(RichTextBox& box, bool joinLast) : box_(&box), doc_(box.doc_)
{
    const bool first = box.editBlocks_++ == 0;
    if (box.plain_) {
        store_ = box.store_.get();
        store_->beginGroup(joinLast);
        return;
    }
    if (first)
        box.heldCursor_ = box.rich_->textCursor();
    if (joinLast)
        QTextCursor(doc_).joinPreviousEditBlock();
    else
        QTextCursor(doc_).beginEditBlock();
}

RichTextBox::EditBlock::~EditBlock()
{
    if (store_)
        store_->endGroup();
    if (doc_)
        QTextCursor(doc_).endEditBlock();
    if (!box_ || --box_->editBlocks_ != 0)
        return;
    if (box_->plain_) {
        box_->plain_->ensureCaretVisible();
        box_->forceSelChange();
        return;
    }
    const QTextCursor held = std::exchange(box_->heldCursor_, QTextCursor());
    if (!held.isNull() && held.document() == box_->doc_)
        box_->setCursor(held);
}

RichTextBox::CommandStep::CommandStep(RichTextBox& box) : box_(&box)
{
    if (box.commandSteps_++ == 0)
        box.commandEdited_ = false;
    if (box.plain_) {
        store_ = box.store_.get();
        store_->beginGroup();
    }
}

RichTextBox::CommandStep::~CommandStep()
{
    if (!box_)
        return;
    --box_->commandSteps_;
    if (store_ && box_->store_.get() == store_)
        store_->endGroup();
}

// Each key opens the document's edit block only while the view handles it, so the view lays out
// and shows every key as usual; the first key that edits starts the step, the later ones join it.
void RichTextBox::asPartOfCommand(const std::function<void()>& work)
{
    if (commandSteps_ == 0 || plain_ || editBlocks_ != 0) {
        work();
        return;
    }
    QPointer<QTextDocument> doc = doc_;
    const int before = doc->availableUndoSteps();
    QTextCursor block(doc);
    if (commandEdited_)
        block.joinPreviousEditBlock();
    else
        block.beginEditBlock();
    work();
    if (!doc)
        return;
    block.endEditBlock();
    if (doc->availableUndoSteps() != before)
        commandEdited_ = true;
}

void RichTextBox::takeBackLastEdit()
{
    if (plain_) {
        plain_->undo(true);
        store_->clearRedo();
        return;
    }
    doc_->undo();
    doc_->clearUndoRedoStacks(QTextDocument::RedoStack);
}

void RichTextBox::undo()
{
    refuseWhileReading();
    if (plain_)
        plain_->undo();
    else
        rich_->undoOrRedo(false);
}

void RichTextBox::redo()
{
    refuseWhileReading();
    if (plain_)
        plain_->redo();
    else
        rich_->undoOrRedo(true);
}

bool RichTextBox::isUndoAvailable() const
{
    return plain_ ? store_->canUndo() : doc_->isUndoAvailable();
}

bool RichTextBox::isRedoAvailable() const
{
    return plain_ ? store_->canRedo() : doc_->isRedoAvailable();
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
