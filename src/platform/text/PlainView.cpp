#include "platform/text/PlainView.h"

#include "platform/text/PlainViewAccessible.h"
#include "platform/text/SyntaxHighlighter.h"
#include "platform/DocumentFiles.h"
#include "platform/StepsWithProgress.h"
#include "platform/ViewZoom.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

namespace platform {

namespace {

constexpr int kMargin = 4;

// Scroll bar values are ints: a longer text is scaled down.
qsizetype scrollScale(qsizetype length)
{
    return length / (qsizetype(INT_MAX) / 2) + 1;
}

} // namespace

PlainView::PlainView(TextStore& store, QWidget* parent)
    : QAbstractScrollArea(parent), store_(&store), layouts_(store), painter_(store, layouts_)
{
    installPlainViewAccessible();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    layouts_.setPaintDevice(viewport());
    layouts_.setFont(font());
    applyTabStop();
    updateGutter();
    layouts_.setWidth(wrapPixels());
    layouts_.setFormatter([this](qsizetype line, qsizetype from, qsizetype length) { return formatsOf(line, from, length); },
                          [this](qsizetype line, qsizetype from, qsizetype length) { return formatKey(line, from, length); });
    watchStore();
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &PlainView::scrollByRows);
    updateScrollBar();
}

PlainView::~PlainView() = default;

// ---------------------------------------------------------------------------------------------
// Scrolling

// A wrap width wider than the window (the line numbers and the scroll bar take their share of a
// margin meant for the border) would hide the ends of rows that cannot be scrolled to.
int PlainView::wrapPixels() const
{
    const int shown = std::max(1, viewport()->width() - 2 * kMargin - gutter_);
    return wrapWidth_ > 0 ? std::min(wrapWidth_, shown) : shown;
}

int PlainView::textLeft() const
{
    return gutter_ + kMargin - (wrap_ ? 0 : horizontalScrollBar()->value());
}

void PlainView::setLineNumbersVisible(bool visible)
{
    if (visible == lineNumbers_)
        return;
    lineNumbers_ = visible;
    updateGutter();
}

// The line numbers' column widens with the number of digits, and the text wraps beside it.
void PlainView::updateGutter()
{
    const int width = lineNumbers_ ? int(ViewPainter::gutterWidth(font(), store_->lineCount())) : 0;
    if (width == gutter_)
        return;
    gutter_ = width;
    maxTop_ = -1;
    layouts_.setWidth(wrapPixels());
    viewport()->update();
}

PlainView::Row PlainView::topRow() const
{
    return layouts_.rowOf(top_);
}

int PlainView::visibleRows() const
{
    return std::max(1, (viewport()->height() - kMargin) / std::max(1, fontMetrics().height()));
}

void PlainView::dropLayouts()
{
    maxTop_ = -1;
    layouts_.clear();
}

void PlainView::scrollByRows(int action)
{
    Row r = topRow();
    int steps = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: steps = 1; break;
    case QAbstractSlider::SliderSingleStepSub: steps = -1; break;
    case QAbstractSlider::SliderPageStepAdd: steps = std::max(1, visibleRows() - 1); break;
    case QAbstractSlider::SliderPageStepSub: steps = -std::max(1, visibleRows() - 1); break;
    default: return;
    }
    for (; steps > 0 && layouts_.nextRow(r); --steps) {}
    for (; steps < 0 && layouts_.previousRow(r); ++steps) {}
    setTop(layouts_.rowStart(r));
    verticalScrollBar()->setSliderPosition(int(top_ / scrollScale(store_->length())));
}

void PlainView::setTop(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    // Not so far down that the window would show less than a screenful.
    top_ = std::min(layouts_.rowStart(layouts_.rowOf(offset)), maxTop());
    viewport()->update();
}

// The start of the display line that shows the last screenful: kept until the text, the width
// or the height changes.
qsizetype PlainView::maxTop() const
{
    if (maxTop_ < 0) {
        Row last = layouts_.rowOf(store_->length());
        for (int i = visibleRows() - 1; i > 0 && layouts_.previousRow(last); --i) {}
        maxTop_ = layouts_.rowStart(last);
        maxTopLineStart_ = store_->lineStart(store_->lineOf(maxTop_));
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
    if (wrap_)
        return;
    // Sideways as far as the widest line laid out, and never less than where the caret was
    // last brought into view.
    QScrollBar* side = horizontalScrollBar();
    const int shown = std::max(1, viewport()->width() - gutter_ - 2 * kMargin);
    const int widest = int(std::ceil(layouts_.widest())) + 1;
    side->setRange(0, std::max({0, widest - shown, side->value()}));
    side->setPageStep(shown);
    side->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 3));
}

// Unwrapped, the caret is kept inside the window sideways, a few characters from its edge.
void PlainView::scrollToCaretSideways()
{
    if (wrap_)
        return;
    const int shown = std::max(1, viewport()->width() - gutter_ - 2 * kMargin);
    const qreal x = layouts_.xOf(position_);
    QScrollBar* side = horizontalScrollBar();
    const int room = std::min(shown / 4, fontMetrics().averageCharWidth() * 8);
    int left = side->value();
    if (x < left)
        left = std::max(0, int(std::floor(x)) - room);
    else if (x + 1 > left + shown)
        left = int(std::ceil(x)) + 1 - shown + room;
    else
        return;
    if (left > side->maximum())
        side->setMaximum(left);
    side->setValue(left);
}

void PlainView::scrollContentsBy(int dx, int)
{
    if (dx != 0)
        viewport()->update(); // sideways: textLeft() follows the bar
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
    layouts_.keepAround(topRow(), gutter_ + kMargin - textLeft());
    QPainter p(viewport());
    top_ = std::min(top_, store_->length());
    ViewPainter::Frame f;
    f.top = topRow();
    top_ = layouts_.rowStart(f.top);
    updateScrollBar();
    f.origin = QPointF(textLeft(), kMargin);
    f.gutter = gutter_;
    f.area = e->rect();
    f.bottom = viewport()->height();
    f.palette = palette();
    f.selectionFrom = selectionStart();
    f.selectionTo = selectionEnd();
    if ((caretShown_ && hasFocus() && !hasSelection()) || dropCaret_ >= 0)
        f.caret = dropCaret_ >= 0 ? dropCaret_ : position_;
    f.overwrite = overwrite_ && dropCaret_ < 0;
    f.preeditCursor = preedit_.isEmpty() ? 0 : preeditCursor_;
    f.brackets = matchedBrackets();
    if (!marks_.isEmpty())
        f.marks = shownMatchMarks();
    painter_.paint(p, f);
    if (!wrap_)
        updateScrollBar(); // the lines just laid out may be the widest yet
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
    goalX_ = -1; // Up and Down start again from where the caret now is
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
    const qreal goal = keepGoal ? goalX_ : -1;
    setSelection(select ? anchor_ : to, to);
    goalX_ = goal;
    ensureCaretVisible();
}

void PlainView::replace(qsizetype offset, qsizetype count, QStringView text, bool typed)
{
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
    const qsizetype n = store_->length();
    offset = std::clamp<qsizetype>(offset, 0, n);
    count = std::clamp<qsizetype>(count, 0, n - offset);
    if (count == 0 && text.isEmpty())
        return;
    // While the view does not paint (hidden, or frozen for a long edit such as Replace All) its
    // layouts are simply dropped: it lays out what it shows once it paints again.
    const bool painting = isVisible() && updatesEnabled() && !layouts_.empty();
    const qsizetype firstLine = painting ? store_->lineOf(offset) : 0;
    const qsizetype lastLine = !painting || count == 0 ? firstLine : store_->lineOf(offset + count);
    const qsizetype inLine = painting ? offset - store_->lineStart(firstLine) : 0;
    if (count == 0)
        store_->insert(offset, text, typed);
    else if (text.isEmpty())
        store_->remove(offset, count);
    else
        store_->replace(offset, count, text);
    changed(offset, count, text.size());
    updateGutter();
    if (!painting)
        dropLayouts();
    else if (firstLine == lastLine && !text.contains(u'\n'))
        layouts_.lineEdited(firstLine, inLine, count, text.size());
    else
        layouts_.dropLines(firstLine, lastLine, store_->lineOf(offset + text.size()) - lastLine);
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
    marks_ = TextMatcher();
    Q_EMIT edited(offset, count, text.size());
}

void PlainView::appendRead(TextStore&& part)
{
    const qsizetype end = store_->length();
    const qsizetype lastLine = store_->lineCount() - 1;
    // Text appended below the window leaves what it shows as it was: it is not painted again.
    const bool endShown = isVisible() && end <= shownEnd();
    store_->appendRead(std::move(part));
    if (endShown)
        viewport()->update();
    // The last line may have grown; the lines behind it are new.
    if (!layouts_.empty())
        layouts_.dropLines(lastLine, lastLine, store_->lineCount() - 1 - lastLine);
    // Until the read ends, the scroll bar reaches as far as the text does: the last screen is
    // found once, not laid out again for every part.
    maxTop_ = store_->length();
    maxTopLineStart_ = store_->lineStart(store_->lineCount() - 1);
    updateGutter();
    updateScrollBar();
}

void PlainView::appendingEnded()
{
    maxTop_ = -1;
    updateScrollBar();
    viewport()->update();
}

// Keeps the top of the window where it was in the text.
void PlainView::changed(qsizetype offset, qsizetype removed, qsizetype added)
{
    // The last screen's rows are laid out from the start of its first line on: an edit above
    // that line only moves them, and finding them again at the end of a large text is not free.
    if (maxTop_ >= 0 && offset + removed < maxTopLineStart_) {
        maxTop_ += added - removed;
        maxTopLineStart_ += added - removed;
    } else {
        maxTop_ = -1;
    }
    if (top_ > offset)
        top_ = top_ >= offset + removed ? top_ + added - removed : offset;
    viewport()->update();
}

void PlainView::replaceEach(const std::vector<qsizetype>& offsets, qsizetype count, QStringView text)
{
    if (offsets.empty())
        return;
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
    const qsizetype shift = text.size() - count;
    // Where an offset goes: behind the ranges before it, each longer or shorter by shift; one
    // inside a range goes to its start.
    const auto follow = [&](qsizetype p) {
        const auto after = std::upper_bound(offsets.begin(), offsets.end(), p);
        const qsizetype before = after - offsets.begin();
        if (before > 0 && p < offsets[size_t(before - 1)] + count)
            return offsets[size_t(before - 1)] + (before - 1) * shift;
        return p + before * shift;
    };
    const qsizetype first = offsets.front();
    const qsizetype lastEnd = offsets.back() + count;
    const qsizetype newTop = follow(top_);
    store_->replaceEach(offsets, count, text);
    dropLayouts();
    updateGutter();
    top_ = std::min(newTop, store_->length());
    marks_ = TextMatcher();
    viewport()->update();
    const qsizetype newLastEnd = lastEnd + qsizetype(offsets.size()) * shift;
    Q_EMIT edited(first, lastEnd - first, newLastEnd - first);
    goalX_ = -1;
    setSelection(newLastEnd, newLastEnd);
}

void PlainView::replaceSelection(QStringView text, bool typed)
{
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
    const qsizetype from = selectionStart();
    const qsizetype count = selectionEnd() - from;
    replace(from, count, text, typed);
    goalX_ = -1;
    setSelection(from + text.size(), from + text.size());
}

void PlainView::setStore(TextStore& store)
{
    store_->setLineWatcher({});
    store_ = &store;
    layouts_.setStore(store);
    painter_.setStore(store);
    watchStore();
    reset();
}

void PlainView::reset()
{
    dropLayouts();
    anchor_ = position_ = 0;
    top_ = 0;
    goalX_ = -1;
    preedit_.clear();
    layouts_.setPreedit(0, QString());
    syntax_->reset(store_->lineCount());
    syntax_->takeChanged();
    bracketsAt_ = -1;
    longTokens_.line = -1;
    marks_ = TextMatcher();
    if (syntax_->language() != syntax::LanguageId::None)
        syntaxFill_.start(0, this);
    updateGutter();
    updateScrollBar();
    viewport()->update();
    Q_EMIT selectionMoved();
}

void PlainView::undo(bool atOnce)
{
    undoOrRedo(false, atOnce);
}

void PlainView::redo()
{
    undoOrRedo(true, false);
}

void PlainView::undoOrRedo(bool redo, bool atOnce)
{
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
    qsizetype where = 0, length = 0;
    if (!atOnce && store_->startInParts(redo)) {
        // Between the parts the window paints the text as it stands, from the same line.
        const qsizetype topLine = store_->lineOf(top_);
        const auto follow = [this, topLine] {
            dropLayouts();
            updateGutter();
            top_ = store_->lineStart(std::min(topLine, store_->lineCount() - 1));
            anchor_ = std::min(anchor_, store_->length());
            position_ = std::min(position_, store_->length());
            viewport()->update();
        };
        const bool finished = runStepsWithProgress(
            this, redo ? QStringLiteral("Redoing...") : QStringLiteral("Undoing..."),
            [&](int& permille) {
                StepBudget budget;
                const bool more = store_->applyPart([&] { return budget.more(); });
                permille = store_->partsDone();
                follow();
                return more;
            },
            momentMs());
        store_->finishInParts(!finished, &where, &length);
        if (!finished) {
            follow();
            return;
        }
    } else if (!(redo ? store_->redo(&where, &length) : store_->undo(&where, &length))) {
        return;
    }
    dropLayouts();
    updateGutter();
    top_ = std::min(top_, store_->length());
    marks_ = TextMatcher();
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
    if (readOnly_) {
        Q_EMIT editRefused();
        return;
    }
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
    maxTop_ = -1;
    layouts_.setWidth(wrapPixels());
    viewport()->update();
}

void PlainView::setWordWrap(bool on)
{
    if (on == wrap_)
        return;
    wrap_ = on;
    maxTop_ = -1;
    horizontalScrollBar()->setValue(0);
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    layouts_.setWrapping(on);
    top_ = layouts_.rowStart(layouts_.rowOf(top_));
    updateScrollBar();
    ensureCaretVisible();
    viewport()->update();
}

void PlainView::wheelEvent(QWheelEvent* e)
{
    if (!e->modifiers().testFlag(Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    if (const int steps = wheelSteps(wheelRest_, e->angleDelta().y()))
        Q_EMIT zoomWheeled(steps);
    e->accept();
}

void PlainView::ensureCaretVisible()
{
    scrollToCaret(false);
}

void PlainView::ensureCaretVisibleCentred()
{
    scrollToCaret(true);
}

void PlainView::scrollToCaret(bool centre)
{
    scrollToCaretSideways();
    const Row caret = layouts_.rowOf(position_);
    const Row top = topRow();
    const int bottom = viewport()->height();
    if (caret < top) {
        if (!centre) {
            setTop(layouts_.rowStart(caret));
            return;
        }
    } else {
        // Within the rows the window shows whole?
        Row r = top;
        qreal y = kMargin + layouts_.rowHeight(r);
        while (!(r == caret)) {
            if (!layouts_.nextRow(r))
                break;
            y += layouts_.rowHeight(r);
            if (y > bottom)
                break;
        }
        if (r == caret && y <= bottom)
            return;
    }
    // Put the caret's row at the bottom, or with as much above it as below.
    const qreal room = centre ? (bottom + layouts_.rowHeight(caret)) / 2 : bottom;
    Row t = caret;
    qreal h = kMargin + layouts_.rowHeight(t);
    for (Row before = t; layouts_.previousRow(before);) {
        h += layouts_.rowHeight(before);
        if (h > room)
            break;
        t = before;
    }
    setTop(layouts_.rowStart(t));
}

// Behind the last row the window shows, even in part.
qsizetype PlainView::shownEnd() const
{
    Row r = topRow();
    qreal y = kMargin + layouts_.rowHeight(r);
    const int bottom = viewport()->height();
    while (y < bottom && layouts_.nextRow(r))
        y += layouts_.rowHeight(r);
    return layouts_.rowEnd(r);
}

void PlainView::setMatchMarks(const TextMatcher& matcher)
{
    marks_ = matcher;
    viewport()->update();
}

std::vector<std::pair<qsizetype, qsizetype>> PlainView::shownMatchMarks() const
{
    if (marks_.isEmpty())
        return {};
    return marks_.within(*store_, layouts_.rowStart(topRow()), shownEnd());
}

QRect PlainView::characterRect(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, store_->length());
    const Row target = layouts_.rowOf(offset);
    Row r = topRow();
    qreal y = kMargin;
    const int bottom = viewport()->height();
    while (!(r == target)) {
        y += layouts_.rowHeight(r);
        if (y > bottom || !layouts_.nextRow(r))
            return QRect();
    }
    const qsizetype inLine = offset - store_->lineStart(r.line);
    const LineLayouts::Unit& u = layouts_.unit(r.line, layouts_.wrapping() ? r.from : inLine);
    const QTextLine tl = u.layout->lineAt(r.row);
    const int at = int(inLine - u.from);
    const qreal x = layouts_.unitX(r.line, u.from) + tl.cursorToX(at);
    qreal w = offset < store_->length() ? tl.cursorToX(at + 1) - x : 0;
    if (w <= 0)
        w = 1;
    return QRectF(textLeft() + x, y, w, tl.height()).toAlignedRect();
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
        return layouts_.offsetInRow(r, point.x() - textLeft());
    for (;;) {
        const qreal h = layouts_.rowHeight(r);
        if (point.y() < y + h)
            return layouts_.offsetInRow(r, point.x() - textLeft());
        y += h;
        Row next = r;
        if (!layouts_.nextRow(next)) {
            // Below the last row: its end.
            const qsizetype at = layouts_.offsetInRow(r, point.x() - textLeft());
            return point.y() >= y ? std::max(at, layouts_.rowEnd(r) == store_->length() ? store_->length() : at) : at;
        }
        r = next;
    }
}

// ---------------------------------------------------------------------------------------------

void PlainView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    maxTop_ = -1;
    layouts_.setWidth(wrapPixels());
    viewport()->update();
}

void PlainView::setTabWidth(int characters)
{
    tabWidth_ = std::max(1, characters);
    applyTabStop();
    viewport()->update();
}

void PlainView::applyTabStop()
{
    layouts_.setTabStop(QFontMetricsF(font(), viewport()).horizontalAdvance(u' ') * tabWidth_);
}

void PlainView::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::PaletteChange)
        dropLayouts(); // the colours suit the background
    if (e->type() == QEvent::FontChange) {
        maxTop_ = -1;
        layouts_.setFont(font());
        applyTabStop();
        updateGutter();
        layouts_.setWidth(wrapPixels());
        scrollToCaretSideways(); // a larger or smaller font moves the caret sideways
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
