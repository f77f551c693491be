#pragma once

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextLength>

#include <cstdint>
#include <memory>
#include <vector>

class QTextDocument;
class QTextTable;

namespace platform::rtf {

/// Deepest table nesting that is kept as tables; deeper levels are folded into the deepest one.
inline constexpr int kMaxTableDepth = 8;
/// Widest table that is built as a QTextTable; wider ones (and ones whose rows differ so much
/// that the grid would be mostly empty) are shown as their cells' text.
inline constexpr int kMaxTableColumns = 64;

/// Tables longer than this are shown as several tables of kTableRowsShownTogether rows (more in
/// a table that would otherwise make over kMostTableParts parts), one under the other, joined by
/// an empty paragraph whose block format has kTableSeam: a hairline high, and left out by
/// writers, so that the rows make one table again.
inline constexpr int kLongTableRows = 200;
inline constexpr int kTableRowsShownTogether = 20;
inline constexpr size_t kMostTableParts = 4000;
inline constexpr int kTableSeam = QTextFormat::UserProperty + 0x5400;

/// Builds the document from paragraphs and table structure as the reader finds them. Paragraphs
/// outside tables go straight into the document through one cursor; a table is gathered whole and
/// inserted when it ends, as a QTextTable when its structure is sound, otherwise as its cells'
/// paragraphs one after the other.
class RtfBuilder {
public:
    explicit RtfBuilder(QTextDocument& document);
    ~RtfBuilder();

    /// Text of the paragraph being read, in one format.
    void addRun(const QString& text, const QTextCharFormat& format);
    bool paragraphIsEmpty() const { return current_.text.isEmpty(); }
    int paragraphLength() const { return int(current_.text.size()); }
    /// Takes the characters from `from` to `to` out of the paragraph being read.
    void dropText(int from, int to);

    /// Makes sure that `level` tables are open (0: the document body), closing or opening as needed.
    void setTableLevel(int level);
    int tableLevel() const { return int(tables_.size()); }

    void endParagraph(const QTextBlockFormat& format);
    void endCell(int level, const QTextBlockFormat& format);
    /// How a cell of a row definition joins its neighbours (\clmgf, \clmrg, \clvmgf, \clvmrg).
    enum CellMerge : std::uint8_t {
        MergeNone = 0,
        MergeFirst = 1,       // first of cells merged across
        MergeNext = 2,        // merged into the cell on its left
        MergeDownFirst = 4,   // first of cells merged down
        MergeDown = 8,        // merged into the cell above
    };
    struct CellDef {
        int right = 0;   // right edge in twips (\cellx)
        std::uint8_t merge = MergeNone;
    };
    /// Where a row stands: its left edge (\trleft), in twips.
    struct RowPlace {
        int left = 0;
    };
    void endRow(int level, const std::vector<CellDef>& cells, RowPlace place);

    /// Ends what is open: the last paragraph (when it holds text) and any table.
    void finish(int level, const QTextBlockFormat& format);

private:
    struct Paragraph {
        QTextBlockFormat format;
        QString text;
        std::vector<std::pair<int, QTextCharFormat>> runs;   // length, format
    };
    struct Table;
    struct Item {
        Paragraph paragraph;
        std::unique_ptr<Table> table;   // set: the item is a nested table
    };
    struct Cell {
        std::vector<Item> items;
    };
    struct Row {
        std::vector<Cell> cells;
        std::vector<CellDef> defs;
        RowPlace place;
    };
    struct Table {
        std::vector<Row> rows;
        Row openRow;
        Cell openCell;
    };

    Paragraph takeParagraph(const QTextBlockFormat& format);
    void placeParagraph(Paragraph&& paragraph);
    void closeTable();
    void emitParagraph(QTextCursor& cursor, const Paragraph& paragraph, bool& blockUsed,
                       bool formatsInPlace = false);
    void emitTable(QTextCursor& cursor, Table& table, bool& blockUsed);
    void emitItems(QTextCursor& cursor, std::vector<Item>& items, bool& blockUsed,
                   bool openingInPlace = false);
    struct Placement {
        int column = 0;
        int span = 1;
    };
    struct Layout {
        bool usable = false;   // false: too wide or too sparse to show as a table
        int columns = 0;
        QList<QTextLength> widths;
        int indent = 0;    // twips from the margin to the table's left edge
        std::vector<std::vector<Placement>> rows;   // per row, per cell
    };
    static Layout layOut(const Table& table);
    /// The paragraph every cell of the table opens with, when all open alike in a full grid.
    static const Paragraph* sharedOpening(const Table& table, const Layout& layout);
    static void markSeam(QTextCursor& cursor);
    static void mergeCells(QTextTable* textTable, const Table& table, const Layout& layout);

    QTextCursor cursor_;
    bool blockUsed_ = false;
    Paragraph current_;
    std::vector<std::unique_ptr<Table>> tables_;
};

} // namespace platform::rtf
