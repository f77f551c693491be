#pragma once

#include "platform/text/LineLayouts.h"
#include "platform/text/Lexer.h"
#include "platform/text/TextMatch.h"
#include "platform/text/TextStore.h"
#include "platform/text/ViewPainter.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>
#include <memory>
#include <vector>

class QMimeData;

namespace platform {

namespace syntax {
class SyntaxHighlighter;
}

/// The editing view of a plain document: it shows a TextStore, laying out only the lines it
/// shows (LineLayouts) and painting them (ViewPainter). Every line wraps at the window's edge or
/// at a set width; a line of any length wraps as if laid out whole, and costs no more to show or
/// edit than a screenful of short ones. With wrapping turned off each line is one row, and the
/// window scrolls sideways.
///
/// All edits of the store go through the view (the user's keys, mouse and input methods, and the
/// program's replace()), so that its layouts, caret and scroll position follow them.
class PlainView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PlainView(TextStore& store, QWidget* parent = nullptr);
    ~PlainView() override;

    TextStore& store() const { return *store_; }
    /// Shows another store (the view does not own it), from its start.
    void setStore(TextStore& store);

    qsizetype anchor() const { return anchor_; }
    qsizetype position() const { return position_; }
    qsizetype selectionStart() const { return std::min(anchor_, position_); }
    qsizetype selectionEnd() const { return std::max(anchor_, position_); }
    bool hasSelection() const { return anchor_ != position_; }
    QString selectedText() const;
    /// Moves the caret to position, selecting from anchor; both are clamped to the text.
    void setSelection(qsizetype anchor, qsizetype position);

    /// Replaces count characters at offset with text ('\n' for a line break) as one undo step,
    /// or as part of the running typing step when typed. The selection follows the edit: it ends
    /// up empty behind the new text when it touched the replaced range.
    void replace(qsizetype offset, qsizetype count, QStringView text, bool typed = false);
    /// Replaces count characters at each of offsets (ascending and apart) with text, as one
    /// change of the open undo step (a Replace All), and puts the caret behind the last.
    void replaceEach(const std::vector<qsizetype>& offsets, qsizetype count, QStringView text);
    /// Replaces the selection with text and puts the caret behind it.
    void replaceSelection(QStringView text, bool typed = false);
    /// The store was filled anew: layouts, caret and scroll position start over.
    void reset();
    /// Appends the next part of a file still being read (see TextStore::appendRead): the caret,
    /// the selection and what is shown stay, and nothing is added to undo.
    void appendRead(TextStore&& part);
    /// The last part has been appended (or none will be).
    void appendingEnded();
    /// While set, the view shows its text and lets it be selected and copied, but refuses every
    /// edit, emitting editRefused instead.
    void setReadOnly(bool on) { readOnly_ = on; }
    bool isReadOnly() const { return readOnly_; }

    /// Undo and redo. A step of much work goes in parts while a progress window offers Cancel,
    /// unless at once is asked for (the work is itself being cancelled).
    void undo(bool atOnce = false);
    void redo();
    void copy() const;
    void cut();
    void paste();

    /// Tab stops every this many characters (the width of a space in the view's font).
    void setTabWidth(int characters);
    int tabWidth() const { return tabWidth_; }
    /// Wrap at this width in pixels; 0 or less: at the window's edge.
    void setWrapWidth(int pixels);
    /// Lines wrap (on unless turned off), or run on past the window's edge, which then scrolls
    /// sideways to follow the caret.
    void setWordWrap(bool on);
    bool wordWrap() const { return wrap_; }
    /// Each line's number at the left of its first row (on unless turned off).
    void setLineNumbersVisible(bool visible);
    bool lineNumbersVisible() const { return lineNumbers_; }
    /// Colours the text as language (None: plain). The colours are the view's alone: the store's
    /// text never holds them.
    void setLanguage(syntax::LanguageId language);
    syntax::LanguageId language() const;
    /// The formats a line's first stretch is shown with (its syntax colours), laying it out.
    QList<QTextLayout::FormatRange> lineFormats(qsizetype line) const;
    /// The bracket beside the caret and its partner, as marked ({-1, -1}: none).
    std::pair<qsizetype, qsizetype> matchedBrackets() const;
    bool overwriteMode() const { return overwrite_; }
    void ensureCaretVisible();
    /// The same, but a caret out of sight comes to the middle of the window, not to its edge,
    /// so that what surrounds it shows too (a match found by a search).
    void ensureCaretVisibleCentred();

    /// Marks every occurrence of what matcher looks for in the rows shown, in a colour of its
    /// own, until the next edit (an empty matcher marks nothing). Only the rows shown are ever
    /// searched for them, so marks cost the same in a text of any size.
    void setMatchMarks(const TextMatcher& matcher);
    /// The marks in the rows now shown, as (offset, length), in order.
    std::vector<std::pair<qsizetype, qsizetype>> shownMatchMarks() const;

    /// The caret's rectangle in viewport coordinates (empty when it is not on screen).
    QRect caretRect() const;
    /// The offset nearest a point of the viewport.
    qsizetype offsetAt(QPoint viewportPoint) const;
    /// The rectangle of the character at offset in viewport coordinates (empty when not shown).
    QRect characterRect(qsizetype offset) const;

signals:
    /// After every change of the caret or the selection.
    void selectionMoved();
    /// After every edit of the store made through the view.
    void edited(qsizetype offset, qsizetype removed, qsizetype added);
    /// An edit was asked for while the view is read-only.
    void editRefused();
    /// A key reached the view; setting handled to true keeps the view from acting on it.
    void keyArrived(QKeyEvent* event, bool* handled);
    void keyReleased(QKeyEvent* event);
    void mouseReleased(QMouseEvent* event);
    /// Files were dropped on the view.
    void filesDropped(const QStringList& files);
    /// The wheel was turned with Ctrl held: steps up to enlarge the text, down to shrink it.
    void zoomWheeled(int steps);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool event(QEvent* e) override;

private:
    void undoOrRedo(bool redo, bool atOnce);
    using Row = LineLayouts::Row;

    Row topRow() const;
    int visibleRows() const;
    int wrapPixels() const;
    int textLeft() const;
    void updateGutter();
    void applyTabStop();
    void setTop(qsizetype offset);
    qsizetype maxTop() const;
    void updateScrollBar();
    void scrollToCaretSideways();
    void scrollByRows(int action);
    void scrollToCaret(bool centre);
    qsizetype shownEnd() const;
    void moveCaret(qsizetype to, bool select, bool keepGoal = false);
    void changed(qsizetype offset, qsizetype removed, qsizetype added);
    void dropLayouts();
    qsizetype wordStart(qsizetype from) const;
    qsizetype wordEnd(qsizetype from) const;
    qsizetype nextCharacter(qsizetype from) const;
    qsizetype previousCharacter(qsizetype from) const;
    void restartBlink();
    void selectionToX11();
    void insertFromMime(const QMimeData* mime, qsizetype at);
    bool navigate(QKeyEvent* e);
    void watchStore();
    QList<QTextLayout::FormatRange> formatsOf(qsizetype line, qsizetype from, qsizetype length) const;
    quint64 formatKey(qsizetype line, qsizetype from, qsizetype length) const;
    std::vector<syntax::Token> tokensOf(qsizetype line, qsizetype from, qsizetype to) const;
    void syntaxEdited(qsizetype firstLine, qsizetype removedLines, qsizetype addedLines);
    void fillSyntax();

    TextStore* store_;
    qsizetype anchor_ = 0;
    qsizetype position_ = 0;
    qsizetype top_ = 0;        ///< the offset where the top display line starts
    mutable qsizetype maxTop_ = -1; ///< see maxTop(); -1 until known
    mutable qsizetype maxTopLineStart_ = 0; ///< the start of the line maxTop_ lies in
    qreal goalX_ = -1;         ///< where Up and Down aim, while they repeat
    int wrapWidth_ = 0;
    int tabWidth_ = 8;
    bool wrap_ = true;
    int wheelRest_ = 0; ///< what a fine wheel turned short of a zoom step
    bool lineNumbers_ = true;
    int gutter_ = 0; ///< the line numbers' width
    bool overwrite_ = false;
    bool readOnly_ = false;
    bool caretShown_ = true;
    QBasicTimer blink_;
    QBasicTimer autoScroll_;
    LineLayouts layouts_;
    /// Shared only with the store's line watcher, which must do nothing once the view is gone.
    std::shared_ptr<syntax::SyntaxHighlighter> syntax_;
    QBasicTimer syntaxFill_;
    /// The tokens of a window of one long line: its stretches, its bracket search and the check
    /// after each edit all need them, and each lexing of a long line starts at the line's start.
    struct LongLineTokens {
        qsizetype line = -1;
        qsizetype from = 0, to = 0;
        bool known = false; ///< the line's state was known when they were found
        std::vector<syntax::Token> tokens;
    };
    mutable LongLineTokens longTokens_;
    mutable qsizetype bracketsAt_ = -1; ///< the caret brackets_ were found for; -1: none yet
    mutable std::pair<qsizetype, qsizetype> brackets_{-1, -1};
    TextMatcher marks_;
    ViewPainter painter_;
    // Mouse state.
    QPoint pressPoint_;
    bool pressInSelection_ = false;
    bool selecting_ = false;
    int clickCount_ = 0;
    qsizetype wordAnchorFrom_ = 0, wordAnchorTo_ = 0;
    QBasicTimer tripleClick_;
    qsizetype dropCaret_ = -1;
    QString preedit_;
    int preeditCursor_ = 0;
};

} // namespace platform
