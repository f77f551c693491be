#pragma once

// The parts of the editor control that its source files share: the guard for the program's own
// changes, the rich-text view, and the small conversions around them. Not for use elsewhere.

#include "platform/RichTextBox.h"

#include "platform/RichLayoutPacer.h"
#include "platform/RichMatchMarks.h"
#include "platform/RichRepaint.h"

#include "platform/AppError.h"
#include "platform/BackgroundRead.h"
#include "platform/DocumentFiles.h"
#include "platform/KeyCodes.h"
#include "platform/Twips.h"
#include "platform/rtf/LongRuns.h"
#include "platform/rtf/KeptMarkers.h"
#include "platform/rtf/ParagraphPieces.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/text/PlainView.h"
#include "platform/text/TextFiles.h"
#include "platform/text/TextStore.h"
#include "platform/text/languages/LanguageChoice.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPrinter>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <memory>
#include <optional>
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

namespace richtextbox {

// Offsets of the rich document map one to one onto the plain text: every block, frame and line
// separator is one character, shown as a line break.
inline void toPlainOffsets(QString& s)
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

// While it lives, cursors placed in doc leave the lines up to them as they are: Qt lays out every
// line before a cursor placed outside an edit block, which far into a long document not yet laid
// out freezes the window. The view then lays them out in steps before the caret goes there.
class CursorsWithoutLayout {
public:
    explicit CursorsWithoutLayout(QTextDocument* doc) : block_(doc) { block_.beginEditBlock(); }
    ~CursorsWithoutLayout() { block_.endEditBlock(); }
    CursorsWithoutLayout(const CursorsWithoutLayout&) = delete;
    CursorsWithoutLayout& operator=(const CursorsWithoutLayout&) = delete;

private:
    QTextCursor block_;
};

[[noreturn]] inline void invalidValue()
{
    raise(err::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

// The character code a key press reports (control keys 1..26 for Ctrl+A..Z), or 0.
inline int characterCode(const QKeyEvent* e)
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

inline int mouseButton(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

// Text as the plain document takes it: CR LF is one line break, and a lone '\r' is one too, as
// Ctrl+V and the rich view take them.
inline QString asPlainInsert(const QString& text)
{
    if (!text.contains(u'\r'))
        return text;
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

/// A rich document holding text, its lines as paragraphs, in the given font and colour.
std::unique_ptr<QTextDocument> richFromText(const QString& text, const QFont& font,
                                            const std::optional<QColor>& color,
                                            const std::function<bool(int)>& progress = {});

} // namespace richtextbox

using namespace richtextbox;


/// The rich-text view over a QTextEdit: it reports keys, mouse releases and file drops to its box
/// and never inserts dropped files or rich clipboard content.
class EditorViewImpl final : public QTextEdit {
public:
    /// A view of an empty document until show() gives it one, so that its font, tab stops and
    /// size are set before a long document is laid out: each change lays it all out again.
    explicit EditorViewImpl(RichTextBox& box) : QTextEdit(&box), box_(box)
    {
        setTabChangesFocus(false);
        setAcceptRichText(false);
        QObject::connect(this, &QTextEdit::cursorPositionChanged, &box, &RichTextBox::emitSelChangeIfMoved);
        QObject::connect(this, &QTextEdit::selectionChanged, &box, &RichTextBox::emitSelChangeIfMoved);
        rtf::keepTypingOutOfFieldEnds(*this);
        repaint_ = new RichRepaint(*this);
    }

    /// Shows doc with the wrap it needs.
    void show(QTextDocument* doc)
    {
        // A document opened as the program starts comes to a view not yet shown, as narrow as a
        // new widget: a paragraph of some megabytes would be wrapped there into millions of
        // lines, for minutes. The window's size is a closer guess; once shown, the view lays the
        // document out again at its own.
        if (!isVisible()) {
            const QSize guess = window()->size().expandedTo(size());
            resize(guess);
            viewport()->resize(guess); // a hidden view places its viewport only once shown
        }
        // A scroll bar that comes or goes narrows or widens the page, and the whole document is
        // laid out again: a long one needs it from the start.
        const Qt::ScrollBarPolicy bar = verticalScrollBarPolicy();
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        showWithWrap(*this, *doc);
        applyWrapWidth();
        setVerticalScrollBarPolicy(bar);
        pacer_ = std::make_unique<RichLayoutPacer>(*doc);
        // Where an edit of a paragraph held in pieces went, for settlePieces after it.
        QObject::disconnect(editWatch_);
        edited_ = {-1, -1};
        if (holdsPieces(*doc)) {
            editWatch_ = QObject::connect(doc, &QTextDocument::contentsChange, this, [this](int at, int, int added) {
                edited_.first = edited_.first < 0 ? at : std::min(edited_.first, at);
                edited_.second = std::max(edited_.second, at + added);
            });
        }
    }

    /// Whether the lines up to position are laid out, so that going there costs nothing.
    bool isLaidOutTo(int position) { return !pacer_ || pacer_->isLaidOutTo(position); }

    /// Lays the document out up to position before the caret goes there, with progress once that
    /// takes a moment; false when the user cancelled.
    bool layOutTo(int position)
    {
        return !pacer_ || pacer_->layOutTo(position, window(), QStringLiteral("Laying out the document up to the caret's new place..."));
    }

    /// Undoes (or redoes) the last edit; the caret goes to its end once the lines before it are
    /// laid out. An undone Select All and key puts a whole document back, which Qt would lay out
    /// at once to put the caret after it, and again for a selection the view's caret was dragged
    /// across.
    void undoOrRedo(bool redo)
    {
        QTextDocument* doc = document();
        QTextCursor to;
        {
            CursorsWithoutLayout unlaid(doc);
            if (redo)
                doc->redo(&to);
            else
                doc->undo(&to);
        }
        const QTextCursor dragged = textCursor();
        // Any move of a caret repaints where it was, laying out every line before it. Near what
        // is laid out (an undone format or word) that is a few paragraphs; further, the view
        // starts again with its caret at the top instead, and the zoom, which that takes away,
        // is set again.
        constexpr int kNearChars = 4000;
        if (!isLaidOutTo(std::max(0, std::max(dragged.anchor(), dragged.position()) - kNearChars))) {
            QTextDocument blank;
            setDocument(&blank);
            setDocument(doc);
            box_.applyZoom();
        }
        if (!to.isNull())
            box_.setCursor(to);
        edited_ = {-1, -1}; // what is undone or redone was settled when it was made
    }

    void setWrapWidth(int pixels)
    {
        wrapPixels_ = pixels;
        applyWrapWidth();
    }

    void setNoWrap(bool noWrap)
    {
        noWrap_ = noWrap;
        applyWrapWidth();
    }

    /// Replaces the selection of c with text, the view's wrap chosen for what the text makes.
    void insert(QTextCursor& c, const QString& text)
    {
        const int removed = c.selectionEnd() - c.selectionStart();
        chooseWrapBeforeInsert(*this, c, text);
        // Text that makes a paragraph long enough is shown unshaped, as a long one read from a
        // file is, in the same step of undo.
        const int start = c.selectionStart();
        QTextDocument& doc = *c.document();
        edited_ = {-1, -1};
        if (doc.findBlock(start).length() + text.size() + doc.findBlock(c.selectionEnd()).length()
            <= kUnshapedParagraph) {
            c.insertText(text);
        } else {
            c.beginEditBlock();
            c.insertText(text);
            showLongParagraphsUnshaped(doc, start, c.position());
            c.endEditBlock();
        }
        settleEdit();
        if (text.size() > kLongRun || removed > kLongRun)
            chooseWrapFor(*this);
        applyWrapWidth();
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        box_.asPartOfCommand([&] {
            repaint_->aroundKey([&] {
                edited_ = {-1, -1};
                pressKey(e);
                settleEdit();
            });
        });
    }

    // Text an input method puts in or takes away is settled as a key's is.
    void inputMethodEvent(QInputMethodEvent* e) override
    {
        edited_ = {-1, -1};
        QTextEdit::inputMethodEvent(e);
        settleEdit();
    }

    void keyReleaseEvent(QKeyEvent* e) override
    {
        QTextEdit::keyReleaseEvent(e);
        if (e->isAutoRepeat())
            return;
        if (const int vk = virtualKeyCode(e->key()))
            box_.asPartOfCommand([&] { Q_EMIT box_.KeyUp(vk, shiftState(e->modifiers())); });
    }

private:
    void pressKey(QKeyEvent* e)
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
        if (box_.indentKey(e)) {
            e->accept();
            return;
        }
        const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
        if (ctrl && e->key() == Qt::Key_I) {
            // Ctrl+I is the tab character on this control, typed like the Tab key.
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
            QTextEdit::keyPressEvent(&tab);
            e->setAccepted(tab.isAccepted());
            return;
        }
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            // Shift+Enter and Ctrl+Enter start a new line like Enter, never a soft break.
            QKeyEvent plain(QEvent::KeyPress, e->key(), e->modifiers() & Qt::KeypadModifier,
                            QStringLiteral("\r"), e->isAutoRepeat());
            QTextEdit::keyPressEvent(&plain);
            e->setAccepted(plain.isAccepted());
            return;
        }
        if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) {
            undoOrRedo(e->matches(QKeySequence::Redo));
            e->accept();
            return;
        }
        // Keys that take the caret to the end of the document wait for the lines before it.
        if ((e->matches(QKeySequence::MoveToEndOfDocument) || e->matches(QKeySequence::SelectEndOfDocument)
             || e->matches(QKeySequence::SelectAll))
            && !layOutTo(document()->characterCount() - 1)) {
            e->accept();
            return;
        }
        stepOverJoin(e);
        QTextEdit::keyPressEvent(e);
    }

protected:

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QTextEdit::mouseReleaseEvent(e);
        const int button = mouseButton(e->button());
        if (button == 0)
            return;
        const QPoint p = viewport()->mapTo(&box_, e->position().toPoint());
        Q_EMIT box_.MouseUp(button, shiftState(e->modifiers()), toTwips(p.x()), toTwips(p.y()));
    }

    // The document window shows its own pop-up menu on the button's release.
    void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }

    // QTextEdit's own Ctrl+wheel zoom enlarges the document's default font, which is saved.
    void wheelEvent(QWheelEvent* e) override
    {
        if (!e->modifiers().testFlag(Qt::ControlModifier)) {
            QTextEdit::wheelEvent(e);
            return;
        }
        if (const int steps = wheelSteps(wheelRest_, e->angleDelta().y()))
            box_.setZoom(box_.Zoom() + steps);
        e->accept();
    }

    QMimeData* createMimeDataFromSelection() const override
    {
        auto* data = new QMimeData;
        data->setText(box_.clipboardText());
        return data;
    }

    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        return !source->hasUrls() && source->hasText();
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (!source->hasUrls() && source->hasText()) {
            QTextCursor c = textCursor();
            insert(c, source->text());
            setTextCursor(c);
        }
    }

    void dragEnterEvent(QDragEnterEvent* e) override
    {
        if (e->mimeData()->hasUrls()) {
            e->acceptProposedAction();
            return;
        }
        QTextEdit::dragEnterEvent(e);
    }

    void dragMoveEvent(QDragMoveEvent* e) override
    {
        if (e->mimeData()->hasUrls()) {
            e->acceptProposedAction();
            return;
        }
        QTextEdit::dragMoveEvent(e);
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
        edited_ = {-1, -1};
        QTextEdit::dropEvent(e);
        settleEdit();
    }

private:
    // A paragraph held in pieces: no edit leaves a piece empty, and each piece shows its spacing.
    void settleEdit()
    {
        if (edited_.first < 0)
            return;
        const int last = document()->characterCount() - 1;
        const auto [from, to] = edited_;
        settlePieces(*document(), std::min(from, last), std::min(to, last));
        edited_ = {-1, -1};
    }

    // Steps over the join of two pieces before a key that moves or deletes across it, as over
    // nothing: the caret's place there is the same place in the text either side.
    void stepOverJoin(const QKeyEvent* e)
    {
        const bool back = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Left;
        const bool forward = e->key() == Qt::Key_Delete || e->key() == Qt::Key_Right;
        if ((!back && !forward) || !holdsPieces(*document()))
            return;
        QTextCursor c = textCursor();
        const bool selecting = e->modifiers().testFlag(Qt::ShiftModifier)
                               && (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right);
        if (c.hasSelection() && !selecting)
            return; // the key acts on the selection
        const QTextBlock block = c.block();
        if (block.textDirection() != Qt::LeftToRight)
            return;
        const int at = c.position();
        const auto mode = selecting ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        if (back && at == block.position() && joinsPrevious(block))
            c.setPosition(at - 1, mode);
        else if (forward && at == block.position() + block.length() - 1 && joinsNext(block))
            c.setPosition(at + 1, mode);
        else
            return;
        setTextCursor(c);
    }

    // A fixed width lays a paragraph with a long unbreakable run out in time that grows without
    // bound (a 1 MB run never finishes); such a document wraps at the window's edge instead.
    void applyWrapWidth()
    {
        if (noWrap_) {
            if (lineWrapMode() != QTextEdit::NoWrap)
                setLineWrapMode(QTextEdit::NoWrap);
            return;
        }
        if (wrapPixels_ <= 0 || wordWrapMode() == QTextOption::WrapAnywhere) {
            if (lineWrapMode() != QTextEdit::WidgetWidth)
                setLineWrapMode(QTextEdit::WidgetWidth);
        } else if (lineWrapMode() != QTextEdit::FixedPixelWidth || lineWrapColumnOrWidth() != wrapPixels_) {
            setLineWrapMode(QTextEdit::FixedPixelWidth);
            setLineWrapColumnOrWidth(wrapPixels_);
        }
    }

    RichTextBox& box_;
    std::unique_ptr<RichLayoutPacer> pacer_;
    RichRepaint* repaint_ = nullptr; // a child of the view
    int wrapPixels_ = 0;
    bool noWrap_ = false;
    int wheelRest_ = 0;
    QMetaObject::Connection editWatch_;
    std::pair<int, int> edited_{-1, -1}; // what the edit under way changed; -1: nothing
};

} // namespace platform
