#pragma once

#include <QTextBlock>
#include <QTextFormat>
#include <vector>

class QTextDocument;

namespace platform {

// Qt lays a paragraph out whole, on the window's thread, after every change to it: a key typed
// into a paragraph of 10 MB costs most of a second. A paragraph read from a file that long is
// therefore held as several blocks of about kPieceLength characters, "pieces", each after the
// first begun by a separator whose character format has kJoinsPrevious. The pieces make one
// paragraph everywhere but on the screen, where each starts a line of its own (a line cut short
// about every hundred lines of a long paragraph, at a space where there is one):
// - writers write a paragraph's pieces as one paragraph, with the first piece's format;
// - the editor control's offsets, text, lines and searches leave the joins out (PieceJoins);
// - the view steps over a join as over nothing, and never leaves a piece empty (settlePieces).
// Spacing before and the first line's indent are shown only on the first piece, spacing after
// only on the last; the paragraph's own values are kept on every piece, so that an edit that
// splits or joins pieces shows and writes them right.

/// Paragraphs this long or longer, read from a file, are held in pieces.
inline constexpr int kPiecedParagraph = 65536;
/// About how long each piece is: a key laid out in a piece this long costs a few milliseconds.
inline constexpr int kPieceLength = 16384;
/// On the character format of a separator that joins the block after it to the one before.
inline constexpr int kJoinsPrevious = QTextFormat::UserProperty + 0x5410;

/// Whether block continues the paragraph of the block before it.
bool joinsPrevious(const QTextBlock& block);
/// Whether the block after block continues block's paragraph.
bool joinsNext(const QTextBlock& block);
/// The first and the last piece of the paragraph block is a piece of.
QTextBlock firstPiece(QTextBlock block);
QTextBlock lastPiece(QTextBlock block);
/// Whether the document holds paragraphs in pieces (set when they were made).
bool holdsPieces(const QTextDocument& document);

/// Holds those of paragraphs (blocks of the document, in its order) that are kPiecedParagraph
/// characters or more and not list items in pieces, each keeping its layout between layouts.
/// Call it before the document's undo is enabled and before it is shown.
void holdLongParagraphsInPieces(QTextDocument& document, const std::vector<QTextBlock>& paragraphs);

/// The format a paragraph whose first piece is first and last piece is last is written with.
QTextBlockFormat paragraphFormat(const QTextBlock& first, const QTextBlock& last);

/// After an edit between positions from and to: removes pieces the edit left empty (a join left
/// beside an empty piece would show an empty line), shows each piece touched with the spacing
/// its place in the paragraph gives it and keeps the mark of a join off the text it put in, in
/// the edit's step of undo.
void settlePieces(QTextDocument& document, int from, int to);

/// Where the joins of a document are, to map the document's positions to the offsets of its
/// text, in which a paragraph is one line whatever its pieces.
class PieceJoins {
public:
    PieceJoins() = default;
    explicit PieceJoins(const QTextDocument& document);

    bool isEmpty() const { return separators_.empty(); }
    /// The document this was made for (null: none).
    const QTextDocument* document() const { return document_; }
    /// Follows a change of the document (as QTextDocument::contentsChange tells it): looks again
    /// only at the blocks the change touched, unless the document's length disagrees.
    void follow(const QTextDocument& document, qsizetype position, qsizetype removed, qsizetype added);
    /// The offset in the text of the document position.
    qsizetype toText(qsizetype position) const;
    /// The document position of a text offset; an offset where pieces join is the next piece's
    /// start.
    qsizetype toDocument(qsizetype offset) const;
    /// The number of joins before the document position.
    qsizetype joinsBefore(qsizetype position) const;
    /// The paragraph (line of the text) of a block number, and the first block of a paragraph.
    qsizetype paragraphOfBlock(qsizetype blockNumber) const;
    qsizetype firstBlockOfParagraph(qsizetype paragraph) const;
    /// text, read from the document from position from, without the joins in it.
    QString withoutJoins(QString text, qsizetype from) const;
    /// Document positions of the join separators, in order.
    const std::vector<qsizetype>& separators() const { return separators_; }

private:
    void numberBlocks() const;

    const QTextDocument* document_ = nullptr;
    qsizetype length_ = 0;                        // the document's, when last looked at
    std::vector<qsizetype> separators_;           // positions of the joining separators
    mutable std::vector<qsizetype> blockNumbers_; // of the blocks they begin
    mutable bool numbered_ = false;
};

} // namespace platform
