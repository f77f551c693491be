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
    const QColor background = f.palette.color(QPalette::Base), ink = f.palette.color(QPalette::Text);
    const QColor away = background.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    if (f.gutter > 0)
        p.fillRect(QRectF(0, f.area.top(), f.gutter, f.area.height()), mixed(background, away, 0.06));
    const QColor numberInk = mixed(background, away, 0.55);
    p.setPen(ink);
    LineLayouts::Row r = f.top;
    qreal y = f.origin.y();
    while (y < f.bottom) {
        const LineLayouts::Unit& u = layouts_->unit(r.line, r.from);
        const QTextLine first = u.layout->lineAt(r.row);
        const qreal unitTop = y - (first.isValid() ? first.y() : 0);
        const QPointF origin(f.origin.x(), unitTop);
        const qsizetype lineStart = store_->lineStart(r.line);
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
            p.setClipRect(own);
            u.layout->draw(&p, origin, selections, own);
            p.restore();
        }
        if (f.gutter > 0 && u.from == 0 && r.row == 0 && first.isValid()) {
            const QString number = QString::number(r.line + 1);
            const QFontMetricsF fm(u.layout->font());
            p.setFont(u.layout->font());
            p.setPen(numberInk);
            p.drawText(QPointF(f.gutter - kGutterPad - fm.horizontalAdvance(number), y + first.ascent()), number);
            p.setPen(ink);
        }
        const bool lastOfLine = u.to >= store_->lineLength(r.line);
        if (lastOfLine && f.selectionFrom <= end && f.selectionTo > end && end < store_->length()) {
            // The line break is selected: a space's width behind the line shows it.
            const QTextLine tl = u.layout->lineAt(u.rows - 1);
            if (tl.isValid()) {
                const qreal x = origin.x() + tl.naturalTextWidth();
                const qreal space = QFontMetricsF(u.layout->font()).horizontalAdvance(u' ');
                p.fillRect(QRectF(x, unitTop + tl.y(), space, tl.height()), f.palette.brush(QPalette::Highlight));
            }
        }
        if (f.caret >= base && f.caret <= end) {
            const LineLayouts::Row cr = layouts_->rowOf(f.caret);
            if (cr.line == r.line && cr.from == u.from) {
                int width = 1;
                if (f.overwrite && f.caret < end) {
                    const QTextLine tl = u.layout->lineAt(cr.row);
                    width = std::max(1, int(tl.cursorToX(int(f.caret - base + 1)) - tl.cursorToX(int(f.caret - base))));
                }
                u.layout->drawCursor(&p, origin, int(f.caret - base + f.preeditCursor), width);
            }
        }
        y = unitTop + u.height;
        // On to the next stretch or line.
        r.from = u.from;
        r.row = u.rows - 1;
        if (!layouts_->nextRow(r))
            break;
    }
}

} // namespace platform
