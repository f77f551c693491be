#include "platform/rtf/ParagraphPieces.h"

#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextList>
#include <QVariant>
#include <algorithm>

namespace platform {

namespace {

constexpr char kHeldInPieces[] = "heldInPieces";
// The paragraph's own spacing before and after and first-line indent, on each of its pieces
// when any of them is not zero.
constexpr int kParagraphTop = QTextFormat::UserProperty + 0x5411;
constexpr int kParagraphBottom = QTextFormat::UserProperty + 0x5412;
constexpr int kParagraphIndent = QTextFormat::UserProperty + 0x5413;

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Where the piece of text starting at from ends: after the last space in its last quarter, so
// that its short line ends as a wrapped line does, otherwise at kPieceLength, never within a
// character (a surrogate pair, a letter and its marks).
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    const qsizetype end = from + kPieceLength;
    for (qsizetype at = end; at > end - kPieceLength / 4; --at) {
        if (isSpace(text[at - 1]))
            return at;
    }
    qsizetype at = end;
    while (at < text.size() && (text[at].isLowSurrogate() || text[at].isMark()))
        ++at;
    return at;
}

// The spacing a piece shows for its place in its paragraph: the paragraph's own where it begins
// or ends the paragraph, none where it joins another piece.
void placeSpacing(QTextBlockFormat& format, bool joinedBefore, bool joinedAfter)
{
    if (!format.hasProperty(kParagraphTop))
        return;
    format.setTopMargin(joinedBefore ? 0 : format.doubleProperty(kParagraphTop));
    format.setTextIndent(joinedBefore ? 0 : format.doubleProperty(kParagraphIndent));
    format.setBottomMargin(joinedAfter ? 0 : format.doubleProperty(kParagraphBottom));
}

void holdInPieces(QTextDocument& document, const QTextBlock& block)
{
    const QString text = block.text();
    std::vector<qsizetype> cuts;
    for (qsizetype from = 0; text.size() - from > kPieceLength + kPieceLength / 2;) {
        from = pieceEnd(text, from);
        cuts.push_back(from);
    }
    if (cuts.empty())
        return;
    QTextBlockFormat format = block.blockFormat();
    if (format.topMargin() != 0 || format.bottomMargin() != 0 || format.textIndent() != 0) {
        format.setProperty(kParagraphTop, format.topMargin());
        format.setProperty(kParagraphBottom, format.bottomMargin());
        format.setProperty(kParagraphIndent, format.textIndent());
    }
    const QTextFormat::PageBreakFlags breaks = format.pageBreakPolicy();
    const int start = block.position();
    QTextCursor cursor(&document);
    // From the last cut back, so that the earlier ones keep their places.
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        cursor.setPosition(start + int(*it));
        QTextCharFormat join = cursor.charFormat();
        join.setAnchor(false);
        join.clearProperty(QTextFormat::AnchorHref);
        join.setProperty(kJoinsPrevious, true);
        QTextBlockFormat piece = format;
        placeSpacing(piece, true, it != cuts.rbegin());
        piece.setPageBreakPolicy(it == cuts.rbegin() ? breaks & QTextFormat::PageBreak_AlwaysAfter
                                                     : QTextFormat::PageBreak_Auto);
        cursor.insertBlock(piece, join);
    }
    placeSpacing(format, false, true);
    format.setPageBreakPolicy(breaks & QTextFormat::PageBreak_AlwaysBefore);
    cursor.setPosition(start);
    cursor.setBlockFormat(format);
    for (QTextBlock b = document.findBlock(start); b.isValid(); b = b.next()) {
        b.layout()->setCacheEnabled(true);
        if (!joinsNext(b))
            break;
    }
}

} // namespace

bool joinsPrevious(const QTextBlock& block)
{
    if (!block.isValid() || !block.charFormat().boolProperty(kJoinsPrevious))
        return false;
    // Only a block right after another in the same frame continues it.
    const QTextBlock previous = block.previous();
    return previous.isValid() && previous.position() + previous.length() == block.position();
}

bool joinsNext(const QTextBlock& block)
{
    return block.isValid() && joinsPrevious(block.next());
}

QTextBlock firstPiece(QTextBlock block)
{
    while (joinsPrevious(block))
        block = block.previous();
    return block;
}

QTextBlock lastPiece(QTextBlock block)
{
    while (joinsNext(block))
        block = block.next();
    return block;
}

bool holdsPieces(const QTextDocument& document)
{
    return document.property(kHeldInPieces).toBool();
}

void holdLongParagraphsInPieces(QTextDocument& document, const std::vector<QTextBlock>& paragraphs)
{
    std::vector<QTextBlock> longOnes;
    for (const QTextBlock& b : paragraphs) {
        if (b.length() > kPiecedParagraph && !b.textList())
            longOnes.push_back(b);
    }
    if (longOnes.empty())
        return;
    // From the last back: a block's position stays valid while only later ones are cut. In one
    // edit block: a cursor outside one finds its place on the line after each insert, which
    // lays out the whole paragraph it cuts.
    QTextCursor edit(&document);
    edit.beginEditBlock();
    for (auto it = longOnes.rbegin(); it != longOnes.rend(); ++it)
        holdInPieces(document, *it);
    edit.endEditBlock();
    document.setProperty(kHeldInPieces, true);
}

QTextBlockFormat paragraphFormat(const QTextBlock& first, const QTextBlock& last)
{
    QTextBlockFormat format = first.blockFormat();
    if (first == last && !format.hasProperty(kParagraphTop))
        return format;
    const QTextBlockFormat end = last.blockFormat();
    format.setBottomMargin(end.bottomMargin());
    format.setPageBreakPolicy((format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                              | (end.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter));
    placeSpacing(format, false, false);
    for (int p : {kParagraphTop, kParagraphBottom, kParagraphIndent})
        format.clearProperty(p);
    return format;
}

void settlePieces(QTextDocument& document, int from, int to)
{
    if (!holdsPieces(document))
        return;
    QTextBlock b = document.findBlock(from);
    if (b.previous().isValid())
        b = b.previous();
    const QTextBlock last = document.findBlock(to);
    int end = last.next().isValid() ? last.next().position() + last.next().length() : last.position() + last.length();
    QTextCursor cursor(&document);
    bool editing = false;
    const auto edit = [&] {
        if (!editing)
            cursor.joinPreviousEditBlock();
        editing = true;
    };
    while (b.isValid() && b.position() < end) {
        const bool before = joinsPrevious(b);
        const bool after = joinsNext(b);
        if (b.length() == 1 && (before || after)) {
            // An empty piece: the join beside it goes, and the block it merges into is looked at
            // again.
            const int separator = before ? b.position() - 1 : b.position();
            edit();
            cursor.setPosition(separator);
            cursor.deleteChar();
            --end;
            b = document.findBlock(separator);
            continue;
        }
        QTextBlockFormat format = b.blockFormat();
        const QTextBlockFormat was = format;
        placeSpacing(format, before, after);
        if (format != was) {
            edit();
            cursor.setPosition(b.position());
            cursor.setBlockFormat(format);
        }
        // Text typed where a piece was empty took the format of the join before it; a break typed
        // after it would take it again and join what the user parted.
        struct Marked {
            int position, length;
            QTextCharFormat format;
        };
        std::vector<Marked> marked;
        for (auto it = b.begin(); !it.atEnd() && it.fragment().position() <= to; ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() > from && f.charFormat().hasProperty(kJoinsPrevious))
                marked.push_back({f.position(), f.length(), f.charFormat()});
        }
        for (Marked& m : marked) {
            m.format.clearProperty(kJoinsPrevious);
            edit();
            cursor.setPosition(m.position);
            cursor.setPosition(m.position + m.length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(m.format);
        }
        b = b.next();
    }
    if (editing)
        cursor.endEditBlock();
}

PieceJoins::PieceJoins(const QTextDocument& document) : document_(&document), length_(document.characterCount())
{
    if (!holdsPieces(document))
        return;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (joinsPrevious(b))
            separators_.push_back(b.position() - 1);
    }
}

void PieceJoins::follow(const QTextDocument& document, qsizetype position, qsizetype removed, qsizetype added)
{
    if (!holdsPieces(document))
        return;
    if (&document != document_ || length_ + added - removed != document.characterCount()) {
        *this = PieceJoins(document);
        return;
    }
    length_ = document.characterCount();
    numbered_ = false;
    // Joins in what was removed went; those after it moved.
    const auto gone = std::lower_bound(separators_.begin(), separators_.end(), position);
    auto moved = separators_.erase(gone, std::lower_bound(gone, separators_.end(), position + removed));
    for (auto it = moved; it != separators_.end(); ++it)
        *it += added - removed;
    // What was added is looked at again, and the separator right after it, which may now follow
    // a frame's end or no longer.
    const qsizetype last = position + added;
    std::vector<qsizetype> found;
    for (QTextBlock b = document.findBlock(int(position)); b.isValid() && b.position() - 1 <= last; b = b.next()) {
        if (b.position() - 1 >= position && joinsPrevious(b))
            found.push_back(b.position() - 1);
    }
    const auto from = std::lower_bound(separators_.begin(), separators_.end(), position);
    const auto at = separators_.erase(from, std::upper_bound(from, separators_.end(), last));
    separators_.insert(at, found.begin(), found.end());
}

void PieceJoins::numberBlocks() const
{
    if (numbered_)
        return;
    blockNumbers_.clear();
    for (const qsizetype s : separators_)
        blockNumbers_.push_back(document_->findBlock(int(s + 1)).blockNumber());
    numbered_ = true;
}

qsizetype PieceJoins::joinsBefore(qsizetype position) const
{
    return std::lower_bound(separators_.begin(), separators_.end(), position) - separators_.begin();
}

qsizetype PieceJoins::toText(qsizetype position) const
{
    return position - joinsBefore(position);
}

qsizetype PieceJoins::toDocument(qsizetype offset) const
{
    // Join i, at position s, comes after offset s - i of the text; every join at or before the
    // offset lies before its position.
    qsizetype low = 0, high = qsizetype(separators_.size());
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (separators_[mid] - mid <= offset)
            low = mid + 1;
        else
            high = mid;
    }
    return offset + low;
}

qsizetype PieceJoins::paragraphOfBlock(qsizetype blockNumber) const
{
    numberBlocks();
    return blockNumber - (std::upper_bound(blockNumbers_.begin(), blockNumbers_.end(), blockNumber) - blockNumbers_.begin());
}

qsizetype PieceJoins::firstBlockOfParagraph(qsizetype paragraph) const
{
    // The first block whose paragraph is paragraph: paragraphs never go down block by block.
    numberBlocks();
    qsizetype low = paragraph, high = paragraph + qsizetype(blockNumbers_.size());
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (paragraphOfBlock(mid) < paragraph)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

QString PieceJoins::withoutJoins(QString text, qsizetype from) const
{
    auto it = std::lower_bound(separators_.begin(), separators_.end(), from);
    const auto end = std::lower_bound(it, separators_.end(), from + text.size());
    if (it == end)
        return text;
    QString out;
    out.reserve(text.size() - (end - it));
    qsizetype kept = 0;
    for (; it != end; ++it) {
        out += QStringView(text).sliced(kept, *it - from - kept);
        kept = *it - from + 1;
    }
    out += QStringView(text).sliced(kept);
    return out;
}

} // namespace platform
