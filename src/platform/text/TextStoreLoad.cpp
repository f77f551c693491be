#include "platform/text/TextStore.h"

#include "platform/text/TextStoreLeaves.h"

// Snapshots of the store and the loading of a file's text into it.

namespace platform {

using namespace textstore;

// ---------------------------------------------------------------------------------------------
// Snapshot

bool TextStore::Snapshot::forEachRawPiece(const std::function<bool(QStringView)>& sink) const
{
    // A CR break directly followed by an LF break (an edit removed what stood between them)
    // would read back as one CR LF break: the LF break is written as a CR instead, as a break
    // typed there would be, so the file keeps its lines.
    bool afterCr = false; // the text written so far ends in a CR break
    QString raw, scratch;
    for (const Leaf& leaf : leaves_) {
        if (leaf.text.isEmpty())
            continue;
        const QStringView text = leaf.text.view(&scratch);
        if (lineBreak_ == LineBreak::LF && leaf.unusual.empty()
            && !(afterCr && text.front() == u'\n')) {
            afterCr = false;
            if (!sink(text))
                return false;
            continue;
        }
        raw.clear();
        raw.reserve(text.size() + text.size() / 16);
        auto odd = leaf.unusual.begin();
        qsizetype from = 0;
        for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', from)) {
            raw.append(text.sliced(from, at - from));
            LineBreak kind = lineBreak_;
            if (odd != leaf.unusual.end() && odd->first == at)
                kind = (odd++)->second;
            if (kind == LineBreak::LF && afterCr && at == from)
                kind = LineBreak::CR;
            raw.append(breakText(kind));
            afterCr = kind == LineBreak::CR;
            from = at + 1;
        }
        if (from < text.size())
            afterCr = false;
        raw.append(text.sliced(from));
        if (!sink(raw))
            return false;
    }
    return true;
}

QString TextStore::Snapshot::text() const
{
    QString out;
    out.reserve(length_);
    for (const Leaf& leaf : leaves_)
        leaf.text.appendTo(out, 0, leaf.text.size());
    return out;
}

bool TextStore::Snapshot::forEachPiece(const std::function<bool(QStringView)>& sink) const
{
    QString scratch;
    for (const Leaf& leaf : leaves_) {
        if (!sink(leaf.text.view(&scratch)))
            return false;
    }
    return true;
}

QString TextStore::Snapshot::rawText() const
{
    QString out;
    forEachRawPiece([&](QStringView piece) {
        out.append(piece);
        return true;
    });
    return out;
}

// ---------------------------------------------------------------------------------------------
// Loading

TextStore::TextStore()
{
    setRawText(QStringView(), LineBreak::LF);
}

TextStore::~TextStore() = default;

void TextStore::setRawText(QStringView raw, LineBreak lineBreak)
{
    beginRaw(lineBreak);
    appendRaw(raw);
    finishRaw();
}

void TextStore::setSnapshot(const Snapshot& snapshot)
{
    beginRaw(snapshot.lineBreak_);
    leaves_ = snapshot.leaves_;
    for (const Leaf& leaf : leaves_)
        leafBreaks_.push_back(leaf.text.countBreaks());
    firstBreakSeen_ = true;
    finishRaw();
}

void TextStore::beginRaw(LineBreak lineBreak)
{
    hintLine_ = -1;
    leaves_.clear();
    leafBreaks_.clear();
    lineBreak_ = lineBreak;
    firstBreakSeen_ = false;
    pendingCr_ = false;
    length_ = breaks_ = 0;
}

void TextStore::appendRaw(QStringView raw)
{
    if (raw.isEmpty())
        return;
    qsizetype i = 0;
    if (pendingCr_) {
        pendingCr_ = false;
        if (raw[0] == u'\n') {
            appendBreak(LineBreak::CRLF);
            i = 1;
        } else {
            appendBreak(LineBreak::CR);
        }
    }
    const qsizetype n = raw.size();
    if ((!firstBreakSeen_ || lineBreak_ == LineBreak::LF) && raw.indexOf(u'\r', i) < 0) {
        // Only line feeds, the document's style: taken in leaf-sized runs, breaks counted.
        for (QStringView rest = raw.sliced(i); !rest.isEmpty();) {
            Leaf& leaf = leafWithRoom();
            qsizetype take = std::min(kMaxLeaf - leaf.text.size(), rest.size());
            if (take < rest.size())
                take = std::max<qsizetype>(1, cutNear(rest, take));
            const QStringView run = rest.first(take);
            const qsizetype breaks = countBreaks(run);
            if (breaks > 0 && !firstBreakSeen_) {
                firstBreakSeen_ = true;
                lineBreak_ = LineBreak::LF;
            }
            leaf.text.wide().append(run);
            leafBreaks_.back() += breaks;
            breaks_ += breaks;
            length_ += take;
            rest = rest.sliced(take);
        }
        return;
    }
    qsizetype runStart = i;
    // The next of each break character, found by the library's fast search.
    qsizetype nextLf = raw.indexOf(u'\n', i), nextCr = raw.indexOf(u'\r', i);
    while (nextLf >= 0 || nextCr >= 0) {
        i = nextCr < 0 ? nextLf : nextLf < 0 ? nextCr : std::min(nextLf, nextCr);
        appendRun(raw.sliced(runStart, i - runStart));
        if (i == nextLf) {
            appendBreak(LineBreak::LF);
        } else if (i + 1 < n) {
            if (raw[i + 1] == u'\n') {
                appendBreak(LineBreak::CRLF);
                ++i;
            } else {
                appendBreak(LineBreak::CR);
            }
        } else {
            pendingCr_ = true; // the next piece tells whether a "\n" follows
        }
        runStart = i + 1;
        if (nextLf >= 0 && nextLf < runStart)
            nextLf = raw.indexOf(u'\n', runStart);
        if (nextCr >= 0 && nextCr < runStart)
            nextCr = raw.indexOf(u'\r', runStart);
    }
    if (runStart < n)
        appendRun(raw.sliced(runStart));
}

void TextStore::appendStore(TextStore&& other)
{
    if (other.length_ == 0)
        return;
    if (pendingCr_) {
        pendingCr_ = false;
        appendBreak(LineBreak::CR);
    }
    if (!firstBreakSeen_) {
        lineBreak_ = other.lineBreak_;
        firstBreakSeen_ = other.firstBreakSeen_;
    } else if (other.firstBreakSeen_) {
        other.setTypedLineBreak(lineBreak_); // its breaks were told apart from its own first one
    }
    if (!leaves_.empty() && leaves_.back().text.isEmpty()) {
        leaves_.pop_back();
        leafBreaks_.pop_back();
    }
    const size_t seam = leaves_.size();
    leaves_.insert(leaves_.end(), std::make_move_iterator(other.leaves_.begin()),
                   std::make_move_iterator(other.leaves_.end()));
    leafBreaks_.insert(leafBreaks_.end(), other.leafBreaks_.begin(), other.leafBreaks_.end());
    length_ += other.length_;
    breaks_ += other.breaks_;
    other.beginRaw(LineBreak::LF);
    other.finishRaw();
    if (seam > 0)
        tidyLeaf(seam - 1); // the last leaf of the first part may be small
}

bool TextStore::endsWhole() const
{
    if (pendingCr_)
        return false;
    for (auto leaf = leaves_.rbegin(); leaf != leaves_.rend(); ++leaf) {
        if (!leaf->text.isEmpty())
            return !leaf->text.back().isHighSurrogate();
    }
    return true;
}

void TextStore::appendRead(TextStore&& part)
{
    if (part.length_ == 0)
        return;
    const qsizetype lastLine = breaks_;
    const qsizetype addedBreaks = part.breaks_;
    // The seam may drop the last leaf and join the one before it to its neighbour: the totals are
    // counted again from before them.
    const size_t from = leaves_.size() >= 3 ? leaves_.size() - 3 : 0;
    appendStore(std::move(part));
    if (leaves_.empty()) {
        leaves_.push_back({});
        leafBreaks_.push_back(0);
    }
    recount(std::min(from, leaves_.size() - 1));
    if (lineWatcher_)
        lineWatcher_(lastLine, 1, addedBreaks + 1);
}

void TextStore::finishRaw()
{
    if (pendingCr_) {
        pendingCr_ = false;
        appendBreak(LineBreak::CR);
    }
    if (leaves_.empty()) {
        leaves_.push_back({});
        leafBreaks_.push_back(0);
    }
    leaves_.back().text.narrow();
    recount(0);
    clearUndo();
}

TextStore::Leaf& TextStore::leafWithRoom()
{
    if (leaves_.empty() || leaves_.back().text.size() >= kMaxLeaf) {
        if (!leaves_.empty())
            leaves_.back().text.narrow(); // full: it is held in one byte a character when it can be
        leaves_.push_back({});
        leaves_.back().text.wide().reserve(kMaxLeaf);
        leafBreaks_.push_back(0);
    }
    return leaves_.back();
}

void TextStore::appendRun(QStringView run)
{
    while (!run.isEmpty()) {
        Leaf& leaf = leafWithRoom();
        qsizetype take = std::min(kMaxLeaf - leaf.text.size(), run.size());
        if (take < run.size())
            take = std::max<qsizetype>(1, cutNear(run, take));
        leaf.text.wide().append(run.first(take));
        length_ += take;
        run = run.sliced(take);
    }
}

void TextStore::appendBreak(LineBreak kind)
{
    Leaf& leaf = leafWithRoom();
    if (!firstBreakSeen_) {
        firstBreakSeen_ = true;
        lineBreak_ = kind;
    } else if (kind != lineBreak_) {
        leaf.unusual.emplace_back(int(leaf.text.size()), kind);
    }
    leaf.text.wide().append(u'\n');
    ++leafBreaks_.back();
    ++length_;
    ++breaks_;
}

} // namespace platform
