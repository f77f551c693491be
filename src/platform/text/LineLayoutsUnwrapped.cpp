// LineLayouts for lines that do not wrap: each line is one row, a long one laid out in pieces
// side by side, each measured when it is first shown.
#include "platform/text/LineLayouts.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

namespace platform {

namespace {

// A long line's pieces are about this many characters: a screenful of them costs what a
// screenful of short lines does.
constexpr qsizetype kPiece = 1024;
// A piece that edits have made longer than this is cut again.
constexpr qsizetype kLongestPiece = 4 * kPiece;
// Pieces of a long line kept laid out either side of those shown.
constexpr qsizetype kKeptPieces = 8;
// Lines kept laid out above and below the window's top.
constexpr qsizetype kKeptAbove = 20, kKeptBelow = 120;

} // namespace

// Cuts that leave no surrogate pair split.
LineLayouts::WideLine& LineLayouts::wideLine(qsizetype line) const
{
    auto it = wide_.find(line);
    if (it != wide_.end())
        return it->second;
    WideLine w;
    const qsizetype length = store_->lineLength(line);
    const qsizetype base = store_->lineStart(line);
    for (qsizetype cut = 0; cut < length; cut += kPiece) {
        if (cut > 0 && store_->at(base + cut - 1).isHighSurrogate())
            ++cut;
        if (cut < length)
            w.cuts.push_back(cut);
    }
    if (w.cuts.empty())
        w.cuts.push_back(0);
    w.widths.assign(w.cuts.size(), -1);
    for (size_t k = 0; k < w.cuts.size(); ++k)
        w.width += pieceWidth(w, k, length);
    widest_ = std::max(widest_, w.width);
    return wide_.emplace(line, std::move(w)).first->second;
}

// Measured, or guessed from the font's average character until it is laid out.
qreal LineLayouts::pieceWidth(const WideLine& w, size_t k, qsizetype lineLength) const
{
    if (w.widths[k] >= 0)
        return w.widths[k];
    const qsizetype length = (k + 1 < w.cuts.size() ? w.cuts[k + 1] : lineLength) - w.cuts[k];
    if (average_ < 0)
        average_ = QFontMetricsF(font_, device_).averageCharWidth();
    return qreal(length) * average_;
}

// A unit was laid out: its width replaces the guess, and the text may scroll that far.
void LineLayouts::measured(qsizetype line, const Unit& u) const
{
    const QTextLine tl = u.layout->lineAt(0);
    // Text being composed in the piece widens it while it lasts.
    const qreal width = tl.isValid() ? tl.cursorToX(int(u.layout->text().size() + u.layout->preeditAreaText().size())) : 0;
    if (!isLong(line)) {
        widest_ = std::max(widest_, width);
        return;
    }
    WideLine& w = wideLine(line);
    const auto k = size_t(std::lower_bound(w.cuts.begin(), w.cuts.end(), u.from) - w.cuts.begin());
    if (k >= w.cuts.size() || w.cuts[k] != u.from)
        return;
    w.width += width - pieceWidth(w, k, store_->lineLength(line));
    w.widths[k] = width;
    widest_ = std::max(widest_, w.width);
}

qreal LineLayouts::unitX(qsizetype line, qsizetype from) const
{
    if (wrap_ || !isLong(line))
        return 0;
    const WideLine& w = wideLine(line);
    const qsizetype length = store_->lineLength(line);
    qreal x = 0;
    for (size_t k = 0; k < w.cuts.size() && w.cuts[k] < from; ++k)
        x += pieceWidth(w, k, length);
    return x;
}

std::pair<qsizetype, qreal> LineLayouts::unitAtX(qsizetype line, qreal x) const
{
    if (wrap_ || !isLong(line))
        return {0, 0};
    const WideLine& w = wideLine(line);
    const qsizetype length = store_->lineLength(line);
    qreal left = 0;
    size_t k = 0;
    for (; k + 1 < w.cuts.size(); ++k) {
        const qreal width = pieceWidth(w, k, length);
        if (x < left + width)
            break;
        left += width;
    }
    return {w.cuts[k], left};
}

// The pieces after the edit keep their measured widths and move by what it added; those it
// touched become one piece, laid out and measured anew when shown.
void LineLayouts::wideLineEdited(qsizetype line, qsizetype at, qsizetype removed, qsizetype added)
{
    auto found = wide_.find(line);
    if (found == wide_.end() || !isLong(line)) {
        dropLines(line, line, 0);
        return;
    }
    WideLine& w = found->second;
    const qsizetype delta = added - removed;
    const qsizetype oldLength = store_->lineLength(line) - delta;
    const auto first = size_t(std::upper_bound(w.cuts.begin(), w.cuts.end(), at) - w.cuts.begin()) - 1;
    auto last = first;
    while (last + 1 < w.cuts.size() && w.cuts[last + 1] < at + removed)
        ++last;
    const qsizetype oldEnd = last + 1 < w.cuts.size() ? w.cuts[last + 1] : oldLength;
    w.cuts.erase(w.cuts.begin() + qsizetype(first) + 1, w.cuts.begin() + qsizetype(last) + 1);
    w.widths.erase(w.widths.begin() + qsizetype(first) + 1, w.widths.begin() + qsizetype(last) + 1);
    w.widths[first] = -1;
    for (size_t k = first + 1; k < w.cuts.size(); ++k)
        w.cuts[k] += delta;
    // The units of the pieces touched go; those after move with the text.
    units_.erase(units_.lower_bound({line, w.cuts[first]}), units_.lower_bound({line, oldEnd}));
    std::vector<decltype(units_)::node_type> moved;
    for (auto u = units_.lower_bound({line, oldEnd}); u != units_.end() && u->first.first == line;)
        moved.push_back(units_.extract(u++));
    for (auto& node : moved) {
        node.key().second += delta;
        node.mapped().from += delta;
        node.mapped().to += delta;
        units_.insert(std::move(node));
    }
    // A piece grown long is cut again; one emptied goes, unless it is the line's only one.
    const qsizetype length = store_->lineLength(line);
    const qsizetype end = first + 1 < w.cuts.size() ? w.cuts[first + 1] : length;
    if (end == w.cuts[first] && w.cuts.size() > 1) {
        w.cuts.erase(w.cuts.begin() + qsizetype(first));
        w.widths.erase(w.widths.begin() + qsizetype(first));
        if (first == 0)
            w.cuts[0] = 0;
    } else if (end - w.cuts[first] > kLongestPiece) {
        const qsizetype base = store_->lineStart(line);
        std::vector<qsizetype> extra;
        for (qsizetype cut = w.cuts[first] + kPiece; cut < end; cut += kPiece) {
            if (store_->at(base + cut - 1).isHighSurrogate())
                ++cut;
            if (cut < end)
                extra.push_back(cut);
        }
        w.cuts.insert(w.cuts.begin() + qsizetype(first) + 1, extra.begin(), extra.end());
        w.widths.insert(w.widths.begin() + qsizetype(first) + 1, extra.size(), -1);
        units_.erase(units_.lower_bound({line, w.cuts[first]}), units_.lower_bound({line, end}));
    }
    w.width = 0;
    for (size_t k = 0; k < w.cuts.size(); ++k)
        w.width += pieceWidth(w, k, length);
    widest_ = std::max(widest_, w.width);
}

// Keeps the lines about the window's top, and of a long line the pieces about those shown.
void LineLayouts::keepAroundSideways(const Row& top, qreal left)
{
    units_.erase(units_.lower_bound({top.line + kKeptBelow, 0}), units_.end());
    units_.erase(units_.begin(), units_.lower_bound({std::max<qsizetype>(0, top.line - kKeptAbove), 0}));
    for (auto it = units_.begin(); it != units_.end();) {
        const qsizetype line = it->first.first;
        auto next = units_.lower_bound({line + 1, 0});
        if (isLong(line)) {
            const WideLine& w = wideLine(line);
            const qsizetype shown = unitAtX(line, left).first;
            const auto k = qsizetype(std::lower_bound(w.cuts.begin(), w.cuts.end(), shown) - w.cuts.begin());
            const qsizetype from = w.cuts[size_t(std::max<qsizetype>(0, k - kKeptPieces))];
            const qsizetype to = w.cuts[size_t(std::min<qsizetype>(qsizetype(w.cuts.size()) - 1, k + 2 * kKeptPieces))];
            units_.erase(it, units_.lower_bound({line, from}));
            units_.erase(units_.upper_bound({line, to}), next);
        }
        it = next;
    }
}

} // namespace platform
