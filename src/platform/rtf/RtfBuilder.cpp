#include "platform/rtf/RtfBuilder.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

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

void RtfBuilder::endRow(int level, const std::vector<int>& cellRight)
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
    table.openRow.cellRight = cellRight;
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

void RtfBuilder::emitParagraph(QTextCursor& cursor, const Paragraph& paragraph, bool& blockUsed)
{
    const QTextCharFormat firstFormat =
        paragraph.runs.empty() ? QTextCharFormat() : paragraph.runs.front().second;
    if (blockUsed) {
        cursor.insertBlock(paragraph.format, firstFormat);
    } else {
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

void RtfBuilder::emitItems(QTextCursor& cursor, std::vector<Item>& items, bool& blockUsed)
{
    for (Item& item : items) {
        if (item.table)
            emitTable(cursor, *item.table, blockUsed);
        else
            emitParagraph(cursor, item.paragraph, blockUsed);
    }
}

void RtfBuilder::emitTable(QTextCursor& cursor, Table& table, bool& blockUsed)
{
    int columns = 0;
    for (const Row& row : table.rows)
        columns = std::max(columns, int(row.cells.size()));
    if (columns > kMaxTableColumns) {
        // Not a table a reader could use: keep every cell's text, in order.
        for (Row& row : table.rows)
            for (Cell& cell : row.cells)
                emitItems(cursor, cell.items, blockUsed);
        return;
    }

    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(4);
    // Column widths from the widest row's cell edges, when they rise as they should.
    const Row* widest = &table.rows.front();
    for (const Row& row : table.rows)
        if (row.cells.size() > widest->cells.size())
            widest = &row;
    if (int(widest->cellRight.size()) == columns) {
        QList<QTextLength> widths;
        int left = 0;
        for (int right : widest->cellRight) {
            if (right <= left)
                break;
            widths.append(QTextLength(QTextLength::FixedLength, (right - left) / 15.0));
            left = right;
        }
        if (widths.size() == columns)
            format.setColumnWidthConstraints(widths);
    }

    QTextTable* textTable = cursor.insertTable(int(table.rows.size()), columns, format);
    for (int r = 0; r < int(table.rows.size()); ++r) {
        Row& row = table.rows[size_t(r)];
        for (int c = 0; c < int(row.cells.size()); ++c) {
            QTextCursor cellCursor = textTable->cellAt(r, c).firstCursorPosition();
            bool used = false;
            emitItems(cellCursor, row.cells[size_t(c)].items, used);
        }
    }
    cursor.setPosition(textTable->lastPosition() + 1);
    blockUsed = false;
}

} // namespace platform::rtf
