#pragma once

#include <QStringView>
#include <QTextOption>

class QTextCursor;
class QTextDocument;
class QTextEdit;

namespace platform {

// A rich paragraph typed or pasted is one block, however long (one read from a file is held in
// pieces: see ParagraphPieces.h). QTextEdit, wrapping at word boundaries, lays out a run with no
// place to break a line in time that grows with the square of the run's length (each line looks
// for a word end up to the end of the run before it falls back to breaking anywhere): a 1 MB run
// takes about a minute. Wrapping anywhere lays out any run in time linear in its length, but
// breaks words, so a view wraps anywhere only while its document holds a long unbreakable run.
// Long paragraphs also keep their layout between layouts (QTextLayout::setCacheEnabled): without
// it every paint and caret move shapes the whole paragraph again.
//
// A document is never laid out at a width, wrapping at word boundaries, while it holds a long
// run: showWithWrap sets the wrap before the view lays the document out, and
// chooseWrapBeforeInsert before an insert that makes such a run.

/// Runs of this many characters or more with no place to break a line make a view wrap anywhere;
/// shorter ones cost at most a few milliseconds each wrapped at word boundaries.
inline constexpr qsizetype kLongRun = 8192;

/// The wrap of a view whose document holds no long unbreakable run.
inline constexpr QTextOption::WrapMode kWordWrap = QTextOption::WrapAtWordBoundaryOrAnywhere;

/// Whether text holds kLongRun characters in a row with no line-break opportunity between them
/// (as the text layout finds them: after spaces, between ideographs, after hyphens...).
bool hasLongUnbreakableRun(QStringView text);
/// Whether a paragraph of the document does. Reads only paragraphs at least kLongRun long, so
/// ordinary documents are answered in a walk over their paragraphs.
bool hasLongUnbreakableRun(const QTextDocument& document);

/// Readies a document for a view on any thread, once its text is in: chooses its wrap, keeps the
/// layout of its long paragraphs, shows the longest unshaped (see showLongParagraphsUnshaped),
/// holds them in pieces (see holdLongParagraphsInPieces) and takes the view's tabStop (pixels;
/// 0 keeps its own), so that showing it costs the window no walk
/// over its paragraphs (a million in a long table), and leaves it without a page until a view
/// gives it one. Call it before the document's undo is enabled.
void chooseWrapAhead(QTextDocument& document, qreal tabStop = 0);

/// Paragraphs of this many characters or more are shown unshaped: see showLongParagraphsUnshaped.
inline constexpr int kUnshapedParagraph = 65536;

/// Shows each paragraph of kUnshapedParagraph characters or more with its letters side by side,
/// without kerning or ligatures (scripts that cannot be shown without shaping keep it). The text
/// layout shapes a paragraph whole after every change to it, and shaping is half of what a key
/// typed into a long paragraph costs. Files are written as before: the font's rendering choice is
/// not saved. Call it before the document's undo is enabled: it is no edit of the user's.
void showLongParagraphsUnshaped(QTextDocument& document);

/// The same for the paragraphs from position from to position to, after an insert there: called
/// within the insert's edit block, it goes with the insert as one step of undo.
void showLongParagraphsUnshaped(QTextDocument& document, int from, int to);

/// Shows document in view (use it in place of view.setDocument) with the wrap the document
/// needs: the view wraps anywhere when the document holds a long unbreakable run, otherwise at
/// word boundaries. The view's tab stops go with it.
void showWithWrap(QTextEdit& view, QTextDocument& document);

/// Chooses the wrap again for the document the view shows, after an edit that may have made or
/// removed a long run (a large insert or removal), and keeps the layout of long paragraphs.
void chooseWrapFor(QTextEdit& view);

/// Before text replaces the selection of at (a cursor in the view's document): switches the view
/// to wrap anywhere when the paragraph the insert makes would hold a long unbreakable run, so that
/// the insert's own layout is linear. Reads at most 2 * kLongRun characters around the selection.
void chooseWrapBeforeInsert(QTextEdit& view, const QTextCursor& at, QStringView text);

} // namespace platform
