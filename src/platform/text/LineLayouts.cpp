#include "platform/text/LineLayouts.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

namespace platform {

namespace {

// A line longer than this is laid out in stretches, each from about this many characters.
constexpr qsizetype kStretch = 1024;
// Beyond this many characters a row is cut, wide enough or not.
constexpr qsizetype kLongestRow = 64 * kStretch;
// The stretches of a long line are worked out this many characters at a time.
constexpr qsizetype kBlock = 64 * 1024;
// The last block is about this long: what the window shows when scrolled to the end.
constexpr qsizetype kEndBlock = 8 * kStretch;
// A block starts after a space when one is this near its nominal start.
constexpr qsizetype kSlack = 128;
// Layouts kept beyond what the window shows.
constexpr size_t kKeptUnits = 200;

// Keeps what is known of the lines below an edit, under their new numbers.
template <class Map>
void dropLinesOf(Map& map, qsizetype firstLine, qsizetype lastLine, qsizetype lineDelta)
{
    const auto first = [](auto& node) -> auto& {
        if constexpr (std::is_same_v<std::decay_t<decltype(node.key())>, qsizetype>)
            return node.key();
        else
            return node.key().first;
    };
    const auto from = [&](qsizetype line) {
        if constexpr (std::is_same_v<typename Map::key_type, qsizetype>)
            return map.lower_bound(line);
        else
            return map.lower_bound({line, 0});
    };
    map.erase(from(firstLine), from(lastLine + 1));
    if (lineDelta == 0)
        return;
    std::vector<typename Map::node_type> moved;
    for (auto it = from(lastLine + 1); it != map.end();)
        moved.push_back(map.extract(it++));
    for (auto& node : moved) {
        first(node) += lineDelta;
        map.insert(std::move(node));
    }
}

} // namespace

LineLayouts::LineLayouts(const TextStore& store) : store_(&store) {}

LineLayouts::~LineLayouts() = default;

void LineLayouts::setStore(const TextStore& store)
{
    store_ = &store;
    widest_ = 0;
    clear();
}

void LineLayouts::setFont(const QFont& font)
{
    font_ = font;
    widest_ = 0;
    average_ = -1;
    clear();
}

void LineLayouts::setTabStop(qreal pixels)
{
    pixels = std::max<qreal>(1, pixels);
    if (pixels == tabStop_)
        return;
    tabStop_ = pixels;
    clear();
}

void LineLayouts::setPaintDevice(QPaintDevice* device)
{
    device_ = device;
    average_ = -1;
}

void LineLayouts::setWidth(qreal width)
{
    width = std::max<qreal>(1, width);
    if (width == width_)
        return;
    width_ = width;
    if (wrap_)
        clear(); // unwrapped rows are the same at any width
}

void LineLayouts::setWrapping(bool on)
{
    if (on == wrap_)
        return;
    wrap_ = on;
    widest_ = 0;
    clear();
}

void LineLayouts::setPreedit(qsizetype offset, const QString& text)
{
    // Only the stretches that show the composed text, before and after, are laid out again.
    for (qsizetype at : {preeditAt_, offset}) {
        if (at < 0 || at > store_->length())
            continue;
        const qsizetype line = store_->lineOf(at);
        const qsizetype inLine = at - store_->lineStart(line);
        auto it = units_.upper_bound({line, inLine});
        if (it != units_.begin() && (--it)->first.first == line && it->second.to >= inLine)
            units_.erase(it);
        if (auto next = units_.find({line, inLine}); next != units_.end())
            units_.erase(next);
    }
    preeditAt_ = text.isEmpty() ? -1 : offset;
    preedit_ = text;
}

void LineLayouts::setFormatter(Formatter formatter, FormatKey key)
{
    formatter_ = std::move(formatter);
    formatKey_ = std::move(key);
    clear();
}

bool LineLayouts::reformat(qsizetype firstLine, qsizetype lastLine, qsizetype shownFirst, qsizetype shownLast)
{
    bool any = false;
    auto it = units_.lower_bound({firstLine, 0});
    while (it != units_.end() && it->first.first < lastLine) {
        const qsizetype line = it->first.first;
        const Unit& u = it->second;
        const bool shown = line >= shownFirst && line <= shownLast;
        if (!formatKey_ || !u.layout->preeditAreaText().isEmpty()
            || (shown && formatKey_(line, u.from, u.layout->text().size()) == u.formatKey)) {
            ++it;
            continue;
        }
        // The long line's stretches stay where they are: colours do not move a row's end.
        it = units_.erase(it);
        any = any || shown;
    }
    return any;
}

void LineLayouts::clear()
{
    units_.clear();
    long_.clear();
    wide_.clear();
}

void LineLayouts::dropLines(qsizetype firstLine, qsizetype lastLine, qsizetype lineDelta)
{
    dropLinesOf(units_, firstLine, lastLine, lineDelta);
    dropLinesOf(long_, firstLine, lastLine, lineDelta);
    dropLinesOf(wide_, firstLine, lastLine, lineDelta);
}

qreal LineLayouts::fallbackHeight() const
{
    return QFontMetricsF(font_, device_).height();
}

// ---------------------------------------------------------------------------------------------
// Stretches of long lines

bool LineLayouts::isLong(qsizetype line) const
{
    return store_->lineLength(line) > kStretch;
}

// The blocks of a long line start after a space near every kBlock characters. Until the block
// before has been worked out, a block's start is only a guess at where one of the line's rows
// starts; working out the block before moves it to where the rows bring it.
LineLayouts::LongLine& LineLayouts::longLine(qsizetype line) const
{
    auto it = long_.find(line);
    if (it != long_.end())
        return it->second;
    LongLine l;
    l.blocks.push_back({0, {}});
    const qsizetype length = store_->lineLength(line);
    const qsizetype base = store_->lineStart(line);
    // Blocks every kBlock characters, and a short one at the end, which is what the window shows
    // when scrolled to the bottom.
    std::vector<qsizetype> nominals;
    for (qsizetype nominal = kBlock; nominal + kStretch < length; nominal += kBlock)
        nominals.push_back(nominal);
    if (!nominals.empty() && length - kEndBlock > nominals.back() + kStretch)
        nominals.push_back(length - kEndBlock);
    for (qsizetype nominal : nominals) {
        const QString near = store_->text(base + nominal - kSlack, kSlack + 1);
        qsizetype start = nominal;
        for (qsizetype i = kSlack; i > 0; --i) {
            if (near[i - 1] == u' ' || near[i - 1] == u'\t') {
                start = nominal - kSlack + i;
                break;
            }
        }
        if (start == nominal && near[kSlack - 1].isHighSurrogate())
            --start;
        l.blocks.push_back({start, {}});
    }
    return long_.emplace(line, std::move(l)).first->second;
}

// Lays out stretch after stretch from the block's last cut, each ending where the row after its
// last full row starts, until the stretch holding `until` is known, or until a row starts where a
// stretch already known starts (one of those pending from before an edit, or one of the next
// block's): from there on the rows are the same as before. Each layout is kept as the stretch's
// unit, so that nothing is laid out twice.
void LineLayouts::extend(qsizetype line, LongLine& l, size_t block, Pending pending, qsizetype until) const
{
    const qsizetype length = store_->lineLength(line);
    const qsizetype base = store_->lineStart(line);
    std::vector<qsizetype>& known = pending.cuts;
    for (;;) {
        Block& b = l.blocks[block];
        Block* next = block + 1 < l.blocks.size() ? &l.blocks[block + 1] : nullptr;
        const qsizetype from = b.cuts.back();
        qsizetype want = kStretch;
        if (!known.empty())
            want = std::clamp(known.front() - from + kSlack, kStretch, 4 * kStretch);
        std::unique_ptr<QTextLayout> layout;
        qsizetype to = length;
        int rows = 0;
        for (;;) {
            qsizetype n = std::min(want, length - from);
            if (from + n < length && n > 1 && store_->at(base + from + n - 1).isHighSurrogate())
                --n;
            layout = layOut(line, from, n, false);
            rows = layout->lineCount();
            if (from + n >= length) {
                to = length;
                break;
            }
            if (rows >= 2) {
                --rows;
                to = from + layout->lineAt(rows).textStart();
                break;
            }
            if (want >= kLongestRow) {
                to = from + n; // only characters of no width make a row this long: cut it here
                break;
            }
            want *= 2; // a row wider than the text: more of it
        }
        // Does one of the rows start where a known stretch starts?
        int joinRow = 0;
        bool intoNext = false;
        const int lastRow = std::min(to < length ? rows : rows - 1, layout->lineCount() - 1);
        for (int i = 1; i <= lastRow && joinRow == 0; ++i) {
            const qsizetype at = from + layout->lineAt(i).textStart();
            if (std::binary_search(known.begin(), known.end(), at)) {
                joinRow = i;
            } else if (next && !next->cuts.empty() && at >= next->start
                       && std::binary_search(next->cuts.begin(), next->cuts.end(), at)) {
                joinRow = i;
                intoNext = true;
            }
        }
        if (joinRow > 0) {
            const qsizetype at = from + layout->lineAt(joinRow).textStart();
            // Stretches stay about kStretch long, so that a key lays out little: a long way to the
            // stretch joined is cut at a row, the rest laid out when shown.
            int split = joinRow;
            while (split > 1 && layout->lineAt(split).textStart() > kStretch)
                --split;
            const qsizetype mid = from + layout->lineAt(split).textStart();
            keep(line, {from, mid, std::move(layout), split, 0});
            dropUnits(line, mid, at);
            if (mid < at)
                b.cuts.push_back(mid);
            if (intoNext) {
                dropUnits(line, next->start, at);
                next->cuts.erase(next->cuts.begin(), std::lower_bound(next->cuts.begin(), next->cuts.end(), at));
                next->start = at;
                b.open = false;
            } else {
                b.cuts.insert(b.cuts.end(), std::lower_bound(known.begin(), known.end(), at), known.end());
                b.open = pending.open;
            }
            return;
        }
        keep(line, {from, to, std::move(layout), rows, 0});
        if (to >= length) {
            l.blocks.resize(block + 1); // the rows reach the line's end
            l.blocks[block].open = false;
            return;
        }
        known.erase(known.begin(), std::lower_bound(known.begin(), known.end(), to));
        while (next && to >= next->start) {
            const qsizetype nextEnd = block + 2 < l.blocks.size() ? l.blocks[block + 2].start : length;
            if (next->cuts.empty() && to < nextEnd) {
                next->start = to; // the guess gives way to the rows
                l.blocks[block].open = false;
                return;
            }
            // The rows passed the next block's start without meeting its stretches: it becomes
            // part of this one, its stretches still where the rows may meet them.
            if (!next->cuts.empty()) {
                known.assign(std::lower_bound(next->cuts.begin(), next->cuts.end(), to), next->cuts.end());
                pending.open = next->open;
            }
            l.blocks.erase(l.blocks.begin() + qsizetype(block) + 1);
            next = block + 1 < l.blocks.size() ? &l.blocks[block + 1] : nullptr;
        }
        l.blocks[block].cuts.push_back(to);
        if (to > until) {
            // Enough for now: the rest of the block is laid out when it is shown.
            l.blocks[block].open = true;
            dropUnits(line, to, next ? next->start : length);
            return;
        }
    }
}

// The stretch of a line that holds the offset inLine, as [from, to) within the line.
std::pair<qsizetype, qsizetype> LineLayouts::stretchAt(qsizetype line, qsizetype inLine) const
{
    const qsizetype length = store_->lineLength(line);
    if (!isLong(line))
        return {0, length};
    if (!wrap_) {
        const WideLine& w = wideLine(line);
        const size_t k = size_t(std::upper_bound(w.cuts.begin(), w.cuts.end(), inLine) - w.cuts.begin()) - 1;
        return {w.cuts[k], k + 1 < w.cuts.size() ? w.cuts[k + 1] : length};
    }
    LongLine& l = longLine(line);
    const auto blockOf = [&] {
        auto it = std::upper_bound(l.blocks.begin(), l.blocks.end(), inLine,
                                   [](qsizetype at, const Block& b) { return at < b.start; });
        return size_t(it - l.blocks.begin()) - 1;
    };
    size_t block = blockOf();
    for (;;) {
        Block& b = l.blocks[block];
        if (b.cuts.empty()) {
            b.cuts.push_back(b.start);
            b.open = true;
        }
        if (!b.open || inLine < b.cuts.back())
            break;
        extend(line, l, block, {}, inLine);
        block = blockOf();
    }
    const Block& b = l.blocks[block];
    const size_t k = size_t(std::upper_bound(b.cuts.begin(), b.cuts.end(), inLine) - b.cuts.begin()) - 1;
    const qsizetype to = k + 1 < b.cuts.size() ? b.cuts[k + 1]
                         : block + 1 < l.blocks.size() ? l.blocks[block + 1].start
                                                       : length;
    return {b.cuts[k], to};
}

std::unique_ptr<QTextLayout> LineLayouts::layOut(qsizetype line, qsizetype from, qsizetype length,
                                                 bool withPreedit) const
{
    const qsizetype base = store_->lineStart(line);
    auto layout = std::make_unique<QTextLayout>(store_->text(base + from, length), font_, device_);
    QTextOption option;
    option.setWrapMode(wrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(tabStop_);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    bool composing = false;
    if (withPreedit && preeditAt_ >= 0) {
        const qsizetype at = preeditAt_ - base - from;
        if (at >= 0 && at <= length && store_->lineOf(preeditAt_) == line) {
            layout->setPreeditArea(int(at), preedit_);
            composing = true;
        }
    }
    // While text is composed in it, a stretch shows plain: the formats would count the composed
    // characters too.
    if (formatter_ && !composing)
        layout->setFormats(formatter_(line, from, length));
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine tl = layout->createLine(); tl.isValid(); tl = layout->createLine()) {
        tl.setLineWidth(width_);
        tl.setPosition(QPointF(0, y));
        y += tl.height();
    }
    layout->endLayout();
    if (layout->lineCount() == 0) {
        // An empty line still has a display row.
        layout->beginLayout();
        QTextLine tl = layout->createLine();
        if (tl.isValid())
            tl.setLineWidth(width_);
        layout->endLayout();
    }
    return layout;
}

// Keeps a unit laid out, in place of any that started inside it.
void LineLayouts::keep(qsizetype line, Unit u) const
{
    u.rows = std::max(1, std::min(u.rows, u.layout->lineCount()));
    if (formatKey_)
        u.formatKey = formatKey_(line, u.from, u.layout->text().size());
    const QTextLine last = u.layout->lineAt(u.rows - 1);
    u.height = last.isValid() ? last.y() + last.height() : fallbackHeight();
    if (!wrap_)
        measured(line, u);
    dropUnits(line, u.from, u.to);
    units_.insert_or_assign({line, u.from}, std::move(u));
}

void LineLayouts::dropUnits(qsizetype line, qsizetype from, qsizetype to) const
{
    units_.erase(units_.lower_bound({line, from}), units_.lower_bound({line, std::max(from, to)}));
}

const LineLayouts::Unit& LineLayouts::unit(qsizetype line, qsizetype from) const
{
    line = std::clamp<qsizetype>(line, 0, store_->lineCount() - 1);
    if (auto it = units_.find({line, from}); it != units_.end())
        return it->second;
    const auto [start, end] = stretchAt(line, std::clamp<qsizetype>(from, 0, store_->lineLength(line)));
    if (auto it = units_.find({line, start}); it != units_.end())
        return it->second; // kept while the stretches were worked out
    Unit u{start, end, layOut(line, start, end - start, true), 0, 0};
    u.rows = u.layout->lineCount();
    keep(line, std::move(u));
    return units_.find({line, start})->second;
}

// ---------------------------------------------------------------------------------------------
// Rows

LineLayouts::Row LineLayouts::rowOf(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    Row r;
    r.line = store_->lineOf(offset);
    if (!wrap_)
        return r;
    const qsizetype inLine = offset - store_->lineStart(r.line);
    const Unit& u = unit(r.line, stretchAt(r.line, inLine).first);
    r.from = u.from;
    const qsizetype at = inLine - u.from;
    for (int i = 1; i < u.rows && u.layout->lineAt(i).textStart() <= at; ++i)
        r.row = i;
    return r;
}

bool LineLayouts::nextRow(Row& r) const
{
    if (!wrap_) {
        if (r.line + 1 >= store_->lineCount())
            return false;
        r = {r.line + 1, 0, 0};
        return true;
    }
    const Unit& u = unit(r.line, r.from);
    r.from = u.from;
    if (r.row + 1 < u.rows) {
        ++r.row;
        return true;
    }
    if (u.to < store_->lineLength(r.line)) {
        r.from = u.to;
        r.row = 0;
        return true;
    }
    if (r.line + 1 < store_->lineCount()) {
        ++r.line;
        r.from = 0;
        r.row = 0;
        return true;
    }
    return false;
}

bool LineLayouts::previousRow(Row& r) const
{
    if (!wrap_) {
        if (r.line == 0)
            return false;
        r = {r.line - 1, 0, 0};
        return true;
    }
    const Unit& u = unit(r.line, r.from);
    if (r.row > 0) {
        r.from = u.from;
        --r.row;
        return true;
    }
    qsizetype before = u.from - 1;
    if (u.from == 0) {
        if (r.line == 0)
            return false;
        --r.line;
        before = store_->lineLength(r.line);
    }
    const Unit& p = unit(r.line, stretchAt(r.line, std::max<qsizetype>(0, before)).first);
    r.from = p.from;
    r.row = p.rows - 1;
    return true;
}

qsizetype LineLayouts::rowStart(const Row& r) const
{
    if (!wrap_)
        return store_->lineStart(r.line);
    const Unit& u = unit(r.line, r.from);
    const QTextLine tl = u.layout->lineAt(std::min(r.row, u.rows - 1));
    return store_->lineStart(r.line) + u.from + (tl.isValid() ? tl.textStart() : 0);
}

qsizetype LineLayouts::rowEnd(const Row& r) const
{
    if (!wrap_)
        return store_->lineStart(r.line) + store_->lineLength(r.line);
    const Unit& u = unit(r.line, r.from);
    if (r.row + 1 >= u.rows)
        return store_->lineStart(r.line) + u.to;
    return store_->lineStart(r.line) + u.from + u.layout->lineAt(r.row + 1).textStart();
}

qreal LineLayouts::rowHeight(const Row& r) const
{
    const QTextLine tl = unit(r.line, r.from).layout->lineAt(r.row);
    return tl.isValid() ? tl.height() : fallbackHeight();
}

bool LineLayouts::lastRowOfLine(const Row& r) const
{
    if (!wrap_)
        return true;
    const Unit& u = unit(r.line, r.from);
    return r.row + 1 >= u.rows && u.to >= store_->lineLength(r.line);
}

qsizetype LineLayouts::offsetInRow(const Row& r, qreal x) const
{
    qreal left = 0;
    qsizetype from = r.from;
    if (!wrap_)
        std::tie(from, left) = unitAtX(r.line, x);
    x -= left;
    const Unit& u = unit(r.line, from);
    const QTextLine tl = u.layout->lineAt(r.row);
    const qsizetype base = store_->lineStart(r.line) + u.from;
    if (!tl.isValid())
        return base;
    qsizetype at = tl.xToCursor(x);
    // The end of a wrapped row is the start of the next one: stay on this row, before the space
    // or character it wrapped after.
    const qsizetype end = rowEnd(r);
    if (base + at >= end && !lastRowOfLine(r) && end > rowStart(r))
        at = end - base - 1;
    if (at > 0 && base + at < store_->length() && store_->at(base + at).isLowSurrogate())
        --at;
    return base + at;
}

qreal LineLayouts::xOf(qsizetype offset) const
{
    const Row r = rowOf(offset);
    const qsizetype inLine = offset - store_->lineStart(r.line);
    const Unit& u = unit(r.line, wrap_ ? r.from : inLine);
    const QTextLine tl = u.layout->lineAt(r.row);
    if (!tl.isValid())
        return 0;
    return unitX(r.line, u.from) + tl.cursorToX(int(inLine - u.from));
}

// ---------------------------------------------------------------------------------------------
// Edits

// Within a long line the stretches after the edit keep their place (moved by what it added), and
// the rows are laid out again from the stretch before it until they meet one of those.
void LineLayouts::lineEdited(qsizetype line, qsizetype at, qsizetype removed, qsizetype added)
{
    if (!wrap_) {
        wideLineEdited(line, at, removed, added);
        return;
    }
    const qsizetype delta = added - removed;
    auto found = long_.find(line);
    if (found == long_.end() || !isLong(line)) {
        dropLines(line, line, 0);
        return;
    }
    LongLine& l = found->second;
    auto it = std::upper_bound(l.blocks.begin(), l.blocks.end(), at,
                               [](qsizetype a, const Block& b) { return a < b.start; });
    size_t block = size_t(it - l.blocks.begin()) - 1;
    // An edit where blocks meet may move rows of both: they become one block, so that the rows are
    // worked out across.
    const auto merge = [&](size_t first) {
        Block& b = l.blocks[first];
        Block& next = l.blocks[first + 1];
        if (b.cuts.empty() || b.open)
            return false;
        if (next.cuts.empty())
            b.cuts.push_back(next.start);
        else
            b.cuts.insert(b.cuts.end(), next.cuts.begin(), next.cuts.end());
        b.open = next.cuts.empty() || next.open;
        l.blocks.erase(l.blocks.begin() + qsizetype(first) + 1);
        return true;
    };
    const std::vector<qsizetype>& own = l.blocks[block].cuts;
    const bool firstStretch = block > 0 && !own.empty() && (own.size() < 2 || at < own[1]);
    if (firstStretch && merge(block - 1))
        --block;
    while (block + 1 < l.blocks.size() && at + removed >= l.blocks[block + 1].start) {
        if (!merge(block)) {
            dropLines(line, line, 0); // rare: worked out anew when shown
            return;
        }
    }
    Block& b = l.blocks[block];
    const size_t k = b.cuts.empty() ? 0
                     : size_t(std::upper_bound(b.cuts.begin(), b.cuts.end(), at) - b.cuts.begin()) - 1;
    // What follows the edit moves with it.
    const qsizetype kept = at + std::max<qsizetype>(removed, 1); // text from here on is unchanged
    for (size_t j = block + 1; j < l.blocks.size(); ++j) {
        l.blocks[j].start += delta;
        for (qsizetype& c : l.blocks[j].cuts)
            c += delta;
    }
    std::vector<std::pair<std::pair<qsizetype, qsizetype>, Unit>> moved;
    for (auto u = units_.lower_bound({line, kept}); u != units_.end() && u->first.first == line;) {
        auto node = units_.extract(u++);
        node.mapped().from += delta;
        node.mapped().to += delta;
        moved.emplace_back(std::make_pair(line, node.key().second + delta), std::move(node.mapped()));
    }
    if (b.cuts.empty()) {
        dropUnits(line, b.start, kept);
    } else {
        // The row before the edit's may take in the edit's first word: start a stretch earlier
        // when the edit is in the first row of its own.
        size_t restart = k;
        if (k > 0) {
            auto own = units_.find({line, b.cuts[k]});
            const bool firstRow = own == units_.end() || own->second.rows < 2
                                  || at <= b.cuts[k] + own->second.layout->lineAt(1).textStart();
            if (firstRow)
                restart = k - 1;
        }
        dropUnits(line, b.cuts[restart], kept);
        Pending pending;
        pending.open = b.open;
        for (size_t j = k + 1; j < b.cuts.size(); ++j) {
            if (b.cuts[j] >= kept)
                pending.cuts.push_back(b.cuts[j] + delta);
        }
        if (pending.cuts.empty())
            pending.open = false; // the edit is past what was known
        b.cuts.resize(restart + 1);
        for (auto& [key, u] : moved)
            units_.insert_or_assign(key, std::move(u));
        moved.clear();
        extend(line, l, block, std::move(pending), at + added);
    }
    for (auto& [key, u] : moved)
        units_.insert_or_assign(key, std::move(u));
}

void LineLayouts::keepAround(const Row& top, qreal left)
{
    if (units_.size() <= kKeptUnits)
        return;
    if (!wrap_) {
        keepAroundSideways(top, left);
        return;
    }
    // Keep the layouts from a little above the top of the window to well below its bottom.
    auto from = units_.lower_bound({top.line, top.from});
    for (int i = 0; i < 20 && from != units_.begin(); ++i)
        --from;
    auto to = from;
    for (int i = 0; i < 120 && to != units_.end(); ++i)
        ++to;
    units_.erase(to, units_.end());
    units_.erase(units_.begin(), from);
}

} // namespace platform
