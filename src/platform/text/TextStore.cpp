#include "platform/text/TextStore.h"

#include "platform/text/TextStoreLeaves.h"

#include <QVarLengthArray>

#include <algorithm>

namespace platform {

using namespace textstore;

// ---------------------------------------------------------------------------------------------
// Reading

qsizetype TextStore::lineCount() const
{
    return breaks_ + 1;
}

bool TextStore::hasMixedBreaks() const
{
    return std::any_of(leaves_.begin(), leaves_.end(),
                       [](const Leaf& leaf) { return !leaf.unusual.empty(); });
}

size_t TextStore::leafAt(qsizetype offset, qsizetype* inLeaf) const
{
    offset = std::clamp<qsizetype>(offset, 0, length_);
    const auto valid = validTo_ == SIZE_MAX ? charStart_.end()
                                            : charStart_.begin() + qsizetype(std::min(validTo_ + 1, charStart_.size()));
    auto it = std::upper_bound(charStart_.begin(), valid, offset);
    size_t index = size_t(it - charStart_.begin()) - 1;
    // The end of the text, or of an empty store, is in the last leaf.
    index = std::min(index, leaves_.size() - 1);
    *inLeaf = offset - charStart_[index];
    return index;
}

QChar TextStore::at(qsizetype offset) const
{
    if (offset < 0 || offset >= length_)
        return QChar();
    qsizetype pos = 0;
    const size_t i = leafAt(offset, &pos);
    return leaves_[i].text.at(pos);
}

QString TextStore::text(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, length_);
    count = std::clamp<qsizetype>(count, 0, length_ - from);
    QString out;
    out.reserve(count);
    qsizetype pos = 0;
    for (size_t i = leafAt(from, &pos); count > 0 && i < leaves_.size(); ++i, pos = 0) {
        const qsizetype n = std::min(count, leaves_[i].text.size() - pos);
        leaves_[i].text.appendTo(out, pos, n);
        count -= n;
    }
    return out;
}

qsizetype TextStore::lineOf(qsizetype offset) const
{
    qsizetype pos = 0;
    const size_t i = leafAt(offset, &pos);
    return lineStart_[i] + leaves_[i].text.countBreaks(0, pos);
}

qsizetype TextStore::lineStart(qsizetype line) const
{
    if (line <= 0)
        return 0;
    if (line > breaks_)
        return length_;
    // The leaf holding the line-th break: the last one with fewer breaks before it.
    auto it = std::upper_bound(lineStart_.begin(), lineStart_.end(), line - 1);
    const size_t i = size_t(it - lineStart_.begin()) - 1;
    const LeafText& text = leaves_[i].text;
    // Lines are mostly asked for in order (a view walks down its lines): go on from the last
    // one asked for when it is in the same leaf and before this one.
    qsizetype at = -1, k = line - lineStart_[i];
    if (hintLine_ >= 0 && hintLeaf_ == i && hintLine_ <= line) {
        at = hintAt_;
        k = line - hintLine_;
    }
    for (; k > 0; --k)
        at = text.indexOf(u'\n', at + 1);
    hintLeaf_ = i;
    hintLine_ = line;
    hintAt_ = at;
    return charStart_[i] + at + 1;
}

qsizetype TextStore::lineLength(qsizetype line) const
{
    if (line < 0 || line > breaks_)
        return 0;
    const qsizetype start = lineStart(line);
    const qsizetype end = line == breaks_ ? length_ : lineStart(line + 1) - 1;
    return end - start;
}

QStringView TextStore::lineText(qsizetype line, QString* scratch) const
{
    if (line < 0 || line > breaks_)
        return {};
    // In this order the hint of lineStart moves forward only.
    const qsizetype start = lineStart(line);
    const qsizetype end = line == breaks_ ? length_ : lineStart(line + 1) - 1;
    qsizetype pos = 0;
    const size_t i = leafAt(start, &pos);
    if (pos + (end - start) <= leaves_[i].text.size())
        return leaves_[i].text.view(pos, end - start, scratch);
    *scratch = text(start, end - start);
    return *scratch;
}

qsizetype TextStore::find(QStringView needle, qsizetype from, qsizetype to,
                          Qt::CaseSensitivity cs) const
{
    if (to < 0 || to > length_)
        to = length_;
    from = std::max<qsizetype>(from, 0);
    const qsizetype n = needle.size();
    if (n == 0 || from + n > to)
        return -1;
    if (n > kLongNeedle) {
        const qsizetype at = text(from, to - from).indexOf(needle, 0, cs);
        return at < 0 ? -1 : from + at;
    }
    // A narrow leaf is searched as it is for a needle of Latin-1 letters matched exactly;
    // otherwise it is widened, and the last one widened is kept for the next search, which a
    // search for whole words or a Replace All makes in the same leaf again and again.
    const bool latinNeedle = std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 0x100; });
    QVarLengthArray<char, 256> narrowNeedle;
    if (latinNeedle && cs == Qt::CaseSensitive) {
        for (const QChar c : needle)
            narrowNeedle.append(char(c.unicode()));
    }
    const auto indexIn = [&](size_t i, qsizetype pos) -> qsizetype {
        const LeafText& leaf = leaves_[i].text;
        const QByteArray* bytes = leaf.latin1();
        if (!bytes)
            return leaf.view(nullptr).indexOf(needle, pos, cs); // a wide leaf needs no scratch
        if (cs == Qt::CaseSensitive)
            return latinNeedle ? QByteArrayView(*bytes).indexOf(QByteArrayView(narrowNeedle.data(), n), pos) : -1;
        if (widenedLeaf_ != i) {
            widened_ = QString::fromLatin1(*bytes);
            widenedLeaf_ = i;
        }
        return QStringView(widened_).indexOf(needle, pos, cs);
    };
    qsizetype pos = 0;
    for (size_t i = leafAt(from, &pos); i < leaves_.size(); ++i, pos = 0) {
        const qsizetype base = charStart_[i];
        if (base + pos + n > to)
            return -1;
        const LeafText& leaf = leaves_[i].text;
        qsizetype at = indexIn(i, pos);
        if (at >= 0)
            return base + at + n <= to ? base + at : -1;
        // A match that starts in this leaf's last n - 1 characters and runs on into the next.
        const qsizetype tailStart = std::max(pos, leaf.size() - (n - 1));
        if (i + 1 < leaves_.size() && tailStart < leaf.size()) {
            const QString seam = text(base + tailStart, (leaf.size() - tailStart) + (n - 1));
            at = QStringView(seam).indexOf(needle, 0, cs);
            if (at >= 0 && at < leaf.size() - tailStart)
                return base + tailStart + at + n <= to ? base + tailStart + at : -1;
        }
    }
    return -1;
}

TextStore::Snapshot TextStore::snapshot() const
{
    Snapshot s;
    s.leaves_ = leaves_;
    s.length_ = length_;
    s.lineBreak_ = lineBreak_;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Editing

void TextStore::recount(size_t from)
{
    hintLine_ = -1;
    widenedLeaf_ = SIZE_MAX; // the leaves may have changed
    charStart_.resize(leaves_.size());
    lineStart_.resize(leaves_.size());
    qsizetype chars = from == 0 ? 0 : charStart_[from - 1] + leaves_[from - 1].text.size();
    qsizetype lines = from == 0 ? 0 : lineStart_[from - 1] + leafBreaks_[from - 1];
    if (validTo_ != SIZE_MAX) {
        // Only the leaves a change from the end can still reach: the one it touched and the
        // next two (a leaf it split). The rest are counted once the step is done.
        const size_t to = std::min(leaves_.size(), from + 3);
        for (size_t i = from; i < to; ++i) {
            charStart_[i] = chars;
            lineStart_[i] = lines;
            chars += leaves_[i].text.size();
            lines += leafBreaks_[i];
        }
        validTo_ = to - 1;
        return;
    }
    for (size_t i = from; i < leaves_.size(); ++i) {
        charStart_[i] = chars;
        lineStart_[i] = lines;
        chars += leaves_[i].text.size();
        lines += leafBreaks_[i];
    }
    length_ = chars;
    breaks_ = lines;
}

void textstore::cutIntoLeaves(const TextStore::Leaf& whole, std::vector<TextStore::Leaf>* parts,
                              std::vector<qsizetype>* breaks)
{
    const qsizetype pieces = (whole.text.size() + kMaxLeaf / 2 - 1) / (kMaxLeaf / 2);
    const qsizetype size = (whole.text.size() + pieces - 1) / pieces;
    auto odd = whole.unusual.begin();
    for (qsizetype from = 0; from < whole.text.size();) {
        qsizetype take = std::min(size, whole.text.size() - from);
        if (from + take < whole.text.size())
            take = std::max<qsizetype>(1, cutNear(whole.text, from, take));
        TextStore::Leaf part;
        part.text = whole.text.mid(from, take);
        for (; odd != whole.unusual.end() && odd->first < from + take; ++odd)
            part.unusual.emplace_back(int(odd->first - from), odd->second);
        breaks->push_back(part.text.countBreaks());
        parts->push_back(std::move(part));
        from += take;
    }
}

void TextStore::splitLeaf(size_t index)
{
    if (leaves_[index].text.size() <= kMaxLeaf)
        return;
    std::vector<Leaf> parts;
    std::vector<qsizetype> breaks;
    cutIntoLeaves(leaves_[index], &parts, &breaks);
    leaves_[index] = std::move(parts[0]);
    leafBreaks_[index] = breaks[0];
    leaves_.insert(leaves_.begin() + qsizetype(index) + 1, std::make_move_iterator(parts.begin() + 1),
                   std::make_move_iterator(parts.end()));
    leafBreaks_.insert(leafBreaks_.begin() + qsizetype(index) + 1, breaks.begin() + 1, breaks.end());
}

void TextStore::tidyLeaf(size_t index)
{
    if (leaves_.size() <= 1 || index >= leaves_.size())
        return;
    if (leaves_[index].text.isEmpty()) {
        leaves_.erase(leaves_.begin() + qsizetype(index));
        leafBreaks_.erase(leafBreaks_.begin() + qsizetype(index));
        return;
    }
    if (leaves_[index].text.size() >= kMinLeaf)
        return;
    // Join with the smaller neighbour when the two fit in one leaf.
    size_t left = 0;
    if (index == 0)
        left = 0;
    else if (index + 1 >= leaves_.size())
        left = index - 1;
    else
        left = leaves_[index + 1].text.size() < leaves_[index - 1].text.size() ? index : index - 1;
    if (left + 1 >= leaves_.size()
        || leaves_[left].text.size() + leaves_[left + 1].text.size() > kMaxLeaf)
        return;
    Leaf& a = leaves_[left];
    Leaf& b = leaves_[left + 1];
    const int shift = int(a.text.size());
    a.text.append(b.text);
    for (const auto& [at, kind] : b.unusual)
        a.unusual.emplace_back(at + shift, kind);
    leafBreaks_[left] += leafBreaks_[left + 1];
    leaves_.erase(leaves_.begin() + qsizetype(left) + 1);
    leafBreaks_.erase(leafBreaks_.begin() + qsizetype(left) + 1);
}

void TextStore::insertRaw(qsizetype offset, QStringView text, const Unusual& unusual)
{
    if (text.isEmpty())
        return;
    if (lineWatcher_) {
        const qsizetype line = lineOf(offset);
        const qsizetype breaks = text.count(u'\n');
        insertLeaves(offset, text, unusual);
        lineWatcher_(line, 1, breaks + 1);
        return;
    }
    insertLeaves(offset, text, unusual);
}

void TextStore::insertLeaves(qsizetype offset, QStringView text, const Unusual& unusual)
{
    if (text.size() > kMaxLeaf) {
        insertManyLeaves(offset, text, unusual);
        return;
    }
    qsizetype pos = 0;
    const size_t i = leafAt(offset, &pos);
    Leaf& leaf = leaves_[i];
    leaf.text.wide().insert(pos, text);
    for (auto& odd : leaf.unusual) {
        if (odd.first >= pos)
            odd.first += int(text.size());
    }
    if (!unusual.empty()) {
        for (const auto& [at, kind] : unusual)
            leaf.unusual.emplace_back(int(pos + at), kind);
        std::sort(leaf.unusual.begin(), leaf.unusual.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    leafBreaks_[i] += countBreaks(text);
    splitLeaf(i);
    recount(i);
}

// Inserted into one leaf and then split, a gigabyte (the undo of a key typed over Select All)
// would be copied three times over and held twice; cut at once, it is copied once.
void TextStore::insertManyLeaves(qsizetype offset, QStringView text, const Unusual& unusual)
{
    Unusual odds = unusual;
    std::sort(odds.begin(), odds.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto odd = odds.cbegin();
    std::vector<Leaf> parts;
    std::vector<qsizetype> breaks;
    parts.reserve(size_t(text.size() / kMaxLeaf + 2));
    for (qsizetype from = 0; from < text.size();) {
        qsizetype take = std::min(kMaxLeaf, text.size() - from);
        if (from + take < text.size())
            take = std::max<qsizetype>(1, cutNear(text.sliced(from), take));
        Leaf part;
        part.text = text.sliced(from, take).toString();
        part.text.narrow();
        for (; odd != odds.cend() && odd->first < from + take; ++odd)
            part.unusual.emplace_back(int(odd->first - from), odd->second);
        breaks.push_back(part.text.countBreaks());
        parts.push_back(std::move(part));
        from += take;
    }
    spliceLeaves(offset, std::move(parts), std::move(breaks));
}

void TextStore::spliceLeaves(qsizetype offset, std::vector<Leaf> parts, std::vector<qsizetype> breaks)
{
    qsizetype pos = 0;
    const size_t i = leafAt(offset, &pos);
    Leaf& head = leaves_[i];
    Leaf tail;
    tail.text = head.text.mid(pos, head.text.size() - pos);
    head.text = head.text.mid(0, pos);
    Unusual kept;
    for (const auto& odd : head.unusual) {
        if (odd.first < pos)
            kept.push_back(odd);
        else
            tail.unusual.emplace_back(int(odd.first - pos), odd.second);
    }
    head.unusual = std::move(kept);
    leafBreaks_[i] = head.text.countBreaks();
    if (!tail.text.isEmpty()) {
        breaks.push_back(tail.text.countBreaks());
        parts.push_back(std::move(tail));
    }
    const size_t after = parts.size();
    leaves_.insert(leaves_.begin() + qsizetype(i) + 1, std::make_move_iterator(parts.begin()),
                   std::make_move_iterator(parts.end()));
    leafBreaks_.insert(leafBreaks_.begin() + qsizetype(i) + 1, breaks.begin(), breaks.end());
    // The cut leaf's two ends may be small now: the far one first, so the near one keeps its place.
    tidyLeaf(i + after);
    tidyLeaf(i);
    recount(i > 0 ? i - 1 : 0);
}

std::shared_ptr<const TextStore::RemovedLeaves> TextStore::leavesOf(qsizetype offset, qsizetype count) const
{
    auto out = std::make_shared<RemovedLeaves>();
    out->length = count;
    qsizetype pos = 0;
    for (size_t i = leafAt(offset, &pos); count > 0 && i < leaves_.size(); ++i, pos = 0) {
        const Leaf& leaf = leaves_[i];
        const qsizetype n = std::min(count, leaf.text.size() - pos);
        count -= n;
        if (n == leaf.text.size()) {
            out->leaves.push_back(leaf);
            out->breaks.push_back(leafBreaks_[i]);
            continue;
        }
        Leaf part;
        part.text = leaf.text.mid(pos, n);
        for (const auto& [at, kind] : leaf.unusual) {
            if (at >= pos && at < pos + n)
                part.unusual.emplace_back(int(at - pos), kind);
        }
        out->breaks.push_back(part.text.countBreaks());
        out->leaves.push_back(std::move(part));
    }
    return out;
}

void TextStore::removeRaw(qsizetype offset, qsizetype count, Unusual* removed)
{
    if (count <= 0)
        return;
    if (lineWatcher_) {
        const qsizetype line = lineOf(offset);
        const qsizetype removedLines = lineOf(offset + count) - line + 1;
        removeLeaves(offset, count, removed);
        lineWatcher_(line, removedLines, 1);
        return;
    }
    removeLeaves(offset, count, removed);
}

void TextStore::removeLeaves(qsizetype offset, qsizetype count, Unusual* removed)
{
    qsizetype pos = 0;
    const size_t first = leafAt(offset, &pos);
    size_t i = first;
    qsizetype done = 0;
    while (done < count && i < leaves_.size()) {
        Leaf& leaf = leaves_[i];
        const qsizetype n = std::min(count - done, leaf.text.size() - pos);
        if (n > 0) {
            leafBreaks_[i] -= n == leaf.text.size() ? leafBreaks_[i] : leaf.text.countBreaks(pos, n);
            Unusual kept;
            for (const auto& odd : leaf.unusual) {
                if (odd.first < pos)
                    kept.push_back(odd);
                else if (odd.first >= pos + n)
                    kept.emplace_back(int(odd.first - n), odd.second);
                else if (removed)
                    removed->emplace_back(int(done + odd.first - pos), odd.second);
            }
            leaf.unusual = std::move(kept);
            if (n == leaf.text.size())
                leaf.text = LeafText();
            else
                leaf.text.wide().remove(pos, n);
            done += n;
        }
        ++i;
        pos = 0;
    }
    // Emptied leaves go; a small first or last one joins a neighbour.
    size_t last = i - 1;
    for (size_t k = last; k > first; --k) {
        if (leaves_[k].text.isEmpty()) {
            leaves_.erase(leaves_.begin() + qsizetype(k));
            leafBreaks_.erase(leafBreaks_.begin() + qsizetype(k));
            --last;
        }
    }
    if (last > first)
        tidyLeaf(last);
    tidyLeaf(first);
    recount(first > 0 ? first - 1 : 0);
}

void TextStore::apply(const Change& change, bool forward)
{
    if (change.batch) {
        applyBatch(*change.batch, forward);
        return;
    }
    if (forward) {
        removeRaw(change.offset, change.removedSize(), nullptr);
        insertRaw(change.offset, change.inserted, {});
        return;
    }
    removeRaw(change.offset, change.inserted.size(), nullptr);
    if (!change.removedLeaves) {
        insertRaw(change.offset, change.removed, change.removedUnusual);
        return;
    }
    const RemovedLeaves& gone = *change.removedLeaves;
    if (gone.leaves.empty())
        return;
    const qsizetype line = lineWatcher_ ? lineOf(change.offset) : 0;
    spliceLeaves(change.offset, gone.leaves, gone.breaks);
    if (lineWatcher_) {
        qsizetype breaks = 0;
        for (qsizetype b : gone.breaks)
            breaks += b;
        lineWatcher_(line, 1, breaks + 1);
    }
}

void TextStore::record(Change change, bool typed)
{
    redo_.clear();
    if (groupOpen_ && !undo_.empty()) {
        undo_.back().changes.push_back(std::move(change));
        return;
    }
    if (typed && !change.batch && change.removedSize() == 0 && !undo_.empty() && undo_.back().typing) {
        Change& last = undo_.back().changes.back();
        if (last.offset + last.inserted.size() == change.offset) {
            last.inserted += change.inserted;
            return;
        }
    }
    Step step;
    step.typing = typed && change.removedSize() == 0;
    step.changes.push_back(std::move(change));
    undo_.push_back(std::move(step));
}

void TextStore::replace(qsizetype offset, qsizetype count, QStringView text)
{
    offset = std::clamp<qsizetype>(offset, 0, length_);
    count = std::clamp<qsizetype>(count, 0, length_ - offset);
    if (count == 0 && text.isEmpty())
        return;
    Change change;
    change.offset = offset;
    // A Replace All makes millions of changes of the same two texts: they share one copy, made
    // once, so that its undo holds little more than where each change is.
    const Change* last = groupOpen_ && !undo_.empty() && !undo_.back().changes.empty()
                             ? &undo_.back().changes.back() : nullptr;
    if (last && last->inserted == text)
        change.inserted = last->inserted;
    else
        change.inserted = text.toString();
    if (count >= kShareRemoved) {
        // Select All and a key: the leaves go to the undo step as they are.
        change.removedLeaves = leavesOf(offset, count);
        removeRaw(offset, count, nullptr);
    } else {
        change.removed = this->text(offset, count);
        if (last && last->removed == change.removed)
            change.removed = last->removed;
        removeRaw(offset, count, &change.removedUnusual);
    }
    insertRaw(offset, text, {});
    record(std::move(change), false);
}

void TextStore::insert(qsizetype offset, QStringView text, bool typed)
{
    offset = std::clamp<qsizetype>(offset, 0, length_);
    if (text.isEmpty())
        return;
    insertRaw(offset, text, {});
    record(Change{offset, text.toString(), QString(), {}, {}, {}}, typed);
}

void TextStore::remove(qsizetype offset, qsizetype count)
{
    replace(offset, count, QStringView());
}

void TextStore::beginGroup(bool joinLast)
{
    if (groupDepth_++ == 0) {
        if (joinLast && !undo_.empty())
            undo_.back().typing = false;
        else
            undo_.push_back(Step{});
        groupOpen_ = true;
    }
}

void TextStore::setLineBreak(LineBreak lineBreak)
{
    if (lineBreak == lineBreak_)
        return;
    for (Leaf& leaf : leaves_) {
        std::erase_if(leaf.unusual, [&](const auto& odd) { return odd.second == lineBreak; });
    }
    lineBreak_ = lineBreak;
}

void TextStore::setEveryLineBreak(LineBreak lineBreak)
{
    for (Leaf& leaf : leaves_)
        leaf.unusual.clear();
    lineBreak_ = lineBreak;
}

void TextStore::setTypedLineBreak(LineBreak lineBreak)
{
    if (lineBreak == lineBreak_)
        return;
    for (Leaf& leaf : leaves_) {
        Unusual unusual;
        auto odd = leaf.unusual.cbegin();
        for (qsizetype at = leaf.text.indexOf(u'\n'); at >= 0; at = leaf.text.indexOf(u'\n', at + 1)) {
            LineBreak kind = lineBreak_;
            if (odd != leaf.unusual.cend() && odd->first == at)
                kind = (odd++)->second;
            if (kind != lineBreak)
                unusual.emplace_back(int(at), kind);
        }
        leaf.unusual = std::move(unusual);
    }
    lineBreak_ = lineBreak;
}

bool TextStore::mixesLineBreaks() const
{
    return std::any_of(leaves_.begin(), leaves_.end(), [](const Leaf& leaf) { return !leaf.unusual.empty(); });
}

void TextStore::endGroup()
{
    if (groupDepth_ == 0 || --groupDepth_ > 0)
        return;
    groupOpen_ = false;
    if (!undo_.empty() && undo_.back().changes.empty())
        undo_.pop_back();
}

bool TextStore::applyFromTheEnd(const Step& step, bool forward)
{
    // Where each change stands in the text the step starts from: going back, the changes after
    // it are undone before it; going forward, they are made before it, at their places in the
    // text before the step, which its own change does not move.
    std::vector<qsizetype> at(step.changes.size());
    qsizetype shift = 0, end = 0;
    for (size_t i = 0; i < step.changes.size(); ++i) {
        const Change& c = step.changes[i];
        if (c.batch)
            return false; // rewrites its leaves whole, and wants the totals right
        at[i] = forward ? c.offset - shift : c.offset;
        if (c.offset < end)
            return false;
        end = c.offset + c.inserted.size();
        shift += c.inserted.size() - c.removedSize();
    }
    validTo_ = leaves_.size() - 1;
    for (size_t i = step.changes.size(); i-- > 0;) {
        Change change = step.changes[i];
        change.offset = at[i];
        apply(change, forward);
    }
    validTo_ = SIZE_MAX;
    recount(0);
    return true;
}

bool TextStore::undo(qsizetype* where, qsizetype* length)
{
    if (undo_.empty() || groupDepth_ > 0)
        return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    if (step.changes.size() < kManyChanges || !applyFromTheEnd(step, false)) {
        for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it)
            apply(*it, false);
    }
    caretAfter(step, false, where, length);
    step.typing = false;
    redo_.push_back(std::move(step));
    return true;
}

bool TextStore::redo(qsizetype* where, qsizetype* length)
{
    if (redo_.empty() || groupDepth_ > 0)
        return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    if (step.changes.size() < kManyChanges || !applyFromTheEnd(step, true)) {
        for (const Change& change : step.changes)
            apply(change, true);
    }
    caretAfter(step, true, where, length);
    undo_.push_back(std::move(step));
    return true;
}

void TextStore::caretAfter(const Step& step, bool redone, qsizetype* where, qsizetype* length)
{
    // Undone: the first change's text as it was; redone: the last change's new text.
    if (where)
        *where = redone ? step.changes.back().lastAt() : step.changes.front().firstAt();
    if (length)
        *length = redone ? step.changes.back().lastInserted() : step.changes.front().firstRemoved();
}

void TextStore::clearUndo()
{
    inParts_.reset();
    undo_.clear();
    redo_.clear();
    groupDepth_ = 0;
    groupOpen_ = false;
}

qsizetype TextStore::heldBytes() const
{
    qsizetype bytes = 0;
    for (const Leaf& leaf : leaves_)
        bytes += leaf.text.size() * (leaf.text.isNarrow() ? 1 : 2);
    return bytes;
}

bool TextStore::isConsistent() const
{
    if (leaves_.empty() || charStart_.size() != leaves_.size() || leafBreaks_.size() != leaves_.size())
        return false;
    qsizetype chars = 0, lines = 0;
    for (size_t i = 0; i < leaves_.size(); ++i) {
        const Leaf& leaf = leaves_[i];
        if (charStart_[i] != chars || lineStart_[i] != lines)
            return false;
        if (leaf.text.size() > kMaxLeaf || (leaf.text.isEmpty() && leaves_.size() > 1))
            return false;
        if (leaf.text.countBreaks() != leafBreaks_[i])
            return false;
        int previous = -1;
        for (const auto& [at, kind] : leaf.unusual) {
            if (at <= previous || at >= leaf.text.size() || leaf.text.at(at) != u'\n'
                || kind == lineBreak_)
                return false;
            previous = at;
        }
        chars += leaf.text.size();
        lines += leafBreaks_[i];
    }
    return chars == length_ && lines == breaks_;
}

} // namespace platform
