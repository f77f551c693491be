// A plain document given formats keeps its text as read beside the rich view: a plain-text save
// then writes every character and line break it read (U+2028, U+2029, each break's own style),
// which the rich document cannot tell apart from the breaks between its blocks.
#include "platform/RichTextBox.h"

#include "platform/text/TextStore.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace platform {

namespace {

// The rich document's separators of blocks and frames, each standing for one character of the
// plain text.
bool separatesBlocks(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x2029 || u == 0xFDD0 || u == 0xFDD1;
}

// Whether the rich document's character shows the plain text's one unchanged.
bool shows(QChar rich, QChar plain)
{
    return rich == plain || (separatesBlocks(rich) && (plain == u'\n' || separatesBlocks(plain)));
}

} // namespace

void RichTextBox::followInReadText(int position, int removed, int added)
{
    if (!readText_ || !doc_ || (removed == 0 && added == 0))
        return;
    // The document reports its closing separator in some changes: counted from what is left.
    const qsizetype length = std::max(0, doc_->characterCount() - 1);
    const qsizetype now = std::clamp<qsizetype>(added, 0, std::max<qsizetype>(0, length - position));
    const qsizetype before = readText_->length() - (length - now);
    if (position < 0 || position > length || before < 0 || position + before > readText_->length()) {
        readText_.reset(); // lost track: a save writes what the rich view shows
        return;
    }
    QTextCursor c(doc_);
    c.setPosition(position);
    c.setPosition(int(position + now), QTextCursor::KeepAnchor);
    const QString shown = c.selectedText();
    const QString read = readText_->text(position, before);
    if (shown.size() != now) {
        readText_.reset();
        return;
    }
    // A change of format reports its whole range: only what differs is replaced.
    qsizetype head = 0;
    while (head < now && head < before && shows(shown[head], read[head]))
        ++head;
    qsizetype tail = 0;
    while (tail < now - head && tail < before - head
           && shows(shown[now - 1 - tail], read[before - 1 - tail]))
        ++tail;
    if (head == now && head == before)
        return;
    QString inserted = shown.mid(head, now - head - tail);
    for (QChar& ch : inserted) {
        if (separatesBlocks(ch) || ch == QChar(0x2028))
            ch = u'\n'; // a break typed in the rich view takes the document's style
    }
    readText_->replace(position + head, before - head - tail, inserted);
    readText_->clearUndo();
}

bool RichTextBox::readTextAgrees() const
{
    if (!readText_ || !doc_)
        return false;
    const QString shown = doc_->toRawText();
    if (shown.size() != readText_->length())
        return false;
    qsizetype at = 0;
    return readText_->snapshot().forEachPiece([&](QStringView piece) {
        for (const QChar c : piece) {
            if (!shows(shown[at++], c))
                return false;
        }
        return true;
    });
}

} // namespace platform
