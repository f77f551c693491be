#include "platform/LongLines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace platform {

bool continuesLine(const QTextBlock& block)
{
    return block.isValid() && block.blockFormat().boolProperty(kContinuesLine);
}

qsizetype pieceEnd(QStringView text, qsizetype from, qsizetype to)
{
    if (to - from <= kPieceLength)
        return to;
    qsizetype end = from + kPieceLength;
    // Prefer to end just after a space among the last characters, so the break looks like a wrap.
    for (qsizetype i = end - 1; i > end - 256; --i) {
        if (text[i] == u' ' || text[i] == u'\t')
            return i + 1;
    }
    if (text[end - 1].isHighSurrogate() && text[end].isLowSurrogate())
        --end;
    return end;
}

bool insertPlainText(QTextCursor& cursor, QStringView text)
{
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    QTextBlockFormat lineFormat = cursor.blockFormat();
    lineFormat.clearProperty(kContinuesLine);
    QTextBlockFormat pieceFormat = lineFormat;
    pieceFormat.setProperty(kContinuesLine, true);
    // Runs of ordinary lines go in with one insert; a break typed into a piece would take the
    // piece's mark with it, so breaks there, and after a split line, get the line format.
    bool inPiece = continuesLine(cursor.block());
    bool madePiece = false;
    qsizetype batchStart = 0;
    const auto flush = [&](qsizetype to) {
        if (to > batchStart)
            cursor.insertText(text.sliced(batchStart, to - batchStart).toString());
    };
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (true) {
        qsizetype lineEnd = text.indexOf(u'\n', pos);
        if (lineEnd < 0)
            lineEnd = n;
        if (lineEnd - pos > kLongLine || inPiece) {
            flush(pos);
            for (qsizetype from = pos; from < lineEnd;) {
                const qsizetype to = pieceEnd(text, from, lineEnd);
                cursor.insertText(text.sliced(from, to - from).toString());
                if (to < lineEnd) {
                    cursor.insertBlock(pieceFormat);
                    madePiece = true;
                }
                from = to;
            }
            if (lineEnd < n)
                cursor.insertBlock(lineFormat);
            inPiece = false;
            batchStart = lineEnd + 1;
        }
        if (lineEnd >= n)
            break;
        pos = lineEnd + 1;
    }
    flush(n);
    cursor.endEditBlock();
    return madePiece;
}

bool splitLongBlocks(QTextDocument& document)
{
    bool made = false;
    QTextCursor c(&document);
    c.beginEditBlock();
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.length() - 1 <= kLongLine)
            continue;
        const QString text = b.text();
        const int base = b.position();
        // The paragraph's space before and first-line indent go with its first piece, its space
        // after with its last, so the pieces read as the one paragraph they are.
        QTextBlockFormat first = b.blockFormat();
        QTextBlockFormat pieceFormat = first;
        pieceFormat.setProperty(kContinuesLine, true);
        pieceFormat.clearProperty(QTextFormat::BlockTopMargin);
        pieceFormat.clearProperty(QTextFormat::TextIndent);
        pieceFormat.clearProperty(QTextFormat::PageBreakPolicy);
        QTextBlockFormat last = pieceFormat;
        pieceFormat.clearProperty(QTextFormat::BlockBottomMargin);
        first.clearProperty(QTextFormat::BlockBottomMargin);
        c.setPosition(base);
        c.setBlockFormat(first);
        // Each break added moves the rest of the block on by one.
        qsizetype added = 0;
        for (qsizetype from = 0, to; from < text.size(); from = to) {
            to = pieceEnd(text, from, text.size());
            if (to == text.size())
                break;
            c.setPosition(base + int(to + added));
            c.insertBlock(pieceFormat, c.charFormat());
            ++added;
        }
        c.setBlockFormat(last);
        b = c.block();
        made = true;
    }
    c.endEditBlock();
    return made;
}

void joinPieces(QTextDocument& document)
{
    std::vector<int> separators;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (continuesLine(b))
            separators.push_back(b.position() - 1);
    }
    if (separators.empty())
        return;
    QTextCursor c(&document);
    c.beginEditBlock();
    for (auto it = separators.rbegin(); it != separators.rend(); ++it) {
        c.setPosition(*it);
        c.deleteChar();
    }
    c.endEditBlock();
}

} // namespace platform
