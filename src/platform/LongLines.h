#pragma once

#include <QStringView>
#include <QTextFormat>

class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace platform {

// A very long line is shown as several blocks ("pieces") of a few thousand characters, so that
// an edit in it lays out one piece instead of megabytes. A block that carries kContinuesLine
// continues the line of the block before it: the text has no line break there, and every
// offset, Text(), Find and save of the editor control leave that boundary out.

/// The block-format property that marks a piece continuing the line before it.
inline constexpr int kContinuesLine = QTextFormat::UserProperty + 0x51;
/// Lines longer than this are split into pieces when they enter a document.
inline constexpr qsizetype kLongLine = 8192;
/// The length of a piece (a little shorter when it ends at a space).
inline constexpr qsizetype kPieceLength = 4096;

bool continuesLine(const QTextBlock& block);

/// Inserts plain text ('\n' between lines) at the cursor in place of its selection: line breaks
/// start blocks in the block format the cursor has (without the piece mark), and lines longer
/// than kLongLine are split into pieces. Returns true when it made a piece.
bool insertPlainText(QTextCursor& cursor, QStringView text);

/// Where the piece that starts at from ends, taking no more than kPieceLength characters of
/// text[from, to): at a space when one is near the end, never inside a surrogate pair.
qsizetype pieceEnd(QStringView text, qsizetype from, qsizetype to);

/// Splits every block of the document longer than kLongLine into pieces where it stands, keeping
/// its formats; the text is unchanged. For documents read whole (rich text), whose view lays out
/// a paragraph with no place to break a line in time that grows with the square of its length.
/// Returns true when it made a piece.
bool splitLongBlocks(QTextDocument& document);

/// Joins every piece to the block before it, so the document holds each line in one block
/// (for printing and for views that lay out lines whole).
void joinPieces(QTextDocument& document);

} // namespace platform
