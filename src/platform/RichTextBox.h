#pragma once

#include "platform/Color.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "platform/ViewZoom.h"
#include "platform/rtf/ParagraphPieces.h"
#include "platform/text/TextStore.h"

#include <QFont>
#include <QPointer>
#include <QTextCursor>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QPrinter;
class QTextCharFormat;
class QTextDocument;
class QTextEdit;

namespace platform {

class StepBudget;

class BackgroundRead;
class EditorViewImpl;
class PlainView;
class RichMatchMarks;

/// The rich-text editor control of a document window. Offsets are 0-based plain-text offsets:
/// Text(), SelText() and every offset agree. Callers use only these operations and events, never
/// the widget inside, so the view can change without touching any window of the program.
class RichTextBox : public QWidget {
    Q_OBJECT
public:
    enum FileType { RichText = 0, PlainText = 1 };
    enum FindOption { WholeWord = 2, MatchCase = 4 };
    enum Alignment { Left = 0, Right = 1, Center = 2 };

    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // Selection and text.
    qsizetype SelStart() const;
    void setSelStart(qsizetype start);
    qsizetype SelLength() const;
    void setSelLength(qsizetype length);
    QString SelText() const;
    /// The selection as Cut and Copy put it on the clipboard: a rich document's pictures leave
    /// nothing behind (their object characters).
    QString clipboardText() const;
    void setSelText(const QString& text);
    QString Text() const;
    qsizetype TextLength() const;
    /// The caret's line (a paragraph of a rich document) and its column in it, both from 0.
    std::pair<qsizetype, qsizetype> caretLineColumn() const;
    /// The 0-based line (paragraph) that holds an offset.
    qsizetype lineOfOffset(qsizetype offset) const;
    /// How many lines (paragraphs of a rich document) the text has; at least 1.
    qsizetype lineCount() const;
    /// Puts the caret at the start of the line (from 0), scrolled into view.
    void goToLine(qsizetype line);
    /// Tab and Shift+Tab over a selection of several lines: each line gains a tab at its start,
    /// or loses one (or up to a tab's width of spaces), as one undo step, the lines staying
    /// selected. False, changing nothing, when the selection lies within one line.
    bool indentSelectedLines(bool outdent);

    // Formats of the selection, or of the next typed text when nothing is selected. A selection
    // of mixed format reads as no value.
    std::optional<bool> SelBold() const;
    std::optional<bool> SelItalic() const;
    std::optional<bool> SelUnderline() const;
    void setSelBold(bool on);
    void setSelItalic(bool on);
    void setSelUnderline(bool on);
    std::optional<int> SelAlignment() const;
    void setSelAlignment(int alignment);

    // What the program sets on the control: these never count as a change by the user.
    void setSelColor(ColorValue color);
    void setBackColor(ColorValue color);
    ColorValue BackColor() const;
    void setFontName(const QString& name);
    QString FontName() const;
    void setFontSize(double points);
    double FontSize() const;

    /// Program source in a plain document coloured by its language (on unless turned off); the
    /// rich view is never coloured.
    void setSyntaxColors(bool on);
    /// The file the document is, for its syntax colours: its extension picks the language. A
    /// name without one (an untitled document) is coloured by its first line.
    void setFileName(const QString& name);

    /// Width in twips; the wrap width in twips (0 or less: wrap at the window's edge).
    double Width() const;
    void setRightMargin(double twips);
    double RightMargin() const;
    /// Tab stops every width characters of the document's font; with spaces, the Tab key types
    /// spaces up to the next stop, and indenting lines indents them by that many spaces.
    void setTabOptions(int width, bool spaces);
    int tabWidth() const { return tabWidth_; }
    /// The blanks (spaces and tabs) a line starts with.
    QString lineIndent(qsizetype line) const;
    bool insertsSpaces() const { return insertSpaces_; }
    /// Line numbers at the left of a plain document (on unless turned off); the rich view has none.
    void setLineNumbersVisible(bool visible);
    bool LineNumbersVisible() const { return lineNumbers_; }
    /// Lines of a plain document run on past the window's edge, which scrolls sideways, instead
    /// of wrapping (wrapping unless turned off); a rich document does the same.
    void setWordWrap(bool on);
    bool WordWrap() const { return wordWrap_; }
    /// How much larger (steps above 0) or smaller (below) the text is shown than its font says:
    /// on screen only, never in the document's font, the saved file or a print. Each step is a
    /// tenth more or less; the steps stop where the font would be shown below 4 or above 72
    /// points. A change of the font keeps the step.
    void setZoom(int step);
    int Zoom() const { return zoom_; }

    /// First match of text at or after start and ending at or before end (-1: the end of the
    /// text); the match is selected. Returns its offset or -1. An empty text finds nothing.
    qsizetype Find(const QString& text, qsizetype start, qsizetype end = -1, int options = 0);
    /// Replace All's work for as long as budget lasts, made inside an EditBlock: the matches of
    /// text from *from on, each looked for behind the one replaced before it, become
    /// replacement, each match a unit of the budget. *from moves behind them; false once no
    /// match is left. A plain document rewrites the matches of a stretch of text at once.
    bool replaceMatches(const QString& text, const QString& replacement, int options, qsizetype* from,
                        StepBudget& budget);

    /// How many matches Find would visit from the top with these options, and how many of them
    /// start before `at`.
    struct MatchTally {
        qsizetype before = 0;
        qsizetype total = 0;
    };
    /// That count as a piece of work to run on any thread, later; it stops early, its result
    /// then of no use, once stop is set. A plain document is counted over a snapshot that later
    /// edits do not change; a rich one is counted here and now.
    std::function<MatchTally(const std::atomic_bool& stop)> matchCounter(const QString& text, int options,
                                                                        qsizetype at) const;
    /// Changes by one (or more) with every change of the text, so that what was worked out from
    /// the text can tell that it no longer holds.
    quint64 textSerial() const { return textSerial_; }
    /// Marks every occurrence of text that is shown, matched as Find matches with these
    /// options, until the next edit; an empty text takes the marks away.
    void setMatchMarks(const QString& text, int options);

    /// Groups every edit made while it lives into one undo step (nested blocks join the outer
    /// one). The document is laid out once, when the block ends; until then the selection is
    /// kept by the box and read back as usual, and the view shows it, with one SelChange, at the
    /// end.
    class EditBlock {
    public:
        /// With joinLast the edits join the undo step of the block that ended last, so work done
        /// in several blocks, with the window painting between them, is still one undo step.
        explicit EditBlock(RichTextBox& box, bool joinLast = false);
        ~EditBlock();
        EditBlock(const EditBlock&) = delete;
        EditBlock& operator=(const EditBlock&) = delete;

    private:
        QPointer<RichTextBox> box_;
        QPointer<QTextDocument> doc_;
        TextStore* store_ = nullptr;
    };

    /// Makes one command one undo step: every edit made while it lives, by the program or by the
    /// keys the command types into the view (and what those keys set off, such as smart tabs),
    /// joins one step, apart from the typing before and after it. Unlike an EditBlock it leaves
    /// the view working between the keys, so keys can be typed into it.
    class CommandStep {
    public:
        explicit CommandStep(RichTextBox& box);
        ~CommandStep();
        CommandStep(const CommandStep&) = delete;
        CommandStep& operator=(const CommandStep&) = delete;

    private:
        QPointer<RichTextBox> box_;
        TextStore* store_ = nullptr;
    };

    /// Takes back the undo step made last (an edit the user cancelled) and leaves nothing to redo.
    void takeBackLastEdit();
    /// Undo and redo one step, as Ctrl+Z and Ctrl+Y do.
    void undo();
    void redo();
    bool isUndoAvailable() const;
    bool isRedoAvailable() const;

    /// Replaces the content: rich text when the file holds RTF, otherwise plain text whose
    /// encoding and line breaks are kept for SaveFile. Throws AppError when the file cannot be read.
    /// With as, the file is read as plain text in that encoding; when it cannot be, the content
    /// stays as it was.
    void LoadFile(const QString& path, const TextFormat* as = nullptr);
    /// Writes the content as rich text (0) or plain text (1) through a temporary file renamed
    /// over the target, so a failed save leaves the old file whole. Throws AppError on failure.
    void SaveFile(const QString& path, int fileType = RichText);

    /// What the rich-text file loaded last held that this document leaves out, so that saving
    /// it would lose it, named in words a user understands (e.g. "embedded objects, footnotes");
    /// empty when nothing. Cleared by the next successful SaveFile.
    QString unkeptContent() const { return unkept_; }

    /// Which format the user gave last (bold, italic, underline, alignment) since the content
    /// was loaded: 0 for none, and a new number for each, so that a caller can tell whether the
    /// formatting changed since it last looked. Colours the program sets do not count.
    quint64 userFormat() const { return userFormat_; }

    /// The file loaded last was deleted by another program while it was being read: what was
    /// read is all there is, and it may be incomplete.
    bool fileVanishedWhileRead() const { return vanishedWhileRead_; }

    /// A big plain file is shown from its first part on while the rest is read beside the
    /// window: until the read ends the text can be looked at, searched, selected and copied,
    /// and every edit is refused (editRefused).
    bool isReading() const { return reading_ != nullptr; }
    /// The read stopped before the file's end (Esc, or a failure told by readProblem()): the
    /// document holds only the start of its file, which it may not be saved over.
    bool isPartialRead() const { return partialRead_; }
    QString readProblem() const { return readProblem_; }
    /// Bytes read so far (0 once the read ended) and the file's size.
    qint64 readBytes() const;
    qint64 readSize() const;
    /// Stops the read, keeping what was read.
    void stopReading();
    /// Raises err::PermissionDenied naming the file while it is being read.
    void refuseWhileReading() const;

    /// The plain-text format SaveFile type 1 writes: that of the file loaded last. Its line break
    /// is the one new lines take; a plain document keeps the style of each line it read.
    TextFormat plainTextFormat() const;
    void setPlainTextFormat(const TextFormat& f);
    /// The user's choice of how the text is written from the next save on: the encoding of f (its
    /// line breaks stay as they are), or one style for every line break. A change is an edit of
    /// the document (Change is raised).
    void chooseEncoding(const TextFormat& f);
    void chooseLineBreak(TextFormat::LineBreak lineBreak);
    /// Whether the line breaks have more than one style.
    bool mixesLineBreaks() const;

    /// Prints the selection, or all text when nothing is selected.
    void SelPrint(QPrinter* printer);

    QWidget* hwnd() const;
    void SetFocus();
    void Refresh();
    bool Visible() const { return isVisible(); }

    /// The rich-text document behind the control, for the rich-text reader and writer; null
    /// while the document is plain (see isRichView).
    QTextDocument* document() const;
    /// A copy of the content as a rich-text document, for a recovery copy: it belongs to no
    /// thread's objects and may be moved to any.
    std::unique_ptr<QTextDocument> richCopy() const;
    /// What writes a plain document as the RTF of richCopy(), from a snapshot of its text and
    /// on any thread, so that no rich copy is made; nothing while the document is rich.
    ByteProducer plainAsRtf() const;
    /// A copy of the rich document made a few paragraphs at a time while the windows paint,
    /// under a progress window showing label past a moment; nothing when the user cancelled.
    std::unique_ptr<QTextDocument> richCopyInSteps(const QString& label) const;
    /// What reads the plain text as it is now, later and on any thread, while editing goes on.
    std::function<QString()> textReader() const;
    /// The text of a plain document as it is now, each line break in its own style, to be read
    /// later and on any thread while editing goes on; null in the rich view.
    std::shared_ptr<const TextStore::Snapshot> plainSnapshot() const;
    /// After a plain document was read back from a copy of its text: how it is written, and the
    /// style breaks typed from now on take, while every break keeps its own.
    void restorePlainTextFormat(const TextFormat& f);
    /// Whether the document is shown by the rich-text view, which lays out formats, alignment
    /// and tables; plain documents are held in a text store whose view lays out only what it
    /// shows. A plain document moves to the rich view when it is given a format.
    bool isRichView() const;

signals:
    /// A character typed (code as the keyboard produces it, control keys 1..26 for Ctrl+A..Z).
    /// Setting it to 0 swallows the key.
    void KeyPress(int& charCode);
    /// A key pressed that reached the control (virtual key code, shift state as for KeyUp); keys
    /// taken by a shortcut never arrive here. Presses of the keyboard's auto-repeat are passed on.
    void KeyDown(int keyCode, int shift);
    /// A key released (virtual key code, shift state: 1 Shift, 2 Ctrl, 4 Alt). Releases that the
    /// keyboard's auto-repeat reports are not passed on.
    void KeyUp(int keyCode, int shift);
    /// A mouse button released (1 left, 2 right, 4 middle), position in twips.
    void MouseUp(int button, int shift, double x, double y);
    /// Exactly once after every caret or selection change, by the user or the program.
    void SelChange();
    /// The text or its formatting was changed by the user (typing, deleting, pasting, formats).
    void Change();
    /// A list of files was dropped on the control.
    void OLEDragDrop(const QStringList& files);
    /// The read beside the window came further.
    void readingProgressed();
    /// The read beside the window ended: whole, stopped, or failed (isPartialRead() tells).
    void readingEnded();
    /// An edit was refused while the file is read.
    void editRefused();

private:
    friend class EditorViewImpl;
    class ProgramChange;
    /// Shows doc (owned by this box from now on) in the rich view.
    void useRich(QTextDocument* doc, PieceJoins joins = {});
    /// Deletes a store no view shows any more; a big one beside the window.
    static void letGo(std::unique_ptr<TextStore> store);
    /// Shows store (owned by this box from now on) in the plain view.
    void usePlain(std::unique_ptr<TextStore> store);
    void placeView(QWidget* view);
    /// Moves a plain document into the rich view, keeping its text and selection.
    bool becomeRich();
    /// Follows an edit of the rich view in readText_: only the characters that changed, so that
    /// a change of format alone leaves every character and break as it was read.
    void followInReadText(int position, int removed, int added);
    /// Whether readText_ still holds what the rich view shows, character for character.
    bool readTextAgrees() const;
    QTextDocument* newDocument();
    /// The rich view's tab stops, in pixels.
    qreal tabStopPixels() const;
    QTextCursor cursor() const;
    /// Where the rich document's long paragraphs are joined from pieces (none in a plain one).
    const PieceJoins& joins() const;
    /// The text from offset from to offset to of the rich document.
    QString richText(qsizetype from, qsizetype to) const;
    /// The first match of text in the rich document from position from on that runs over the
    /// join of two pieces (null when there is none before position before, -1: the end).
    QTextCursor findOverJoins(const QString& text, int from, int before, int options) const;
    /// Moves the caret, the lines up to it laid out first; false when the user cancelled that.
    bool setCursor(const QTextCursor& c);
    /// Selects in the plain view and brings the caret into sight: with centre, from out of
    /// sight to the middle of the window.
    void selectPlain(qsizetype anchor, qsizetype position, bool centre = false);
    void emitSelChangeIfMoved();
    void forceSelChange();
    qsizetype selAnchor() const;
    qsizetype selPosition() const;
    std::optional<bool> selFlag(bool (*test)(const QTextCharFormat&)) const;
    void watchDocument();
    void applyColors();
    void applyTabStop();
    QString spacesToNextTabStop() const;
    qsizetype findPlain(const QString& text, qsizetype start, qsizetype end, int options);
    void mergeSelFormat(const QTextCharFormat& format);
    void noteUserFormat();
    void plainKey(QKeyEvent* e, bool* handled);
    /// Tab or Shift+Tab over several lines, indenting them: true when it did.
    bool indentKey(QKeyEvent* e);
    /// Runs one key's work in the rich view, inside the running command's undo step if any.
    void asPartOfCommand(const std::function<void()>& work);
    qsizetype lineStartOffset(qsizetype line) const;
    void chooseLanguage();
    void applyZoom();
    void applyFont();
    QFont shownFont() const;

    EditorViewImpl* rich_ = nullptr;
    QPointer<RichMatchMarks> richMarks_; ///< made with the first marks of the rich view
    PlainView* plain_ = nullptr;
    std::unique_ptr<TextStore> store_;
    QWidget* viewWidget_ = nullptr;
    QTextDocument* doc_ = nullptr;
    QFont font_;
    std::optional<QColor> baseColor_, textColor_;
    TextFormat plainFormat_;
    /// A plain document in the rich view: its text as read, each break in its own style, with
    /// the rich view's edits followed, which a plain-text save writes (null when not known).
    std::unique_ptr<TextStore> readText_;
    QString unkept_;
    quint64 formatSerial_ = 0;
    quint64 userFormat_ = 0;
    quint64 textSerial_ = 0;
    mutable PieceJoins joins_; ///< of doc_ once asked for, then following its changes
    bool vanishedWhileRead_ = false;
    std::unique_ptr<BackgroundRead> reading_;
    QString readPath_;
    bool partialRead_ = false;
    qint64 readSize_ = 0; ///< of the file being read, or read last
    QString readProblem_;
    /// Reads a big plain file's first part into the view and the rest beside the window.
    void loadInBackground(const QString& path);
    void endReading(int how, const QString& problem, std::shared_ptr<TextStore> replacement);
    /// Goes to the line goToLine was asked for once it has been read (all: once the read ends).
    void goToPendingLine(bool all);
    qsizetype pendingLine_ = -1; ///< asked for before it was read; -1: none
    qsizetype pendingAt_ = 0;    ///< where the caret waits for it
    bool syntaxColors_ = true;
    QString fileName_;
    bool lineNumbers_ = true;
    int tabWidth_ = 8;
    bool insertSpaces_ = false;
    bool wordWrap_ = true;
    int zoom_ = 0;
    RichZoom richZoom_;
    ColorValue backColor_ = kWindowBackground;
    double rightMarginTwips_ = 0;
    int programChange_ = 0;
    int selQuiet_ = 0;
    qsizetype lastAnchor_ = 0;
    qsizetype lastPosition_ = 0;
    int editBlocks_ = 0;
    QTextCursor heldCursor_; // the selection while an EditBlock lives (rich view)
    int commandSteps_ = 0;
    bool commandEdited_ = false; ///< the running command's step holds an edit (rich view)
};

} // namespace platform
