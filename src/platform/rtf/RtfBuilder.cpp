#include "platform/rtf/RtfBuilder.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <limits>

namespace platform::rtf {

RtfBuilder::RtfBuilder(QTextDocument& document)
    : cursor_(&document)
{
    cursor_.movePosition(QTextCursor::Start);
}

RtfBuilder::~RtfBuilder() = default;

void RtfBuilder::addRun(const QString& text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    if (!current_.runs.empty() && current_.runs.back().second == format)
        current_.runs.back().first += int(text.size());
    else
        current_.runs.emplace_back(int(text.size()), format);
    current_.text += text;
}

void RtfBuilder::dropText(int from, int to)
{
    const int size = int(current_.text.size());
    from = std::clamp(from, 0, size);
    to = std::clamp(to, from, size);
    if (from == to)
        return;
    current_.text.remove(from, to - from);
    std::vector<std::pair<int, QTextCharFormat>> runs;
    int at = 0;
    for (auto& [length, format] : current_.runs) {
        const int start = at;
        at += length;
        const int kept = length - std::max(0, std::min(at, to) - std::max(start, from));
        if (kept <= 0)
            continue;
        if (!runs.empty() && runs.back().second == format)
            runs.back().first += kept;
        else
            runs.emplace_back(kept, std::move(format));
    }
    current_.runs = std::move(runs);
}

RtfBuilder::Paragraph RtfBuilder::takeParagraph(const QTextBlockFormat& format)
{
    Paragraph paragraph = std::move(current_);
    paragraph.format = format;
    current_ = Paragraph();
    return paragraph;
}

void RtfBuilder::placeParagraph(Paragraph&& paragraph)
{
    if (tables_.empty()) {
        emitParagraph(cursor_, paragraph, blockUsed_);
        return;
    }
    Item item;
    item.paragraph = std::move(paragraph);
    tables_.back()->openCell.items.push_back(std::move(item));
}

void RtfBuilder::setTableLevel(int level)
{
    level = std::clamp(level, 0, kMaxTableDepth);
    while (int(tables_.size()) > level)
        closeTable();
    while (int(tables_.size()) < level)
        tables_.push_back(std::make_unique<Table>());
}

void RtfBuilder::endParagraph(const QTextBlockFormat& format)
{
    placeParagraph(takeParagraph(format));
}

void RtfBuilder::endCell(int level, const QTextBlockFormat& format)
{
    setTableLevel(std::max(level, 1));
    placeParagraph(takeParagraph(format));
    Table& table = *tables_.back();
    table.openRow.cells.push_back(std::move(table.openCell));
    table.openCell = Cell();
}

void RtfBuilder::endRow(int level, const std::vector<CellDef>& cells, RowPlace place)
{
    setTableLevel(std::max(level, 1));
    Table& table = *tables_.back();
    // Text after the row's last cell mark still belongs to the row: keep it as one more cell.
    if (!current_.text.isEmpty()) {
        placeParagraph(takeParagraph(QTextBlockFormat()));
    }
    if (!table.openCell.items.empty()) {
        table.openRow.cells.push_back(std::move(table.openCell));
        table.openCell = Cell();
    }
    if (table.openRow.cells.empty())
        return;
    table.openRow.defs = cells;
    table.openRow.place = place;
    table.rows.push_back(std::move(table.openRow));
    table.openRow = Row();
}

void RtfBuilder::closeTable()
{
    std::unique_ptr<Table> table = std::move(tables_.back());
    tables_.pop_back();
    if (!table->openCell.items.empty())
        table->openRow.cells.push_back(std::move(table->openCell));
    if (!table->openRow.cells.empty())
        table->rows.push_back(std::move(table->openRow));
    if (table->rows.empty())
        return;
    if (tables_.empty()) {
        emitTable(cursor_, *table, blockUsed_);
        return;
    }
    Item item;
    item.table = std::move(table);
    tables_.back()->openCell.items.push_back(std::move(item));
}

void RtfBuilder::finish(int level, const QTextBlockFormat& format)
{
    if (!current_.text.isEmpty()) {
        setTableLevel(level);
        endParagraph(format);
    }
    setTableLevel(0);
}

namespace {

QTextCharFormat openingFormat(const std::vector<std::pair<int, QTextCharFormat>>& runs)
{
    return runs.empty() ? QTextCharFormat() : runs.front().second;
}

} // namespace

void RtfBuilder::emitParagraph(QTextCursor& cursor, const Paragraph& paragraph, bool& blockUsed,
                               bool formatsInPlace)
{
    const QTextCharFormat firstFormat = openingFormat(paragraph.runs);
    if (blockUsed) {
        cursor.insertBlock(paragraph.format, firstFormat);
    } else if (!formatsInPlace) {
        cursor.setBlockFormat(paragraph.format);
        cursor.setBlockCharFormat(firstFormat);
    }
    blockUsed = true;
    if (paragraph.runs.size() == 1) {
        cursor.insertText(paragraph.text, firstFormat);
        return;
    }
    int start = 0;
    for (const auto& [length, format] : paragraph.runs) {
        cursor.insertText(paragraph.text.mid(start, length), format);
        start += length;
    }
}

void RtfBuilder::emitItems(QTextCursor& cursor, std::vector<Item>& items, bool& blockUsed,
                           bool openingInPlace)
{
    for (Item& item : items) {
        if (item.table)
            emitTable(cursor, *item.table, blockUsed);
        else
            emitParagraph(cursor, item.paragraph, blockUsed, openingInPlace);
        openingInPlace = false;
    }
}

namespace {

bool isBlank(const QString& text)
{
    for (QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

} // namespace

// Where each cell goes in the grid. Word processors lay a table out on the union of its rows'
// cell edges, so a row of three wide cells sits under a row of five narrow ones; where the edges
// do not rise as they should, cells simply go one per column.
RtfBuilder::Layout RtfBuilder::layOut(const Table& table)
{
    Layout layout;
    std::vector<int> edges;
    bool byEdges = true;
    qsizetype cells = 0;
    for (const Row& row : table.rows)
        cells += qsizetype(row.cells.size());
    // A grid far larger than the cells it holds is not worth building (nor its time).
    const auto sparse = [&](int columns) {
        const qsizetype grid = qsizetype(columns) * qsizetype(table.rows.size());
        return grid > 20000 && grid > 8 * cells;
    };
    for (const Row& row : table.rows) {
        if (row.defs.size() != row.cells.size()) {
            byEdges = false;
            break;
        }
        int last = std::numeric_limits<int>::min();
        for (const CellDef& def : row.defs) {
            byEdges = byEdges && def.right > last;
            last = def.right;
            edges.push_back(def.right);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (byEdges && !edges.empty() && int(edges.size()) <= kMaxTableColumns && !sparse(int(edges.size()))) {
        layout.columns = int(edges.size());
        layout.usable = true;
        // The columns start at the table's left edge, which the rows give; cell edges are
        // measured from the margin.
        int left = table.rows.front().place.left;
        for (const Row& row : table.rows)
            left = std::min(left, row.place.left);
        left = std::min(left, edges.front() - 15);
        layout.indent = left;
        // A table wider than any page (some writers give a relative width in made-up units)
        // keeps its proportions across the window.
        const int total = edges.back() - left;
        constexpr int kWidestPage = 31680;   // 22 inches
        for (int edge : edges) {
            const int width = std::max(edge - left, 15);
            layout.widths.append(total > kWidestPage
                                     ? QTextLength(QTextLength::PercentageLength, 100.0 * width / total)
                                     : QTextLength(QTextLength::FixedLength, width / 15.0));
            left = edge;
        }
        for (const Row& row : table.rows) {
            std::vector<Placement> placements;
            int column = 0;
            for (const CellDef& def : row.defs) {
                const int end = int(std::lower_bound(edges.begin(), edges.end(), def.right) - edges.begin());
                placements.push_back({column, end - column + 1});
                column = end + 1;
            }
            layout.rows.push_back(std::move(placements));
        }
        return layout;
    }
    for (const Row& row : table.rows) {
        std::vector<Placement> placements;
        for (int c = 0; c < int(row.cells.size()); ++c)
            placements.push_back({c, 1});
        layout.columns = std::max(layout.columns, int(row.cells.size()));
        layout.rows.push_back(std::move(placements));
    }
    layout.usable = layout.columns <= kMaxTableColumns && !sparse(layout.columns);
    return layout;
}

void RtfBuilder::emitTable(QTextCursor& cursor, Table& table, bool& blockUsed)
{
    // A table is laid out whole, on every key typed in it: a long report is shown as tables of
    // some tens of rows one under the other, joined by a seam that takes no room and is not
    // written, so that the file keeps one table. A seam never cuts a cell merged down.
    // (A line height of exactly 0 would count as none given.)
    if (table.rows.size() > size_t(kLongTableRows)) {
        // Every edit also walks all the parts: a very long table has longer parts.
        const size_t partRows = std::max(size_t(kTableRowsShownTogether),
                                         (table.rows.size() + kMostTableParts - 1) / kMostTableParts);
        Table part;
        for (size_t r = 0; r < table.rows.size(); ++r) {
            const Row& row = table.rows[r];
            const bool mergedDown = std::any_of(row.defs.begin(), row.defs.end(), [](const CellDef& d) {
                return (d.merge & MergeDown) != 0;
            });
            if (part.rows.size() >= partRows && !mergedDown) {
                emitTable(cursor, part, blockUsed);
                markSeam(cursor);
                part.rows.clear();
            }
            part.rows.push_back(std::move(table.rows[r]));
        }
        emitTable(cursor, part, blockUsed);
        return;
    }
    const Layout layout = layOut(table);
    if (!layout.usable) {
        // Not a table a reader could use: keep every cell's text, in order.
        for (Row& row : table.rows)
            for (Cell& cell : row.cells)
                emitItems(cursor, cell.items, blockUsed);
        return;
    }

    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    // One line between cells, as each cell's own border overlapping its neighbours' by its
    // width. Qt's collapsed borders look the same but find every cell's neighbours again at
    // every layout and paint: in a long table, over half the time of a key and of a repaint.
    format.setBorderCollapse(false);
    format.setCellSpacing(-format.border());
    format.setCellPadding(4);
    if (layout.indent > 0)
        format.setLeftMargin(layout.indent / 15.0);
    if (!layout.widths.isEmpty()) {
        format.setColumnWidthConstraints(layout.widths);
        if (layout.widths.front().type() == QTextLength::PercentageLength)
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    }

    const int rows = int(table.rows.size());
    const Paragraph* opening = sharedOpening(table, layout);
    QTextTable* textTable = cursor.insertTable(rows, layout.columns, format);
    if (opening) {
        // Every cell opens with the same formats, as a report's do: given to all cells at once,
        // they cost two changes instead of two for every cell (a fifth of the building time of
        // a long report).
        QTextCursor all(cursor.document());
        all.setPosition(textTable->firstPosition());
        all.setPosition(textTable->lastPosition(), QTextCursor::KeepAnchor);
        all.setBlockFormat(opening->format);
        all.setBlockCharFormat(openingFormat(opening->runs));
    }
    // Where each cell starts, found while the table is empty; the cells are then filled from the
    // last to the first, so that no filling moves a cell still to be filled. (Asking the table for
    // a cell after each filling would rebuild its grid every time: hours for a long report.)
    std::vector<std::pair<int, std::vector<Item>*>> fills;
    for (int r = 0; r < rows; ++r) {
        Row& row = table.rows[size_t(r)];
        for (int c = 0; c < int(row.cells.size()); ++c) {
            const std::uint8_t merge =
                c < int(row.defs.size()) ? row.defs[size_t(c)].merge : std::uint8_t(MergeNone);
            std::vector<Item>& items = row.cells[size_t(c)].items;
            // A cell merged into its neighbour shows nothing of its own unless it has real text.
            if ((merge & (MergeNext | MergeDown)) &&
                std::all_of(items.begin(), items.end(), [](const Item& item) {
                    return !item.table && isBlank(item.paragraph.text);
                }))
                continue;
            const int column = layout.rows[size_t(r)][size_t(c)].column;
            fills.emplace_back(textTable->cellAt(r, column).firstPosition(), &items);
        }
    }
    QTextCursor cellCursor(cursor.document());
    for (auto it = fills.rbegin(); it != fills.rend(); ++it) {
        cellCursor.setPosition(it->first);
        bool used = false;
        emitItems(cellCursor, *it->second, used, opening != nullptr);
    }
    mergeCells(textTable, table, layout);
    cursor.setPosition(textTable->lastPosition() + 1);
    blockUsed = false;
}

const RtfBuilder::Paragraph* RtfBuilder::sharedOpening(const Table& table, const Layout& layout)
{
    const Paragraph* first = nullptr;
    QTextCharFormat opening;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const Row& row = table.rows[r];
        if (int(row.cells.size()) != layout.columns)
            return nullptr;
        for (size_t c = 0; c < row.cells.size(); ++c) {
            const std::vector<Item>& items = row.cells[c].items;
            if ((c < row.defs.size() && row.defs[c].merge != MergeNone) || layout.rows[r][c].span != 1
                || items.empty() || items.front().table)
                return nullptr;
            const Paragraph& paragraph = items.front().paragraph;
            if (!first) {
                first = &paragraph;
                opening = openingFormat(paragraph.runs);
            } else if (paragraph.format != first->format || openingFormat(paragraph.runs) != opening) {
                return nullptr;
            }
        }
    }
    return first;
}

void RtfBuilder::markSeam(QTextCursor& cursor)
{
    QTextBlockFormat seam;
    seam.setProperty(kTableSeam, true);
    seam.setLineHeight(0.01, QTextBlockFormat::FixedHeight);
    cursor.setBlockFormat(seam);
    QTextCharFormat tiny;
    tiny.setFontPointSize(1);
    cursor.setBlockCharFormat(tiny);
}

void RtfBuilder::mergeCells(QTextTable* textTable, const Table& table, const Layout& layout)
{
    const int rows = int(table.rows.size());
    auto mergeOf = [&](int r, int i) -> std::uint8_t {
        const Row& row = table.rows[size_t(r)];
        return i < int(row.defs.size()) ? row.defs[size_t(i)].merge : std::uint8_t(MergeNone);
    };
    for (int r = 0; r < rows; ++r) {
        const std::vector<Placement>& placements = layout.rows[size_t(r)];
        for (int i = 0; i < int(placements.size()); ++i) {
            const std::uint8_t merge = mergeOf(r, i);
            int columnSpan = placements[size_t(i)].span;
            if (merge & MergeFirst)
                for (int j = i + 1; j < int(placements.size()) && (mergeOf(r, j) & MergeNext); ++j)
                    columnSpan += placements[size_t(j)].span;
            int rowSpan = 1;
            if (merge & MergeDownFirst) {
                for (int below = r + 1; below < rows; ++below) {
                    const std::vector<Placement>& next = layout.rows[size_t(below)];
                    const auto same = std::find_if(next.begin(), next.end(), [&](const Placement& p) {
                        return p.column == placements[size_t(i)].column;
                    });
                    if (same == next.end() || !(mergeOf(below, int(same - next.begin())) & MergeDown))
                        break;
                    ++rowSpan;
                }
            }
            const int column = placements[size_t(i)].column;
            columnSpan = std::min(columnSpan, textTable->columns() - column);
            const QTextTableCell cell = textTable->cellAt(r, column);
            if ((rowSpan > 1 || columnSpan > 1) && cell.row() == r && cell.column() == column &&
                cell.rowSpan() == 1 && cell.columnSpan() == 1)
                textTable->mergeCells(r, column, rowSpan, columnSpan);
        }
    }
}

} // namespace platform::rtf
