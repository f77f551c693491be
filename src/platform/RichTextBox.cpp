#include "platform/RichTextBox.h"

#include "platform/AppError.h"
#include "platform/KeyCodes.h"
#include "platform/Twips.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSaveFile>
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

[[noreturn]] void raiseFileError(const QString& path, QFileDevice::FileError error,
                                 const QString& reason, bool writing)
{
    const QFileInfo info(path);
    if (!writing && !info.exists())
        raise(err::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    if (!writing && info.isDir())
        raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    if (writing && !info.absoluteDir().exists())
        raise(err::PathNotFound, QStringLiteral("Path not found: %1").arg(info.absolutePath()));
    if (error == QFileDevice::PermissionsError)
        raise(err::PermissionDenied, QStringLiteral("Permission denied: %1").arg(path));
    if (error == QFileDevice::ResourceError)
        raise(err::DiskFull, QStringLiteral("Disk full: %1 (%2)").arg(path, reason));
    raise(err::PathFileAccess, QStringLiteral("Path/File access error: %1 (%2)").arg(path, reason));
}

} // namespace

/// What the box needs of its view, whichever widget shows the document.
class EditorView {
public:
    virtual ~EditorView() = default;
    virtual QWidget* widget() = 0;
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
            // Shift+Enter and Ctrl+Enter start a new line like Enter, never a soft break.
            QKeyEvent plain(QEvent::KeyPress, e->key(), e->modifiers() & Qt::KeypadModifier,
                            QStringLiteral("\r"), e->isAutoRepeat());
            Base::keyPressEvent(&plain);
            e->setAccepted(plain.isAccepted());
            return;
        }
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

    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        return !source->hasUrls() && source->hasText();
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (!source->hasUrls() && source->hasText())
            Base::textCursor().insertText(source->text());
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

void RichTextBox::useView(bool rich, QTextDocument* doc)
{
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
    doc_ = doc;
    connect(doc_, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (programChange_ == 0 && (removed != 0 || added != 0))
            Q_EMIT Change();
    });
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
    return document()->characterCount() - 1;
}

qsizetype RichTextBox::SelStart() const
{
    return cursor().selectionStart();
}

void RichTextBox::setSelStart(qsizetype start)
{
    if (start < 0)
        invalidValue();
    QTextCursor c = cursor();
    c.setPosition(int(std::min(start, TextLength())));
    setCursor(c);
}

qsizetype RichTextBox::SelLength() const
{
    const QTextCursor c = cursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::setSelLength(qsizetype length)
{
    if (length < 0)
        invalidValue();
    QTextCursor c = cursor();
    const qsizetype start = c.selectionStart();
    c.setPosition(int(start));
    c.setPosition(int(std::min(start + length, TextLength())), QTextCursor::KeepAnchor);
    setCursor(c);
}

QString RichTextBox::SelText() const
{
    QString s = cursor().selectedText();
    toPlainOffsets(s);
    return s;
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor c = cursor();
    ++selQuiet_;
    c.insertText(text);
    --selQuiet_;
    setCursor(c);
}

QString RichTextBox::Text() const
{
    QString s = document()->toRawText();
    toPlainOffsets(s);
    return s;
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
    cursor().mergeBlockFormat(f);
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

// While the document's edit block is open its layout is stale: the view must not be asked to
// show a cursor in it (it would read lines that are gone), so the box holds the selection itself.
RichTextBox::EditBlock::EditBlock(RichTextBox& box) : box_(&box), doc_(box.document())
{
    if (box.editBlocks_++ == 0)
        box.heldCursor_ = box.view_->textCursor();
    QTextCursor(doc_).beginEditBlock();
}

RichTextBox::EditBlock::~EditBlock()
{
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
    QFile file(path);
    if (QFileInfo(path).isDir())
        raiseFileError(path, QFileDevice::OpenError, QString(), false);
    if (!file.open(QIODevice::ReadOnly))
        raiseFileError(path, file.error(), file.errorString(), false);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raiseFileError(path, file.error(), file.errorString(), false);
    file.close();

    {
        ProgramChange quiet(*this);
        const bool rich = rtf::RtfReader::looksLikeRtf(bytes.left(16));
        if (rich != isRichView())
            useView(rich, newDocument(rich));
        QTextDocument* doc = document();
        if (rich) {
            doc->setUndoRedoEnabled(false);
            rtf::RtfReader::read(bytes, *doc);
            doc->setUndoRedoEnabled(true);
        } else {
            DecodedText decoded = decodeText(bytes);
            plainFormat_ = decoded.format;
            doc->setPlainText(decoded.text);
        }
        doc->setModified(false);
        view_->setTextCursor(QTextCursor(doc));
    }
    forceSelChange();
}

void RichTextBox::SaveFile(const QString& path, int fileType)
{
    QByteArray bytes;
    if (fileType == RichText)
        bytes = rtf::RtfWriter::write(*document());
    else if (fileType == PlainText)
        bytes = encodeText(Text(), plainFormat_);
    else
        invalidValue();

    if (QFileInfo(path).isDir())
        platform::raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        raiseFileError(path, file.error(), file.errorString(), true);
    if (file.write(bytes) != bytes.size()) {
        const auto error = file.error();
        const QString reason = file.errorString();
        file.cancelWriting();
        raiseFileError(path, error, reason, true);
    }
    if (!file.commit())
        raiseFileError(path, file.error(), file.errorString(), true);
    document()->setModified(false);
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
        part.print(printer);
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
