#pragma once

#include "platform/text/TextStore.h"

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <compare>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QPaintDevice;

namespace platform {

/// Which lines of a TextStore are laid out, wrapped at a width, and kept for the next paint.
///
/// A short line is laid out whole. A long one is laid out in stretches of whole rows: a stretch
/// is laid out from the start of one of its rows, and ends where its last full row ends, so its
/// rows are those the whole line would have and no stretch boundary shows. Where the stretches of
/// a long line fall is worked out a block of the line at a time, when the block is first shown,
/// and kept across edits: a key typed anywhere in a line of any length lays out the stretch it
/// lands in and rarely more.
///
/// Unwrapped, every line is one display row. A long line is then laid out in pieces of a fixed
/// number of characters, side by side: a piece is measured when it is first shown, and until
/// then its width is guessed from its length, so a line of any length costs what its shown
/// pieces cost.
class LineLayouts {
public:
    /// The whole of a short line, or some rows of a long one, laid out.
    struct Unit {
        qsizetype from = 0; ///< offsets within the line
        qsizetype to = 0;
        std::unique_ptr<QTextLayout> layout; ///< may hold more text than the stretch, never shown
        int rows = 1;                        ///< the layout's first rows, which are the stretch's
        qreal height = 0;                    ///< of those rows
        quint64 formatKey = 0;               ///< what FormatKey gave when it was laid out
    };
    /// A display row: row `row` of the stretch of `line` that starts at `from`.
    struct Row {
        qsizetype line = 0;
        qsizetype from = 0;
        int row = 0;
        bool operator==(const Row&) const = default;
        std::strong_ordering operator<=>(const Row&) const = default;
    };

    /// The formats (the syntax colours) of length characters of line from from, for a layout.
    using Formatter = std::function<QList<QTextLayout::FormatRange>(qsizetype line, qsizetype from, qsizetype length)>;
    /// A number that changes when those formats change: much cheaper to find than the formats.
    using FormatKey = std::function<quint64(qsizetype line, qsizetype from, qsizetype length)>;

    explicit LineLayouts(const TextStore& store);
    ~LineLayouts();

    void setStore(const TextStore& store);
    void setFont(const QFont& font);
    /// The distance between tab stops in pixels.
    void setTabStop(qreal pixels);
    void setPaintDevice(QPaintDevice* device);
    /// Wrap at this width in pixels.
    void setWidth(qreal width);
    /// Lines wrap (the default), or each is one row however wide.
    void setWrapping(bool on);
    bool wrapping() const { return wrap_; }
    /// Unwrapped: the widest line laid out so far, long lines with the pieces not yet shown
    /// guessed; the text can be scrolled this far sideways.
    qreal widest() const { return widest_; }
    /// Unwrapped: where the unit of line that starts at from starts, from the text's left edge
    /// (0 for every unit of a wrapped line).
    qreal unitX(qsizetype line, qsizetype from) const;
    /// Unwrapped: the start of the unit of line shown at x, and where it starts.
    std::pair<qsizetype, qreal> unitAtX(qsizetype line, qreal x) const;
    /// Text being composed by an input method, shown at offset (empty: none).
    void setPreedit(qsizetype offset, const QString& text);

    const Unit& unit(qsizetype line, qsizetype from) const;
    Row rowOf(qsizetype offset) const;
    bool nextRow(Row& r) const;
    bool previousRow(Row& r) const;
    qsizetype rowStart(const Row& r) const;
    qsizetype rowEnd(const Row& r) const; ///< behind the row's last character
    qreal rowHeight(const Row& r) const;
    bool lastRowOfLine(const Row& r) const;
    /// The offset in the row nearest x, measured from the text's left edge.
    qsizetype offsetInRow(const Row& r, qreal x) const;
    /// Where the caret at offset stands, from the text's left edge.
    qreal xOf(qsizetype offset) const;

    /// Lays out every line with the formats formatter gives (none: plain).
    void setFormatter(Formatter formatter, FormatKey key);
    /// The formats of lines [firstLine, lastLine) may have changed: those laid out whose formats
    /// did change are laid out anew when next shown. Of those, only the lines shown, [shownFirst,
    /// shownLast], are checked; the others are let go unchecked. Lines not laid out cost nothing.
    /// True when a shown one changed.
    bool reformat(qsizetype firstLine, qsizetype lastLine, qsizetype shownFirst, qsizetype shownLast);

    /// Everything is laid out anew when next asked for.
    void clear();
    /// Lines firstLine to lastLine changed and the lines after them moved by lineDelta.
    void dropLines(qsizetype firstLine, qsizetype lastLine, qsizetype lineDelta);
    /// removed characters at `at` within line were replaced by added ones, none a line break.
    void lineEdited(qsizetype line, qsizetype at, qsizetype removed, qsizetype added);
    /// Lets go of layouts far from the row at the top of the window (and, unwrapped, far
    /// sideways from left, the text's left edge shown).
    void keepAround(const Row& top, qreal left = 0);
    bool empty() const { return units_.empty(); }

private:
    struct Block {
        qsizetype start = 0;         ///< within the line
        std::vector<qsizetype> cuts; ///< where its stretches start; empty until worked out
        bool open = true;            ///< the stretches after the last cut are not yet known
    };
    /// Stretches known from before an edit, which the rows after it may meet again.
    struct Pending {
        std::vector<qsizetype> cuts;
        bool open = false; ///< the last of them ends what is known
    };
    struct LongLine {
        std::vector<Block> blocks;
    };
    /// A long line shown unwrapped.
    struct WideLine {
        std::vector<qsizetype> cuts; ///< where its pieces start, the first at 0
        std::vector<qreal> widths;   ///< of each piece; below 0 until it is laid out
        qreal width = 0;             ///< of the whole line, pieces not laid out guessed
    };

    bool isLong(qsizetype line) const;
    LongLine& longLine(qsizetype line) const;
    void extend(qsizetype line, LongLine& l, size_t block, Pending pending, qsizetype until) const;
    std::pair<qsizetype, qsizetype> stretchAt(qsizetype line, qsizetype inLine) const;
    std::unique_ptr<QTextLayout> layOut(qsizetype line, qsizetype from, qsizetype length,
                                        bool withPreedit) const;
    void keep(qsizetype line, Unit u) const;
    void dropUnits(qsizetype line, qsizetype from, qsizetype to) const;
    qreal fallbackHeight() const;
    WideLine& wideLine(qsizetype line) const;
    qreal pieceWidth(const WideLine& w, size_t k, qsizetype lineLength) const;
    void measured(qsizetype line, const Unit& u) const;
    void wideLineEdited(qsizetype line, qsizetype at, qsizetype removed, qsizetype added);
    void keepAroundSideways(const Row& top, qreal left);

    const TextStore* store_;
    QFont font_;
    QPaintDevice* device_ = nullptr;
    Formatter formatter_;
    FormatKey formatKey_;
    qreal width_ = 1;
    qreal tabStop_ = 80;
    bool wrap_ = true;
    mutable qreal widest_ = 0;
    mutable qreal average_ = -1; ///< the font's average character width, once asked for
    qsizetype preeditAt_ = -1;
    QString preedit_;
    mutable std::map<std::pair<qsizetype, qsizetype>, Unit> units_;
    mutable std::map<qsizetype, LongLine> long_;
    mutable std::map<qsizetype, WideLine> wide_;
};

} // namespace platform
