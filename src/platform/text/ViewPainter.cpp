#include "platform/text/ViewPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr qreal kGutterPad = 4;

QColor mixed(const QColor& a, const QColor& b, qreal share)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * share),
                            float(a.greenF() + (b.greenF() - a.greenF()) * share),
                            float(a.blueF() + (b.blueF() - a.blueF()) * share));
}

} // namespace

qreal ViewPainter::gutterWidth(const QFont& font, qsizetype lineCount)
{
    int digits = 1;
    for (qsizetype n = lineCount; n >= 10; n /= 10)
        ++digits;
    return std::ceil(digits * QFontMetricsF(font).horizontalAdvance(u'9') + 2 * kGutterPad);
}

// A highlighter pen's soft yellow over the page, strong enough to find on a dark page under its
// light text. A page that is itself yellowish gets a blue-green, so the marks still stand out.
QColor ViewPainter::markColor(const QColor& background)
{
    const bool dark = background.lightnessF() < 0.5;
    const qreal hue = background.hslHueF() * 360;
    const bool yellowish = background.hslSaturationF() > 0.3 && hue >= 30 && hue <= 90;
    const QColor pen = yellowish ? QColor(0, 190, 230) : QColor(255, 210, 0);
    return mixed(background, pen, dark ? 0.4 : 0.55);
}

void ViewPainter::paint(QPainter& p, const Frame& f) const
{
    // The numbers and their column take their colours from the document's background, whatever
    // the text's colour: towards white on a dark background, towards black on a light one.
    const QColor background = f.palette.color(QPalette::Base);
    const QColor away = background.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    if (f.gutter > 0)
        p.fillRect(QRectF(0, f.area.top(), f.gutter, f.area.height()), mixed(background, away, 0.06));
    p.setPen(f.palette.color(QPalette::Text));
    if (!layouts_->wrapping()) {
        paintUnwrapped(p, f);
        return;
    }
    LineLayouts::Row r = f.top;
    qreal y = f.origin.y();
    while (y < f.bottom) {
        const LineLayouts::Unit& u = layouts_->unit(r.line, r.from);
        const QTextLine first = u.layout->lineAt(r.row);
        const qreal unitTop = y - (first.isValid() ? first.y() : 0);
        const QPointF origin(f.origin.x(), unitTop);
        const qsizetype lineStart = store_->lineStart(r.line);
        bool caretHere = false;
        if (f.caret >= lineStart + u.from && f.caret <= lineStart + u.to) {
            const LineLayouts::Row cr = layouts_->rowOf(f.caret);
            caretHere = cr.line == r.line && cr.from == u.from;
        }
        drawUnit(p, f, r.line, u, origin, caretHere);
        if (f.gutter > 0 && u.from == 0 && r.row == 0 && first.isValid())
            drawNumber(p, f, r.line, u, y + first.ascent());
        y = unitTop + u.height;
        // On to the next stretch or line.
        r.from = u.from;
        r.row = u.rows - 1;
        if (!layouts_->nextRow(r))
            break;
    }
}

// Each row is a line; of a long one, only the pieces inside the window are drawn, and none over
// the line numbers' column.
void ViewPainter::paintUnwrapped(QPainter& p, const Frame& f) const
{
    LineLayouts::Row r = f.top;
    qreal y = f.origin.y();
    const qreal left = f.gutter - f.origin.x(), right = f.area.right() + 1 - f.origin.x();
    while (y < f.bottom) {
        const qsizetype length = store_->lineLength(r.line);
        auto [from, x] = layouts_->unitAtX(r.line, left);
        const qreal rowHeight = layouts_->rowHeight(r);
        p.save();
        p.setClipRect(QRectF(f.gutter, y, f.area.right() + 1 - f.gutter, rowHeight));
        for (;;) {
            const LineLayouts::Unit& u = layouts_->unit(r.line, from);
            const qsizetype base = store_->lineStart(r.line) + u.from;
            const bool caretHere = f.caret >= base && (f.caret < base + u.to - u.from || u.to >= length);
            drawUnit(p, f, r.line, u, QPointF(f.origin.x() + x, y), caretHere);
            if (u.to >= length)
                break;
            x = layouts_->unitX(r.line, u.to);
            if (x >= right)
                break;
            from = u.to;
        }
        p.restore();
        const LineLayouts::Unit& first = layouts_->unit(r.line, 0);
        if (f.gutter > 0 && first.layout->lineAt(0).isValid())
            drawNumber(p, f, r.line, first, y + first.layout->lineAt(0).ascent());
        y += rowHeight;
        if (!layouts_->nextRow(r))
            break;
    }
}

void ViewPainter::drawNumber(QPainter& p, const Frame& f, qsizetype line, const LineLayouts::Unit& u,
                             qreal baseline) const
{
    const QColor background = f.palette.color(QPalette::Base);
    const QColor away = background.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    const QString number = QString::number(line + 1);
    const QFontMetricsF fm(u.layout->font());
    p.setFont(u.layout->font());
    p.setPen(mixed(background, away, 0.55));
    p.drawText(QPointF(f.gutter - kGutterPad - fm.horizontalAdvance(number), baseline), number);
    p.setPen(f.palette.color(QPalette::Text));
}

// The unit's text with the selection and the marked brackets, the line break when it is
// selected, and the caret when it stands here.
void ViewPainter::drawUnit(QPainter& p, const Frame& f, qsizetype line, const LineLayouts::Unit& u,
                           QPointF origin, bool caretHere) const
{
    const QColor background = f.palette.color(QPalette::Base);
    const QColor away = background.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    const qreal unitTop = origin.y();
    const qsizetype lineStart = store_->lineStart(line);
    const qsizetype base = lineStart + u.from;
    const qsizetype end = lineStart + u.to;
    QList<QTextLayout::FormatRange> selections;
    // The marks go first: the selection is drawn over them.
    for (auto m = std::partition_point(f.marks.begin(), f.marks.end(),
                                       [base](const auto& mark) { return mark.first + mark.second <= base; });
         m != f.marks.end() && m->first < end; ++m) {
        QTextLayout::FormatRange range;
        range.start = int(std::max(m->first, base) - base);
        range.length = int(std::min(m->first + m->second, end) - base - range.start);
        range.format.setBackground(markColor(background));
        selections.append(range);
    }
    if (f.selectionFrom < end && f.selectionTo > base) {
        QTextLayout::FormatRange range;
        range.start = int(std::max(f.selectionFrom, base) - base);
        range.length = int(std::min(f.selectionTo, end) - base - range.start);
        range.format.setBackground(f.palette.brush(QPalette::Highlight));
        range.format.setForeground(f.palette.brush(QPalette::HighlightedText));
        selections.append(range);
    }
    // The bracket beside the caret and its partner stand in a box of the numbers' shade.
    for (const qsizetype at : {f.brackets.first, f.brackets.second}) {
        if (f.brackets.second < 0 || at < base || at >= end
            || (at >= f.selectionFrom && at < f.selectionTo))
            continue;
        QTextLayout::FormatRange range;
        range.start = int(at - base);
        range.length = 1;
        range.format.setBackground(mixed(background, away, 0.22));
        selections.append(range);
    }
    // A stretch's layout may run on past its last row: only its own rows are drawn.
    const QRectF own = QRectF(f.area).intersected(
        QRectF(f.area.left(), unitTop, f.area.width(), u.height));
    if (!own.isEmpty()) {
        p.save();
        p.setClipRect(own, Qt::IntersectClip);
        u.layout->draw(&p, origin, selections, own);
        p.restore();
    }
    const bool lastOfLine = u.to >= store_->lineLength(line);
    if (lastOfLine && f.selectionFrom <= end && f.selectionTo > end && end < store_->length()) {
        // The line break is selected: a space's width behind the line shows it.
        const QTextLine tl = u.layout->lineAt(u.rows - 1);
        if (tl.isValid()) {
            const qreal x = origin.x() + tl.naturalTextWidth();
            const qreal space = QFontMetricsF(u.layout->font()).horizontalAdvance(u' ');
            p.fillRect(QRectF(x, unitTop + tl.y(), space, tl.height()), f.palette.brush(QPalette::Highlight));
        }
    }
    if (caretHere) {
        int width = 1;
        if (f.overwrite && f.caret < end) {
            const LineLayouts::Row cr = layouts_->rowOf(f.caret);
            const QTextLine tl = u.layout->lineAt(layouts_->wrapping() ? cr.row : 0);
            width = std::max(1, int(tl.cursorToX(int(f.caret - base + 1)) - tl.cursorToX(int(f.caret - base))));
        }
        u.layout->drawCursor(&p, origin, int(f.caret - base + f.preeditCursor), width);
    }
}

} // namespace platform
