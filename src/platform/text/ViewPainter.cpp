#include "platform/text/ViewPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace platform {

void ViewPainter::paint(QPainter& p, const Frame& f) const
{
    p.setPen(f.palette.color(QPalette::Text));
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
        if (f.selectionFrom < end && f.selectionTo > base) {
            QTextLayout::FormatRange range;
            range.start = int(std::max(f.selectionFrom, base) - base);
            range.length = int(std::min(f.selectionTo, end) - base - range.start);
            range.format.setBackground(f.palette.brush(QPalette::Highlight));
            range.format.setForeground(f.palette.brush(QPalette::HighlightedText));
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
