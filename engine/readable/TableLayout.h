// TableLayout: the rows and cells of one table, held until the table is
// complete, then rendered as lines of text: cells side by side in columns
// as wide as their widest line (a cell spanning columns may widen the last
// of them, a cell spanning rows keeps its columns free below it), a row as
// tall as its tallest cell, the caption above. Layout tables read as
// paragraphs: a row with one cell is written as that cell's lines, and a
// table whose cells hold blocks (see MarkBlocks) is written cell after cell. A table whose
// columns together would be wider than kMaxAlignedWidth is not aligned: a
// row of one-line cells is one line, the cells two spaces apart; other rows
// are written cell after cell.
//
// Thread safety: one object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessark::readable {

class TableLayout {
public:
    static constexpr std::size_t kMaxAlignedWidth = 160;
    static constexpr std::size_t kCellOverhead = 128;  // bytes a cell costs beside its text

    void StartRow();
    // A cell's lines ("\n"-separated) at the end of the current row.
    void AddCell(std::string_view lines, std::size_t colspan, std::size_t rowspan);
    void SetCaption(std::string lines) {
        caption_ = std::move(lines);
        blocks_ = false;
    }
    // The cell being filled holds blocks (paragraphs, headings, lists). A
    // table with such cells for a quarter of its cells or more is a layout
    // table, read cell by cell.
    void MarkBlocks() { blocks_ = true; }
    // The bytes held.
    std::size_t Held() const { return held_; }
    // The held rows as lines ("\n"-separated), caption first; empties the
    // table (rows spanning further keep their columns for the rows to come).
    // The view is valid until the next call.
    std::string_view Render(std::size_t columnGap = 2);

private:
    // The cells' text is held in one string: a line is a range of it, a
    // cell a range of lines, a row a range of cells (from its start to the
    // next row's), so that a cell costs no allocation of its own.
    struct Line {
        std::size_t offset, size, width;
    };
    struct Cell {
        std::size_t firstLine = 0, lineCount = 0;
        std::size_t column = 0, span = 1, width = 0;
    };
    // A row written as its one cell's lines.
    static bool Paragraph(std::span<const Cell> row);
    std::span<const Cell> RowCells(std::size_t row) const;
    std::string text_;
    std::vector<Line> lines_;
    std::vector<Cell> cells_;  // a cell without text is not kept
    std::vector<std::size_t> rowStarts_;
    std::vector<std::size_t> spanLeft_;  // per column: rows a cell above still covers
    std::string caption_;
    std::string out_;                  // what Render returns, kept for its capacity
    std::vector<std::size_t> widths_;  // Render's column widths, likewise
    std::size_t held_ = 0;
    std::size_t nextColumn_ = 0;
    bool blocks_ = false;
    std::size_t cellCount_ = 0, blockCells_ = 0;
};

}  // namespace tessark::readable
