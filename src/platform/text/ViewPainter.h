#pragma once

#include "platform/text/LineLayouts.h"

#include <QFont>
#include <QPalette>
#include <QRect>
#include <utility>
#include <vector>

class QPainter;

namespace platform {

/// Paints what the plain view shows, from the layouts of its lines: the text, the selection, the
/// caret, and the line numbers in a column at the left (the gutter), below the window's top row.
class ViewPainter {
public:
    /// What one paint shows.
    struct Frame {
        LineLayouts::Row top;  ///< the row at the top of the window
        QPointF origin;        ///< where the top row's text starts
        qreal gutter = 0;      ///< the line numbers' width at the left; 0: none
        QRect area;            ///< the part of the window to paint
        int bottom = 0;        ///< the window's height
        QPalette palette;
        qsizetype selectionFrom = 0, selectionTo = 0;
        qsizetype caret = -1;  ///< where the caret is drawn; -1: nowhere
        bool overwrite = false; ///< the caret covers the character it stands on
        int preeditCursor = 0; ///< within the text being composed at the caret
        std::pair<qsizetype, qsizetype> brackets{-1, -1}; ///< a bracket and its partner, marked
        std::vector<std::pair<qsizetype, qsizetype>> marks; ///< matches of a search, (offset, length)
    };

    ViewPainter(const TextStore& store, const LineLayouts& layouts) : store_(&store), layouts_(&layouts) {}
    void setStore(const TextStore& store) { store_ = &store; }

    void paint(QPainter& p, const Frame& f) const;
    /// The width of the line numbers' column for a text of lineCount lines: it widens with the
    /// number of digits.
    static qreal gutterWidth(const QFont& font, qsizetype lineCount);
    /// The background of a search's matches on a document of this background colour.
    static QColor markColor(const QColor& background);

private:
    void paintUnwrapped(QPainter& p, const Frame& f) const;
    void drawUnit(QPainter& p, const Frame& f, qsizetype line, const LineLayouts::Unit& u, QPointF origin,
                  bool caretHere) const;
    void drawNumber(QPainter& p, const Frame& f, qsizetype line, const LineLayouts::Unit& u, qreal baseline) const;

    const TextStore* store_;
    const LineLayouts* layouts_;
};

} // namespace platform
