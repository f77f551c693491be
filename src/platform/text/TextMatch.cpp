#include "platform/text/TextMatch.h"

#include <algorithm>

namespace platform {

TextMatcher::TextMatcher(QString text, bool matchCase, bool wholeWord)
    : text_(std::move(text)),
      cs_(matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive),
      wholeWord_(wholeWord),
      spaces_(text_.contains(u' '))
{
}

void TextMatcher::forEach(QStringView chunk, qsizetype chunkStart, qsizetype from, qsizetype to,
                          const std::function<bool(qsizetype)>& found) const
{
    const qsizetype n = text_.size();
    from = std::max(from, chunkStart);
    if (n == 0 || from >= to)
        return;
    QString plain;
    QStringView hay = chunk;
    if (spaces_ && chunk.contains(QChar::Nbsp)) {
        plain = chunk.toString();
        plain.replace(QChar::Nbsp, u' ');
        hay = plain;
    }
    const qsizetype end = chunkStart + chunk.size();
    const auto isWord = [&](qsizetype at) {
        return at >= chunkStart && at < end && chunk.at(at - chunkStart).isLetterOrNumber();
    };
    for (qsizetype i = hay.indexOf(text_, from - chunkStart, cs_); i >= 0 && chunkStart + i < to;
         i = hay.indexOf(text_, i + 1, cs_)) {
        const qsizetype at = chunkStart + i;
        if (wholeWord_ && (isWord(at - 1) || isWord(at + n)))
            continue;
        if (!found(at))
            return;
    }
}

std::vector<std::pair<qsizetype, qsizetype>> TextMatcher::within(const TextStore& store, qsizetype from,
                                                                 qsizetype to) const
{
    std::vector<std::pair<qsizetype, qsizetype>> out;
    const qsizetype n = text_.size(), length = store.length();
    // A match that starts before the range and runs into it shows too.
    const qsizetype first = std::max<qsizetype>(0, from - n + 1);
    const qsizetype last = std::min(to, length - n + 1);
    if (n == 0 || first >= last)
        return out;
    const qsizetype chunkStart = std::max<qsizetype>(0, first - 1);
    const qsizetype chunkEnd = std::min(length, last + n);
    const QString chunk = store.text(chunkStart, chunkEnd - chunkStart);
    forEach(chunk, chunkStart, first, last, [&](qsizetype at) {
        out.emplace_back(at, n);
        return true;
    });
    return out;
}

// The snapshot's pieces pass through a window that keeps, from one piece to the next, what a
// match running on into the next piece and the whole-word test need of the one before.
TextMatcher::Tally TextMatcher::count(const TextStore::Snapshot& snapshot, qsizetype at,
                                      const std::atomic_bool& stop) const
{
    Tally tally;
    const qsizetype n = text_.size(), length = snapshot.length();
    if (n == 0 || length < n)
        return tally;
    QString window;
    qsizetype windowStart = 0, scanFrom = 0, seen = 0;
    snapshot.forEachPiece([&](QStringView piece) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        window.append(piece);
        seen += piece.size();
        const qsizetype windowEnd = windowStart + window.size();
        // Until the end, a match must leave room for the character after it.
        const qsizetype to = seen == length ? windowEnd - n + 1 : windowEnd - n;
        if (to > scanFrom) {
            forEach(window, windowStart, scanFrom, to, [&](qsizetype match) {
                ++tally.total;
                if (match < at)
                    ++tally.before;
                return true;
            });
            scanFrom = to;
        }
        const qsizetype keep = std::max(windowStart, scanFrom - 1);
        window.remove(0, keep - windowStart);
        windowStart = keep;
        return true;
    });
    return tally;
}

} // namespace platform
