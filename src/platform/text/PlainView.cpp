#include "platform/text/PlainView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>

namespace platform {

namespace {

// A line longer than this is laid out in stretches of about this many characters.
constexpr qsizetype kStretch = 1024;
// A stretch ends after a space when one is this near its nominal end.
constexpr qsizetype kStretchSlack = 128;
constexpr int kMargin = 4;
constexpr qreal kTabStop = 80;
// Layouts kept beyond what the window shows.
constexpr size_t kKeptUnits = 200;

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

// Scroll bar values are ints: a longer text is scaled down.
qsizetype scrollScale(qsizetype length)
{
    return length / (qsizetype(INT_MAX) / 2) + 1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// What a screen reader reads: the text, the caret and the selection, by character, word or line.

class PlainViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PlainViewAccessible(PlainView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.focusable = true;
        return s;
    }

    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index == 0 && view()->hasSelection()) {
            *start = int(view()->selectionStart());
            *end = int(view()->selectionEnd());
        }
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { view()->setSelection(start, end); }
    void removeSelection(int) override { view()->setSelection(view()->position(), view()->position()); }
    void setSelection(int, int start, int end) override { view()->setSelection(start, end); }
    int cursorPosition() const override { return int(view()->position()); }
    void setCursorPosition(int position) override { view()->setSelection(position, position); }
    QString text(int start, int end) const override
    {
        const TextStore& s = view()->store();
        start = std::clamp<int>(start, 0, int(s.length()));
        end = std::clamp<int>(end, start, int(s.length()));
        return s.text(start, end - start);
    }
    int characterCount() const override { return int(view()->store().length()); }
    QRect characterRect(int offset) const override
    {
        const QRect r = view()->characterRect(offset);
        if (r.isEmpty())
            return r;
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return int(view()->offsetAt(view()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int) override
    {
        const qsizetype a = view()->anchor(), p = view()->position();
        view()->setSelection(start, start);
        view()->ensureCaretVisible();
        view()->setSelection(a, p);
    }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return QString();
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        const TextStore& s = view()->store();
        const qsizetype n = s.length();
        offset = std::clamp<int>(offset, 0, int(n));
        qsizetype from = offset, to = offset;
        switch (type) {
        case QAccessible::CharBoundary:
            to = std::min(n, from + 1);
            if (to < n && s.at(from).isHighSurrogate())
                ++to;
            break;
        case QAccessible::WordBoundary:
            from = offset;
            while (from > 0 && isWordChar(s.at(from - 1)))
                --from;
            to = offset;
            while (to < n && isWordChar(s.at(to)))
                ++to;
            break;
        case QAccessible::NoBoundary:
            from = 0;
            to = n;
            break;
        default: { // lines, sentences and paragraphs: the line with its break
            const qsizetype line = s.lineOf(offset);
            from = s.lineStart(line);
            to = std::min(n, from + s.lineLength(line) + 1);
            break;
        }
        }
        *start = int(from);
        *end = int(to);
        return s.text(from, to - from);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (s <= 0) {
            *start = *end = 0;
            return QString();
        }
        return textAtOffset(s - 1, type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (e >= characterCount() || e <= offset) {
            *start = *end = characterCount();
            return QString();
        }
        return textAtOffset(e, type, start, end);
    }

private:
    PlainView* view() const { return static_cast<PlainView*>(widget()); }
};

namespace {

QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (className == QLatin1String("platform::PlainView") && object && object->isWidgetType())
        return new PlainViewAccessible(static_cast<PlainView*>(object));
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------

PlainView::PlainView(TextStore& store, QWidget* parent) : QAbstractScrollArea(parent), store_(&store)
{
    static const bool accessible = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
        Row r = topRow();
        int steps = 0;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: steps = 1; break;
        case QAbstractSlider::SliderSingleStepSub: steps = -1; break;
        case QAbstractSlider::SliderPageStepAdd: steps = std::max(1, visibleRows() - 1); break;
        case QAbstractSlider::SliderPageStepSub: steps = -std::max(1, visibleRows() - 1); break;
        default: return;
        }
        for (; steps > 0 && nextRow(r); --steps) {}
        for (; steps < 0 && previousRow(r); ++steps) {}
        setTop(rowStart(r));
        verticalScrollBar()->setSliderPosition(int(top_ / scrollScale(store_->length())));
    });
    updateScrollBar();
}

PlainView::~PlainView() = default;

// ---------------------------------------------------------------------------------------------
// Layout

int PlainView::wrapPixels() const
{
    if (wrapWidth_ > 0)
        return wrapWidth_;
    return std::max(1, viewport()->width() - 2 * kMargin);
}

const std::vector<qsizetype>& PlainView::stretchStarts(qsizetype line) const
{
    static const std::vector<qsizetype> whole{0};
    const qsizetype length = store_->lineLength(line);
    if (length <= kStretch)
        return whole;
    auto it = stretches_.find(line);
    if (it != stretches_.end())
        return it->second;
    // Each stretch ends after the last space near its nominal length, or there, never inside a
    // surrogate pair. Kept, and moved by edits, so that an edit lays out its own stretch only.
    std::vector<qsizetype> starts{0};
    const qsizetype base = store_->lineStart(line);
    for (;;) {
        const qsizetype nominal = starts.back() + kStretch;
        if (nominal >= length)
            break;
        const qsizetype from = nominal - kStretchSlack;
        const QString near = store_->text(base + from, kStretchSlack + 1);
        qsizetype cut = nominal;
        for (qsizetype i = kStretchSlack; i > 0; --i) {
            if (near[i - 1] == u' ' || near[i - 1] == u'\t') {
                cut = from + i;
                break;
            }
        }
        if (cut == nominal && near[kStretchSlack - 1].isHighSurrogate() && near[kStretchSlack].isLowSurrogate())
            --cut;
        starts.push_back(cut);
    }
    return stretches_.emplace(line, std::move(starts)).first->second;
}

qsizetype PlainView::stretchCount(qsizetype line) const
{
    return qsizetype(stretchStarts(line).size());
}

qsizetype PlainView::stretchOf(qsizetype line, qsizetype inLine) const
{
    const std::vector<qsizetype>& starts = stretchStarts(line);
    return qsizetype(std::upper_bound(starts.begin(), starts.end(), inLine) - starts.begin()) - 1;
}

PlainView::Unit& PlainView::unit(qsizetype line, qsizetype stretch) const
{
    const auto key = std::make_pair(line, stretch);
    auto it = units_.find(key);
    if (it != units_.end())
        return it->second;
    Unit u;
    u.line = line;
    const std::vector<qsizetype>& starts = stretchStarts(line);
    u.from = starts[size_t(stretch)];
    u.to = size_t(stretch) + 1 < starts.size() ? starts[size_t(stretch) + 1] : store_->lineLength(line);
    const qsizetype base = store_->lineStart(line);
    u.layout = std::make_unique<QTextLayout>(store_->text(base + u.from, u.to - u.from), font(),
                                             viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(kTabStop);
    u.layout->setTextOption(option);
    u.layout->setCacheEnabled(true);
    if (!preedit_.isEmpty()) {
        const qsizetype at = position_ - base - u.from;
        if (at >= 0 && at <= u.to - u.from && store_->lineOf(position_) == line)
            u.layout->setPreeditArea(int(at), preedit_);
    }
    const qreal width = wrapPixels();
    qreal y = 0;
    u.layout->beginLayout();
    for (QTextLine tl = u.layout->createLine(); tl.isValid(); tl = u.layout->createLine()) {
        tl.setLineWidth(width);
        tl.setPosition(QPointF(0, y));
        y += tl.height();
    }
    u.layout->endLayout();
    if (u.layout->lineCount() == 0) {
        // An empty line still has a display line.
        u.layout->beginLayout();
        QTextLine tl = u.layout->createLine();
        if (tl.isValid())
            tl.setLineWidth(width);
        u.layout->endLayout();
        y = tl.isValid() ? tl.height() : fontMetrics().height();
    }
    u.height = y;
    return units_.emplace(key, std::move(u)).first->second;
}

PlainView::Row PlainView::rowOf(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    Row r;
    r.line = store_->lineOf(offset);
    const qsizetype inLine = offset - store_->lineStart(r.line);
    r.stretch = stretchOf(r.line, inLine);
    const Unit& u = unit(r.line, r.stretch);
    const qsizetype at = inLine - u.from;
    const int lines = u.layout->lineCount();
    r.row = 0;
    for (int i = 1; i < lines; ++i) {
        if (u.layout->lineAt(i).textStart() <= at)
            r.row = i;
        else
            break;
    }
    return r;
}

bool PlainView::nextRow(Row& r) const
{
    const Unit& u = unit(r.line, r.stretch);
    if (r.row + 1 < u.layout->lineCount()) {
        ++r.row;
        return true;
    }
    if (r.stretch + 1 < stretchCount(r.line)) {
        ++r.stretch;
        r.row = 0;
        return true;
    }
    if (r.line + 1 < store_->lineCount()) {
        ++r.line;
        r.stretch = 0;
        r.row = 0;
        return true;
    }
    return false;
}

bool PlainView::previousRow(Row& r) const
{
    if (r.row > 0) {
        --r.row;
        return true;
    }
    if (r.stretch > 0) {
        --r.stretch;
    } else if (r.line > 0) {
        --r.line;
        r.stretch = stretchCount(r.line) - 1;
    } else {
        return false;
    }
    r.row = std::max(0, unit(r.line, r.stretch).layout->lineCount() - 1);
    return true;
}

qsizetype PlainView::rowStart(const Row& r) const
{
    const Unit& u = unit(r.line, r.stretch);
    const QTextLine tl = u.layout->lineAt(r.row);
    return store_->lineStart(r.line) + u.from + (tl.isValid() ? tl.textStart() : 0);
}

qsizetype PlainView::rowEnd(const Row& r) const
{
    const Unit& u = unit(r.line, r.stretch);
    if (r.row + 1 >= u.layout->lineCount())
        return store_->lineStart(r.line) + u.to;
    return store_->lineStart(r.line) + u.from + u.layout->lineAt(r.row + 1).textStart();
}

qreal PlainView::rowHeight(const Row& r) const
{
    const QTextLine tl = unit(r.line, r.stretch).layout->lineAt(r.row);
    return tl.isValid() ? tl.height() : fontMetrics().height();
}

qsizetype PlainView::offsetInRow(const Row& r, qreal x) const
{
    const Unit& u = unit(r.line, r.stretch);
    const QTextLine tl = u.layout->lineAt(r.row);
    const qsizetype base = store_->lineStart(r.line) + u.from;
    if (!tl.isValid())
        return base;
    qsizetype at = tl.xToCursor(x - kMargin);
    // The end of a wrapped row is the start of the next one: stay on this row, before the space
    // or character it wrapped after.
    const qsizetype end = rowEnd(r);
    if (base + at >= end && r.row + 1 < u.layout->lineCount())
        at = end - base - 1;
    else if (base + at >= end && u.to < store_->lineLength(r.line) && end > rowStart(r))
        at = end - base - 1; // the end of a stretch that is not the line's last
    if (at > 0 && base + at < store_->length() && store_->at(base + at).isLowSurrogate())
        --at;
    return base + at;
}

qreal PlainView::xOf(qsizetype offset) const
{
    const Row r = rowOf(offset);
    const Unit& u = unit(r.line, r.stretch);
    const QTextLine tl = u.layout->lineAt(r.row);
    if (!tl.isValid())
        return kMargin;
    return kMargin + tl.cursorToX(int(offset - store_->lineStart(r.line) - u.from));
}

PlainView::Row PlainView::topRow() const
{
    return rowOf(top_);
}

int PlainView::visibleRows() const
{
    return std::max(1, (viewport()->height() - kMargin) / std::max(1, fontMetrics().height()));
}

void PlainView::dropLayouts()
{
    maxTop_ = -1;
    units_.clear();
    stretches_.clear();
}

// Keeps what is known of the lines below an edit, under their new numbers.
template <class Map>
void dropLines(Map& map, qsizetype firstLine, qsizetype lastLine, qsizetype lineDelta)
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

void PlainView::dropLayoutsOf(qsizetype firstLine, qsizetype lastLine, qsizetype lineDelta)
{
    maxTop_ = -1;
    dropLines(units_, firstLine, lastLine, lineDelta);
    dropLines(stretches_, firstLine, lastLine, lineDelta);
    if (lineDelta != 0) {
        for (auto& [key, u] : units_)
            u.line = key.first;
    }
}

void PlainView::setTop(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    // Not so far down that the window would show less than a screenful.
    top_ = std::min(rowStart(rowOf(offset)), maxTop());
    viewport()->update();
}

// The start of the display line that shows the last screenful: kept until the text, the width
// or the height changes.
qsizetype PlainView::maxTop() const
{
    if (maxTop_ < 0) {
        Row last = rowOf(store_->length());
        for (int i = visibleRows() - 1; i > 0 && previousRow(last); --i) {}
        maxTop_ = rowStart(last);
    }
    return maxTop_;
}

void PlainView::updateScrollBar()
{
    const qsizetype scale = scrollScale(store_->length());
    QScrollBar* bar = verticalScrollBar();
    const QSignalBlocker quiet(bar);
    bar->setRange(0, int(maxTop() / scale));
    const qsizetype rows = visibleRows();
    bar->setPageStep(int(std::max<qsizetype>(1, rows * 60 / scale)));
    bar->setSingleStep(int(std::max<qsizetype>(1, 60 / scale)));
    bar->setValue(int(top_ / scale));
}

void PlainView::scrollContentsBy(int, int)
{
    // The scroll bar was moved: its value is an offset.
    const qsizetype scale = scrollScale(store_->length());
    const qsizetype wanted = qsizetype(verticalScrollBar()->value()) * scale;
    if (wanted / scale == top_ / scale)
        return;
    setTop(wanted);
}

// ---------------------------------------------------------------------------------------------
// Painting

void PlainView::paintEvent(QPaintEvent* e)
{
    if (units_.size() > kKeptUnits) {
        // Keep the layouts from a little above the top of the window to well below its bottom.
        const Row top = topRow();
        auto from = units_.lower_bound({top.line, top.stretch});
        for (int i = 0; i < 20 && from != units_.begin(); ++i)
            --from;
        auto to = from;
        for (int i = 0; i < 120 && to != units_.end(); ++i)
            ++to;
        units_.erase(to, units_.end());
        units_.erase(units_.begin(), from);
    }
    QPainter p(viewport());
    const QRect area = e->rect();
    top_ = std::min(top_, store_->length());
    Row r = topRow();
    top_ = rowStart(r);
    updateScrollBar();
    const QPalette pal = palette();
    p.setPen(pal.color(QPalette::Text));
    const qsizetype selFrom = selectionStart(), selTo = selectionEnd();
    const bool showCaret = caretShown_ && hasFocus() && !hasSelection();
    const qsizetype caretAt = dropCaret_ >= 0 ? dropCaret_ : position_;
    qreal y = kMargin;
    const int bottom = viewport()->height();
    while (y < bottom) {
        const Unit& u = unit(r.line, r.stretch);
        const QTextLine first = u.layout->lineAt(r.row);
        const qreal unitTop = y - (first.isValid() ? first.y() : 0);
        const QPointF origin(kMargin, unitTop);
        const qsizetype base = store_->lineStart(r.line) + u.from;
        const qsizetype end = store_->lineStart(r.line) + u.to;
        QList<QTextLayout::FormatRange> selections;
        if (selFrom < end && selTo > base) {
            QTextLayout::FormatRange range;
            range.start = int(std::max(selFrom, base) - base);
            range.length = int(std::min(selTo, end) - base - range.start);
            range.format.setBackground(pal.brush(QPalette::Highlight));
            range.format.setForeground(pal.brush(QPalette::HighlightedText));
            selections.append(range);
        }
        u.layout->draw(&p, origin, selections, QRectF(area));
        const bool lastStretch = u.to >= store_->lineLength(r.line);
        if (lastStretch && selFrom <= end && selTo > end && end < store_->length()) {
            // The line break is selected: a space's width behind the line shows it.
            const QTextLine tl = u.layout->lineAt(u.layout->lineCount() - 1);
            if (tl.isValid()) {
                const qreal x = kMargin + tl.naturalTextWidth();
                p.fillRect(QRectF(x, unitTop + tl.y(), fontMetrics().horizontalAdvance(u' '), tl.height()),
                           pal.brush(QPalette::Highlight));
            }
        }
        if ((showCaret || dropCaret_ >= 0) && caretAt >= base && caretAt <= end) {
            const Row cr = rowOf(caretAt);
            if (cr.line == r.line && cr.stretch == r.stretch) {
                int width = 1;
                if (overwrite_ && caretAt < end && dropCaret_ < 0) {
                    const QTextLine tl = u.layout->lineAt(cr.row);
                    width = std::max(1, int(tl.cursorToX(int(caretAt - base + 1))
                                            - tl.cursorToX(int(caretAt - base))));
                }
                u.layout->drawCursor(&p, origin, int(caretAt - base + (preedit_.isEmpty() ? 0 : preeditCursor_)), width);
            }
        }
        y = unitTop + u.height;
        // On to the next unit.
        r.row = std::max(0, u.layout->lineCount() - 1);
        if (!nextRow(r))
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Caret, selection and edits

QString PlainView::selectedText() const
{
    return store_->text(selectionStart(), selectionEnd() - selectionStart());
}

void PlainView::setSelection(qsizetype anchor, qsizetype position)
{
    const qsizetype n = store_->length();
    anchor = std::clamp<qsizetype>(anchor, 0, n);
    position = std::clamp<qsizetype>(position, 0, n);
    // Never between the halves of a surrogate pair.
    if (position > 0 && position < n && store_->at(position).isLowSurrogate()
        && store_->at(position - 1).isHighSurrogate())
        --position;
    if (anchor > 0 && anchor < n && store_->at(anchor).isLowSurrogate()
        && store_->at(anchor - 1).isHighSurrogate())
        --anchor;
    if (anchor == anchor_ && position == position_)
        return;
    anchor_ = anchor;
    position_ = position;
    restartBlink();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, int(position_));
        QAccessible::updateAccessibility(&event);
    }
    Q_EMIT selectionMoved();
}

void PlainView::moveCaret(qsizetype to, bool select, bool keepGoal)
{
    if (!keepGoal)
        goalX_ = -1;
    setSelection(select ? anchor_ : to, to);
    ensureCaretVisible();
}

void PlainView::replace(qsizetype offset, qsizetype count, QStringView text, bool typed)
{
    const qsizetype n = store_->length();
    offset = std::clamp<qsizetype>(offset, 0, n);
    count = std::clamp<qsizetype>(count, 0, n - offset);
    if (count == 0 && text.isEmpty())
        return;
    // While the view does not paint (hidden, or frozen for a long edit such as Replace All) its
    // layouts are simply dropped: it lays out what it shows once it paints again.
    const bool painting = isVisible() && updatesEnabled() && !units_.empty();
    const qsizetype firstLine = painting ? store_->lineOf(offset) : 0;
    const qsizetype lastLine = !painting || count == 0 ? firstLine : store_->lineOf(offset + count);
    // An edit inside one stretch of a long line moves the stretches after it and lays out only
    // its own.
    qsizetype stretch = -1;
    if (painting && firstLine == lastLine && !text.contains(u'\n')) {
        if (auto it = stretches_.find(firstLine); it != stretches_.end()) {
            std::vector<qsizetype>& starts = it->second;
            const qsizetype inLine = offset - store_->lineStart(firstLine);
            const size_t k = size_t(std::upper_bound(starts.begin(), starts.end(), inLine) - starts.begin()) - 1;
            const qsizetype end = k + 1 < starts.size() ? starts[k + 1] : std::numeric_limits<qsizetype>::max();
            const qsizetype grown = (end == std::numeric_limits<qsizetype>::max() ? 0 : end - starts[k])
                                    + text.size() - count;
            if (inLine + count < end && (k == 0 || inLine > starts[k]) && grown < 4 * kStretch) {
                for (size_t j = k + 1; j < starts.size(); ++j)
                    starts[j] += text.size() - count;
                stretch = qsizetype(k);
            }
        }
    }
    if (count == 0)
        store_->insert(offset, text, typed);
    else if (text.isEmpty())
        store_->remove(offset, count);
    else
        store_->replace(offset, count, text);
    changed(offset, count, text.size(), lastLine - firstLine);
    if (!painting)
        dropLayouts();
    else if (stretch >= 0)
        units_.erase({firstLine, stretch});
    else
        dropLayoutsOf(firstLine, lastLine, store_->lineOf(offset + text.size()) - lastLine);
    const auto follow = [&](qsizetype p) {
        if (p < offset)
            return p;
        if (p >= offset + count)
            return p + text.size() - count;
        return offset + text.size();
    };
    const qsizetype a = follow(anchor_), p = follow(position_);
    if (a != anchor_ || p != position_) {
        anchor_ = a;
        position_ = p;
        Q_EMIT selectionMoved();
    }
    if (QAccessible::isActive() && text.size() + count < 4096) {
        if (count > 0) {
            QAccessibleTextRemoveEvent removed(this, int(offset), QString(count, u' '));
            QAccessible::updateAccessibility(&removed);
        }
        if (!text.isEmpty()) {
            QAccessibleTextInsertEvent inserted(this, int(offset), text.toString());
            QAccessible::updateAccessibility(&inserted);
        }
    }
    Q_EMIT edited(offset, count, text.size());
}

// Keeps the top of the window where it was in the text.
void PlainView::changed(qsizetype offset, qsizetype removed, qsizetype added, qsizetype)
{
    maxTop_ = -1;
    if (top_ > offset)
        top_ = top_ >= offset + removed ? top_ + added - removed : offset;
    viewport()->update();
}

void PlainView::replaceSelection(QStringView text, bool typed)
{
    const qsizetype from = selectionStart();
    const qsizetype count = selectionEnd() - from;
    replace(from, count, text, typed);
    goalX_ = -1;
    setSelection(from + text.size(), from + text.size());
}

void PlainView::setStore(TextStore& store)
{
    store_ = &store;
    reset();
}

void PlainView::reset()
{
    dropLayouts();
    anchor_ = position_ = 0;
    top_ = 0;
    goalX_ = -1;
    preedit_.clear();
    updateScrollBar();
    viewport()->update();
    Q_EMIT selectionMoved();
}

void PlainView::undo()
{
    qsizetype where = 0, length = 0;
    if (!store_->undo(&where, &length))
        return;
    dropLayouts();
    top_ = std::min(top_, store_->length());
    viewport()->update();
    Q_EMIT edited(where, 0, length);
    moveCaret(where + length, false);
}

void PlainView::redo()
{
    qsizetype where = 0, length = 0;
    if (!store_->redo(&where, &length))
        return;
    dropLayouts();
    top_ = std::min(top_, store_->length());
    viewport()->update();
    Q_EMIT edited(where, 0, length);
    moveCaret(where + length, false);
}

void PlainView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void PlainView::cut()
{
    if (!hasSelection())
        return;
    copy();
    replaceSelection(QStringView());
    ensureCaretVisible();
}

void PlainView::paste()
{
    insertFromMime(QGuiApplication::clipboard()->mimeData(), -1);
}

void PlainView::insertFromMime(const QMimeData* mime, qsizetype at)
{
    if (!mime || mime->hasUrls() || !mime->hasText())
        return;
    QString text = mime->text();
    // Line breaks of any style arrive as the document's.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    if (at >= 0)
        setSelection(at, at);
    replaceSelection(text);
    ensureCaretVisible();
}

void PlainView::setWrapWidth(int pixels)
{
    if (pixels == wrapWidth_)
        return;
    wrapWidth_ = pixels;
    dropLayouts();
    viewport()->update();
}

void PlainView::ensureCaretVisible()
{
    const Row caret = rowOf(position_);
    const Row top = topRow();
    const auto key = [](const Row& r) { return std::tie(r.line, r.stretch, r.row); };
    if (key(caret) < key(top)) {
        setTop(rowStart(caret));
        return;
    }
    // Within the rows the window shows whole?
    Row r = top;
    qreal y = kMargin + rowHeight(r);
    const int bottom = viewport()->height();
    while (!(r == caret)) {
        if (!nextRow(r))
            break;
        y += rowHeight(r);
        if (y > bottom)
            break;
    }
    if (r == caret && y <= bottom)
        return;
    // Put the caret's row at the bottom.
    Row t = caret;
    qreal h = kMargin + rowHeight(t);
    for (Row before = t; previousRow(before);) {
        h += rowHeight(before);
        if (h > bottom)
            break;
        t = before;
    }
    setTop(rowStart(t));
}

QRect PlainView::characterRect(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    const Row target = rowOf(offset);
    Row r = topRow();
    qreal y = kMargin;
    const int bottom = viewport()->height();
    while (!(r == target)) {
        y += rowHeight(r);
        if (y > bottom || !nextRow(r))
            return QRect();
    }
    const Unit& u = unit(r.line, r.stretch);
    const QTextLine tl = u.layout->lineAt(r.row);
    const int at = int(offset - store_->lineStart(r.line) - u.from);
    const qreal x = tl.cursorToX(at);
    qreal w = offset < store_->length() ? tl.cursorToX(at + 1) - x : 0;
    if (w <= 0)
        w = 1;
    return QRectF(kMargin + x, y, w, tl.height()).toAlignedRect();
}

QRect PlainView::caretRect() const
{
    QRect r = characterRect(position_);
    if (!r.isEmpty())
        r.setWidth(1);
    return r;
}

qsizetype PlainView::offsetAt(QPoint point) const
{
    Row r = topRow();
    qreal y = kMargin;
    if (point.y() < y)
        return offsetInRow(r, point.x());
    for (;;) {
        const qreal h = rowHeight(r);
        if (point.y() < y + h)
            return offsetInRow(r, point.x());
        y += h;
        Row next = r;
        if (!nextRow(next)) {
            // Below the last row: its end.
            const qsizetype at = offsetInRow(r, point.x());
            return point.y() >= y ? std::max(at, rowEnd(r) == store_->length() ? store_->length() : at) : at;
        }
        r = next;
    }
}

// ---------------------------------------------------------------------------------------------
// Words and characters

qsizetype PlainView::nextCharacter(qsizetype from) const
{
    const qsizetype n = store_->length();
    if (from >= n)
        return n;
    if (store_->at(from).isHighSurrogate() && from + 1 < n && store_->at(from + 1).isLowSurrogate())
        return from + 2;
    return from + 1;
}

qsizetype PlainView::previousCharacter(qsizetype from) const
{
    if (from <= 0)
        return 0;
    if (store_->at(from - 1).isLowSurrogate() && from >= 2 && store_->at(from - 2).isHighSurrogate())
        return from - 2;
    return from - 1;
}

// The start of the next word (Ctrl+Right): past the word or the punctuation at from, then past
// the spaces; a line break is a stop of its own.
qsizetype PlainView::wordEnd(qsizetype from) const
{
    const qsizetype n = store_->length();
    if (from >= n)
        return n;
    const QChar c = store_->at(from);
    qsizetype i = from;
    if (c == u'\n')
        return from + 1;
    if (isWordChar(c)) {
        while (i < n && isWordChar(store_->at(i)))
            ++i;
    } else if (!c.isSpace()) {
        while (i < n && !isWordChar(store_->at(i)) && !store_->at(i).isSpace())
            ++i;
    }
    while (i < n && store_->at(i).isSpace() && store_->at(i) != u'\n')
        ++i;
    return i;
}

// The start of the word before from (Ctrl+Left).
qsizetype PlainView::wordStart(qsizetype from) const
{
    if (from <= 0)
        return 0;
    qsizetype i = from;
    while (i > 0 && store_->at(i - 1).isSpace() && store_->at(i - 1) != u'\n')
        --i;
    if (i == 0)
        return 0;
    if (store_->at(i - 1) == u'\n')
        return i == from ? i - 1 : i;
    if (isWordChar(store_->at(i - 1))) {
        while (i > 0 && isWordChar(store_->at(i - 1)))
            --i;
    } else {
        while (i > 0 && !isWordChar(store_->at(i - 1)) && !store_->at(i - 1).isSpace())
            --i;
    }
    return i;
}

// ---------------------------------------------------------------------------------------------
// Keys

bool PlainView::navigate(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    if (mods & ~(Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    switch (e->key()) {
    case Qt::Key_Left:
        if (ctrl)
            moveCaret(wordStart(position_), shift);
        else if (hasSelection() && !shift)
            moveCaret(selectionStart(), false);
        else
            moveCaret(previousCharacter(position_), shift);
        return true;
    case Qt::Key_Right:
        if (ctrl)
            moveCaret(wordEnd(position_), shift);
        else if (hasSelection() && !shift)
            moveCaret(selectionEnd(), false);
        else
            moveCaret(nextCharacter(position_), shift);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (ctrl) {
            // Ctrl+Up and Ctrl+Down scroll by a line, the caret stays.
            const int action = e->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd;
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderAction(action));
            return true;
        }
        if (goalX_ < 0)
            goalX_ = xOf(position_);
        Row r = rowOf(position_);
        const bool moved = e->key() == Qt::Key_Up ? previousRow(r) : nextRow(r);
        qsizetype to = moved ? offsetInRow(r, goalX_)
                             : (e->key() == Qt::Key_Up ? 0 : store_->length());
        moveCaret(to, shift, true);
        return true;
    }
    case Qt::Key_Home:
        moveCaret(ctrl ? 0 : rowStart(rowOf(position_)), shift);
        return true;
    case Qt::Key_End: {
        if (ctrl) {
            moveCaret(store_->length(), shift);
            return true;
        }
        const Row r = rowOf(position_);
        qsizetype end = rowEnd(r);
        Row next = r;
        // A wrapped row ends before the space it wrapped at, or before its last character.
        if (nextRow(next) && next.line == r.line && end > rowStart(r))
            end = previousCharacter(end);
        moveCaret(end, shift);
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (ctrl)
            return false;
        if (goalX_ < 0)
            goalX_ = xOf(position_);
        const bool down = e->key() == Qt::Key_PageDown;
        const int steps = std::max(1, visibleRows() - 1);
        Row caret = rowOf(position_), top = topRow();
        int moved = 0;
        for (; moved < steps && (down ? nextRow(caret) : previousRow(caret)); ++moved) {}
        for (int i = 0; i < moved && (down ? nextRow(top) : previousRow(top)); ++i) {}
        setTop(rowStart(top));
        const qsizetype to = moved == 0 ? (down ? store_->length() : 0) : offsetInRow(caret, goalX_);
        moveCaret(to, shift, true);
        return true;
    }
    default:
        return false;
    }
}

void PlainView::keyPressEvent(QKeyEvent* e)
{
    bool handled = false;
    Q_EMIT keyArrived(e, &handled);
    if (handled) {
        e->accept();
        return;
    }
    e->accept();
    using Command = void (*)(PlainView&);
    static const std::pair<QKeySequence::StandardKey, Command> kEditKeys[] = {
        {QKeySequence::Undo, [](PlainView& v) { v.undo(); }},
        {QKeySequence::Redo, [](PlainView& v) { v.redo(); }},
        {QKeySequence::Copy, [](PlainView& v) { v.copy(); }},
        {QKeySequence::Cut, [](PlainView& v) { v.cut(); }},
        {QKeySequence::Paste, [](PlainView& v) { v.paste(); }},
        {QKeySequence::SelectAll, [](PlainView& v) {
             v.setSelection(0, v.store().length());
             v.selectionToX11();
         }},
    };
    for (const auto& [key, command] : kEditKeys) {
        if (e == key) {
            command(*this);
            return;
        }
    }
    if (navigate(e))
        return;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        // The selection goes, or else the character or word before or after the caret.
        const bool back = e->key() == Qt::Key_Backspace;
        const qsizetype to = back ? (ctrl ? wordStart(position_) : previousCharacter(position_))
                                  : (ctrl ? wordEnd(position_) : nextCharacter(position_));
        if (!hasSelection()) {
            if (to == position_)
                return;
            setSelection(position_, to);
        }
        replaceSelection(QStringView());
        ensureCaretVisible();
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        replaceSelection(u"\n", true);
        ensureCaretVisible();
        return;
    case Qt::Key_Tab:
        if (ctrl)
            break;
        replaceSelection(u"\t", true);
        ensureCaretVisible();
        return;
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier) {
            overwrite_ = !overwrite_;
            viewport()->update();
            return;
        }
        break;
    default:
        break;
    }
    const QString text = e->text();
    const bool printable = !text.isEmpty() && !(ctrl && !mods.testFlag(Qt::AltModifier))
                           && std::all_of(text.begin(), text.end(), [](QChar c) {
                                  return c.isPrint() || c.isSurrogate() || c == u'\t';
                              });
    if (!printable) {
        e->ignore();
        return;
    }
    if (overwrite_ && !hasSelection() && position_ < store_->length() && store_->at(position_) != u'\n')
        setSelection(position_, nextCharacter(position_));
    replaceSelection(text, true);
    ensureCaretVisible();
}

void PlainView::keyReleaseEvent(QKeyEvent* e)
{
    Q_EMIT keyReleased(e);
    e->accept();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void PlainView::mousePressEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    pressPoint_ = at;
    goalX_ = -1;
    if (e->button() == Qt::LeftButton) {
        const qsizetype offset = offsetAt(at);
        const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
        if (tripleClick_.isActive()
            && (at - pressPoint_).manhattanLength() < QApplication::startDragDistance()) {
            // The third click selects the whole line.
            tripleClick_.stop();
            const qsizetype line = store_->lineOf(offset);
            const qsizetype from = store_->lineStart(line);
            setSelection(from, from + store_->lineLength(line));
            clickCount_ = 3;
            selecting_ = false;
            selectionToX11();
            return;
        }
        clickCount_ = 1;
        pressInSelection_ = !shift && hasSelection() && offset >= selectionStart()
                            && offset < selectionEnd();
        if (pressInSelection_)
            return;
        selecting_ = true;
        setSelection(shift ? anchor_ : offset, offset);
    } else if (e->button() == Qt::MiddleButton) {
        e->accept();
    }
}

void PlainView::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    const QPoint at = e->position().toPoint();
    if (pressInSelection_) {
        if ((at - pressPoint_).manhattanLength() < QApplication::startDragDistance())
            return;
        pressInSelection_ = false;
        // Drag the selected text: moved within this view or to another program.
        auto* data = new QMimeData;
        data->setText(selectedText());
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const qsizetype from = selectionStart(), to = selectionEnd();
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        const QObject* target = drag->target();
        if (action == Qt::MoveAction && target != viewport() && target != this) {
            setSelection(from, to);
            replaceSelection(QStringView());
        }
        return;
    }
    if (!selecting_)
        return;
    const QRect inside = viewport()->rect();
    if (!inside.contains(at)) {
        if (!autoScroll_.isActive())
            autoScroll_.start(50, this);
    } else {
        autoScroll_.stop();
    }
    qsizetype offset = offsetAt(at);
    if (clickCount_ == 2) {
        // Dragging after a double-click selects whole words.
        if (offset < wordAnchorFrom_) {
            qsizetype from = offset;
            while (from > 0 && isWordChar(store_->at(from - 1)))
                --from;
            setSelection(wordAnchorTo_, from);
        } else {
            qsizetype to = offset;
            while (to < store_->length() && isWordChar(store_->at(to)))
                ++to;
            setSelection(wordAnchorFrom_, std::max(to, wordAnchorTo_));
        }
    } else {
        setSelection(anchor_, offset);
    }
    ensureCaretVisible();
}

void PlainView::mouseReleaseEvent(QMouseEvent* e)
{
    autoScroll_.stop();
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        if (pressInSelection_) {
            // A click in the selection without a drag puts the caret there.
            pressInSelection_ = false;
            const qsizetype offset = offsetAt(at);
            setSelection(offset, offset);
        } else if (selecting_ && hasSelection()) {
            selectionToX11();
        }
        selecting_ = false;
    } else if (e->button() == Qt::MiddleButton) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const qsizetype offset = offsetAt(at);
            insertFromMime(clipboard->mimeData(QClipboard::Selection), offset);
        }
    }
    Q_EMIT mouseReleased(e);
}

void PlainView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    const qsizetype offset = offsetAt(e->position().toPoint());
    qsizetype from = offset, to = offset;
    const qsizetype n = store_->length();
    if (offset < n && isWordChar(store_->at(offset))) {
        while (from > 0 && isWordChar(store_->at(from - 1)))
            --from;
        while (to < n && isWordChar(store_->at(to)))
            ++to;
    } else if (offset > 0 && isWordChar(store_->at(offset - 1))) {
        while (from > 0 && isWordChar(store_->at(from - 1)))
            --from;
    } else if (offset < n && store_->at(offset) != u'\n') {
        to = nextCharacter(offset);
    }
    wordAnchorFrom_ = from;
    wordAnchorTo_ = to;
    setSelection(from, to);
    clickCount_ = 2;
    selecting_ = true;
    pressInSelection_ = false;
    pressPoint_ = e->position().toPoint();
    tripleClick_.start(QApplication::doubleClickInterval(), this);
    selectionToX11();
}

void PlainView::contextMenuEvent(QContextMenuEvent* e)
{
    e->accept(); // the document window shows its own menu when the button is released
}

void PlainView::selectionToX11()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

void PlainView::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls() || e->mimeData()->hasText())
        e->acceptProposedAction();
    else
        e->ignore();
}

void PlainView::dragMoveEvent(QDragMoveEvent* e)
{
    const QMimeData* mime = e->mimeData();
    if (mime->hasUrls()) {
        e->acceptProposedAction();
        return;
    }
    if (!mime->hasText()) {
        e->ignore();
        return;
    }
    dropCaret_ = offsetAt(e->position().toPoint());
    viewport()->update();
    e->acceptProposedAction();
}

void PlainView::dragLeaveEvent(QDragLeaveEvent*)
{
    dropCaret_ = -1;
    viewport()->update();
}

void PlainView::dropEvent(QDropEvent* e)
{
    dropCaret_ = -1;
    const QMimeData* mime = e->mimeData();
    if (mime->hasUrls()) {
        QStringList files;
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                files << url.toLocalFile();
        }
        e->acceptProposedAction();
        if (!files.isEmpty())
            Q_EMIT filesDropped(files);
        return;
    }
    if (!mime->hasText()) {
        e->ignore();
        return;
    }
    qsizetype at = offsetAt(e->position().toPoint());
    const bool own = e->source() == this;
    if (own && e->dropAction() == Qt::MoveAction) {
        const qsizetype from = selectionStart(), to = selectionEnd();
        if (at >= from && at <= to) {
            e->setDropAction(Qt::IgnoreAction);
            e->accept();
            return;
        }
        // Moved within the document: one undo step.
        const QString text = selectedText();
        store_->beginGroup();
        replace(from, to - from, QStringView());
        if (at > from)
            at -= to - from;
        replace(at, 0, text);
        store_->endGroup();
        setSelection(at, at + text.size());
        e->acceptProposedAction();
        return;
    }
    QString text = mime->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    setSelection(at, at);
    replaceSelection(text);
    setSelection(at, at + text.size());
    e->acceptProposedAction();
    activateWindow();
    setFocus(Qt::MouseFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Focus, caret blinking, input methods

void PlainView::focusInEvent(QFocusEvent* e)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(e);
}

void PlainView::focusOutEvent(QFocusEvent* e)
{
    blink_.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(e);
}

void PlainView::restartBlink()
{
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus())
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void PlainView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == blink_.timerId()) {
        caretShown_ = !caretShown_;
        const QRect r = caretRect();
        viewport()->update(r.isEmpty() ? viewport()->rect() : r.adjusted(-2, -1, 2, 1));
    } else if (e->timerId() == autoScroll_.timerId()) {
        const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
        const qsizetype offset = offsetAt(at);
        Row r = rowOf(offset);
        if (at.y() < 0)
            previousRow(r);
        else if (at.y() > viewport()->height())
            nextRow(r);
        setSelection(anchor_, at.y() < 0 ? rowStart(r) : std::max(offset, rowStart(r)));
        ensureCaretVisible();
    } else if (e->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void PlainView::inputMethodEvent(QInputMethodEvent* e)
{
    const QString commit = e->commitString();
    if (e->replacementLength() > 0 && !hasSelection()) {
        const qsizetype from = std::clamp<qsizetype>(position_ + e->replacementStart(), 0, store_->length());
        setSelection(from, std::min(store_->length(), from + e->replacementLength()));
    }
    if (!commit.isEmpty() || e->replacementLength() > 0)
        replaceSelection(commit, true);
    const QString preedit = e->preeditString();
    preeditCursor_ = preedit.size();
    for (const QInputMethodEvent::Attribute& a : e->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            preeditCursor_ = a.start;
    }
    if (preedit != preedit_ || !preedit.isEmpty()) {
        preedit_ = preedit;
        const qsizetype line = store_->lineOf(position_);
        dropLayoutsOf(line, line, 0);
        viewport()->update();
    }
    e->accept();
}

QVariant PlainView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const qsizetype line = store_->lineOf(position_);
    const qsizetype lineFrom = store_->lineStart(line);
    // The text around the caret, at most a few hundred characters of its line.
    const qsizetype from = std::max(lineFrom, position_ - 512);
    const qsizetype to = std::min(lineFrom + store_->lineLength(line), position_ + 512);
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
        const QRect r = caretRect();
        return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
    }
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return int(position_ - from);
    case Qt::ImAnchorPosition: return int(std::clamp(anchor_, from, to) - from);
    case Qt::ImSurroundingText: return store_->text(from, to - from);
    case Qt::ImCurrentSelection: return hasSelection() && selectionEnd() - selectionStart() < 4096
                                            ? selectedText() : QString();
    case Qt::ImMaximumTextLength: return QVariant();
    case Qt::ImHints: return int(Qt::ImhMultiLine);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---------------------------------------------------------------------------------------------

void PlainView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    maxTop_ = -1;
    if (wrapWidth_ <= 0)
        dropLayouts();
    viewport()->update();
}

void PlainView::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        dropLayouts();
        viewport()->update();
    }
}

bool PlainView::event(QEvent* e)
{
    // Tab and Shift+Tab are keys of the editor, not moves of the keyboard focus.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    if (e->type() == QEvent::ShortcutOverride) {
        // Editing keys belong to the editor, unless the program's menus claim them.
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if (mods == Qt::NoModifier && k->key() < Qt::Key_Escape && !k->text().isEmpty()) {
            k->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

} // namespace platform
