#include "platform/text/TextStore.h"

#include "platform/text/TextStoreLeaves.h"

#include <algorithm>

// A Replace All of millions of matches, made one change at a time, moves half a leaf twice for
// each match and recounts every leaf behind it. Here the leaves that hold matches are written
// anew once each, the others are moved as they are, and the totals are counted once.

namespace platform {

using namespace textstore;

namespace {

using Unusual = std::vector<std::pair<int, TextFormat::LineBreak>>;

// Builds the new list of leaves: each new leaf joins a small one before it when the two fit.
class LeafBuilder {
public:
    explicit LeafBuilder(size_t expected)
    {
        leaves.reserve(expected);
        breaks.reserve(expected);
    }

    void add(TextStore::Leaf&& leaf, qsizetype leafBreaks)
    {
        if (leaf.text.isEmpty())
            return;
        if (!leaves.empty()) {
            TextStore::Leaf& last = leaves.back();
            const qsizetype joined = last.text.size() + leaf.text.size();
            if ((last.text.size() < kMinLeaf || leaf.text.size() < kMinLeaf) && joined <= kMaxLeaf) {
                const int shift = int(last.text.size());
                last.text.append(leaf.text);
                for (const auto& [at, kind] : leaf.unusual)
                    last.unusual.emplace_back(at + shift, kind);
                breaks.back() += leafBreaks;
                return;
            }
        }
        leaves.push_back(std::move(leaf));
        breaks.push_back(leafBreaks);
    }

    // A rewritten stretch, cut into leaves of a good size.
    void addCut(const QString& text, const Unusual& unusual)
    {
        // Rewritten text is held in one byte a character again where it can be.
        if (text.size() <= kMaxLeaf) {
            TextStore::Leaf leaf{text, unusual};
            leaf.text.narrow();
            add(std::move(leaf), countBreaks(text));
            return;
        }
        std::vector<TextStore::Leaf> parts;
        std::vector<qsizetype> partBreaks;
        cutIntoLeaves(TextStore::Leaf{text, unusual}, &parts, &partBreaks);
        for (size_t k = 0; k < parts.size(); ++k) {
            parts[k].text.narrow();
            add(std::move(parts[k]), partBreaks[k]);
        }
    }

    std::vector<TextStore::Leaf> leaves;
    std::vector<qsizetype> breaks;
};

} // namespace

void TextStore::replaceRanges(const std::vector<qsizetype>& at, qsizetype stride, qsizetype count,
                              qsizetype pieceLength, const Piece& piece, Batch* removed)
{
    if (at.empty())
        return;
    const auto rangeAt = [&](size_t k) { return at[k] + qsizetype(k) * stride; };
    const qsizetype firstLine = lineWatcher_ ? lineOf(rangeAt(0)) : 0;
    const qsizetype lastLine = lineWatcher_ ? lineOf(rangeAt(at.size() - 1) + count) : 0;

    LeafBuilder out(leaves_.size() + 8);
    Unusual pieceOdd;
    size_t k = 0;
    qsizetype leafStart = 0;
    qsizetype delta = 0, lastEnd = 0; // the change in length so far; where the last range ends now
    // Whether a range starting at p starts before end; the end of the text counts as in the last leaf.
    const auto startsBefore = [&](qsizetype p, qsizetype end, size_t next) {
        return p < end || (p == end && next == leaves_.size());
    };
    for (size_t i = 0; i < leaves_.size();) {
        const qsizetype leafEnd = leafStart + leaves_[i].text.size();
        if (k == at.size() || !startsBefore(rangeAt(k), leafEnd, i + 1)) {
            // No range starts here: the leaf is kept as it is.
            leafStart = leafEnd;
            out.add(std::move(leaves_[i]), leafBreaks_[i]);
            ++i;
            continue;
        }
        // The leaves from i on that the ranges starting in them reach, taken as one stretch.
        size_t j = i + 1, r = k;
        qsizetype stretchEnd = leafEnd;
        for (; r < at.size() && startsBefore(rangeAt(r), stretchEnd, j); ++r) {
            while (rangeAt(r) + count > stretchEnd && j < leaves_.size())
                stretchEnd += leaves_[j++].text.size();
        }
        QString joined;
        Unusual odd;
        if (j == i + 1) {
            joined = leaves_[i].text.wide(); // the leaf is rewritten: a narrow one is widened
            odd = leaves_[i].unusual;
        } else {
            joined.reserve(stretchEnd - leafStart);
            for (size_t m = i; m < j; ++m) {
                for (const auto& [p, kind] : leaves_[m].unusual)
                    odd.emplace_back(int(joined.size() + p), kind);
                leaves_[m].text.appendTo(joined, 0, leaves_[m].text.size());
            }
        }
        const QStringView old(joined);

        QString text;
        Unusual textOdd;
        // Exactly: a leaf keeps what it reserves.
        text.reserve(old.size() + qsizetype(r - k) * (pieceLength - count));
        auto oddIn = odd.cbegin();
        qsizetype done = 0; // within the stretch
        const auto copyTo = [&](qsizetype to) {
            for (; oddIn != odd.cend() && oddIn->first < to; ++oddIn)
                textOdd.emplace_back(int(text.size() + oddIn->first - done), oddIn->second);
            text.append(old.sliced(done, to - done));
            done = to;
        };
        for (; k < at.size() && startsBefore(rangeAt(k), stretchEnd, j); ++k) {
            const qsizetype from = rangeAt(k) - leafStart;
            copyTo(from);
            const qsizetype to = std::min(from + count, old.size());
            const QStringView gone = old.sliced(from, to - from);
            // The breaks inside the range leave with it.
            std::vector<std::pair<qsizetype, LineBreak>> goneOdd;
            for (; oddIn != odd.cend() && oddIn->first < to; ++oddIn)
                goneOdd.emplace_back(oddIn->first - from, oddIn->second);
            done = to;
            if (removed) {
                if (k > 0 && removed->alike && (gone != QStringView(removed->removed) || !goneOdd.empty())) {
                    // The first range that held something else: what those before it held, written out.
                    const QString first = removed->removed;
                    for (size_t r = 1; r < k; ++r)
                        removed->removed.append(first);
                    removed->alike = false;
                }
                if (k == 0 || !removed->alike) {
                    for (const auto& [p, kind] : goneOdd)
                        removed->removedUnusual.emplace_back(removed->removed.size() + p, kind);
                    removed->removed.append(gone);
                    if (!goneOdd.empty())
                        removed->alike = false;
                }
            }
            pieceOdd.clear();
            const QStringView instead = piece(k, &pieceOdd);
            for (const auto& [p, kind] : pieceOdd)
                textOdd.emplace_back(int(text.size() + p), kind);
            text.append(instead);
            lastEnd = rangeAt(k) + delta + instead.size();
            delta += instead.size() - gone.size();
        }
        copyTo(old.size());
        out.addCut(text, textOdd);
        leafStart = stretchEnd;
        i = j;
    }
    if (out.leaves.empty())
        out.leaves.emplace_back(), out.breaks.push_back(0);
    leaves_ = std::move(out.leaves);
    leafBreaks_ = std::move(out.breaks);
    recount(0);
    if (lineWatcher_)
        lineWatcher_(firstLine, lastLine - firstLine + 1, lineOf(lastEnd) - firstLine + 1);
}

void TextStore::applyBatch(const Batch& batch, bool forward)
{
    if (forward) {
        replaceRanges(batch.at, 0, batch.count, batch.inserted.size(),
                      [&](size_t, Unusual*) { return QStringView(batch.inserted); }, nullptr);
        return;
    }
    // Back: each range now holds the inserted text, and gets back what it held, breaks and all.
    auto odd = batch.removedUnusual.cbegin();
    replaceRanges(batch.at, batch.shift(), batch.inserted.size(), batch.count,
                  [&](size_t k, Unusual* unusual) {
                      if (batch.alike)
                          return QStringView(batch.removed);
                      const qsizetype from = qsizetype(k) * batch.count;
                      for (; odd != batch.removedUnusual.cend() && odd->first < from + batch.count; ++odd)
                          unusual->emplace_back(int(odd->first - from), odd->second);
                      return QStringView(batch.removed).sliced(from, batch.count);
                  },
                  nullptr);
}

void TextStore::replaceEach(const std::vector<qsizetype>& offsets, qsizetype count, QStringView text)
{
    if (offsets.empty() || (count == 0 && text.isEmpty()))
        return;
    count = std::max<qsizetype>(count, 0);
    auto batch = std::make_shared<Batch>();
    batch->count = count;
    batch->inserted = text.toString();
    for (qsizetype at : offsets) {
        // Ranges that overlap, run back or pass the end are left out rather than cut.
        if (at < 0 || at + count > length_ || (!batch->at.empty() && at < batch->at.back() + count))
            continue;
        batch->at.push_back(at);
    }
    if (batch->at.empty())
        return;
    replaceRanges(batch->at, 0, count, batch->inserted.size(), [&](size_t, Unusual*) { return QStringView(batch->inserted); },
                  batch.get());
    Change change;
    change.offset = batch->at.front();
    change.batch = std::move(batch);
    record(std::move(change), false);
}

bool TextStore::startInParts(bool redo)
{
    std::vector<Step>& from = redo ? redo_ : undo_;
    if (inParts_ || from.empty() || groupDepth_ > 0)
        return false;
    const std::vector<Change>& changes = from.back().changes;
    if (std::none_of(changes.begin(), changes.end(), [](const Change& c) { return bool(c.batch); }))
        return false;
    inParts_ = std::make_unique<InParts>(InParts{std::move(from.back()), redo, 0});
    from.pop_back();
    return true;
}

bool TextStore::applyPart(const std::function<bool()>& more)
{
    if (!inParts_)
        return false;
    InParts& p = *inParts_;
    const size_t n = p.step.changes.size();
    while (p.done < n && more()) {
        apply(p.nth(p.done), p.redo);
        ++p.done;
    }
    return p.done < n;
}

int TextStore::partsDone() const
{
    return inParts_ ? int(1000.0 * double(inParts_->done) / double(std::max<size_t>(1, inParts_->step.changes.size())))
                    : 1000;
}

void TextStore::finishInParts(bool cancelled, qsizetype* where, qsizetype* length)
{
    if (!inParts_)
        return;
    std::unique_ptr<InParts> p = std::move(inParts_);
    if (cancelled) {
        // What was done is made undone, the last first: the text is as before, the step where it was.
        for (size_t k = p->done; k-- > 0;)
            apply(p->nth(k), !p->redo);
        (p->redo ? redo_ : undo_).push_back(std::move(p->step));
        return;
    }
    for (; p->done < p->step.changes.size(); ++p->done)
        apply(p->nth(p->done), p->redo);
    caretAfter(p->step, p->redo, where, length);
    p->step.typing = false;
    (p->redo ? undo_ : redo_).push_back(std::move(p->step));
}

} // namespace platform
