#include "TableLayout.h"

#include <algorithm>

#include "TextFlow.h"

namespace tessark::readable {
namespace {
constexpr std::size_t kMaxSpan = 1000;
}

bool TableLayout::Paragraph(std::span<const Cell> row) { return row.empty() || (row.size() == 1 && row[0].column == 0); }

std::span<const TableLayout::Cell> TableLayout::RowCells(std::size_t row) const {
    const std::size_t end = row + 1 < rowStarts_.size() ? rowStarts_[row + 1] : cells_.size();
    return {cells_.data() + rowStarts_[row], end - rowStarts_[row]};
}

void TableLayout::StartRow() {
    if (!rowStarts_.empty() || !spanLeft_.empty())
        for (std::size_t& s : spanLeft_) s = s > 0 ? s - 1 : 0;
    rowStarts_.push_back(cells_.size());
    nextColumn_ = 0;
    held_ += kCellOverhead;
}

void TableLayout::AddCell(std::string_view text, std::size_t colspan, std::size_t rowspan) {
    if (rowStarts_.empty()) StartRow();
    colspan = std::clamp<std::size_t>(colspan, 1, kMaxSpan);
    rowspan = std::clamp<std::size_t>(rowspan, 1, kMaxSpan);
    while (nextColumn_ < spanLeft_.size() && spanLeft_[nextColumn_] > 0) ++nextColumn_;
    ++cellCount_;
    if (blocks_) ++blockCells_;
    blocks_ = false;
    Cell c;
    c.column = nextColumn_;
    c.span = colspan;
    c.firstLine = lines_.size();
    held_ += text.size() + kCellOverhead;
    nextColumn_ += colspan;
    if (rowspan > 1) {
        if (spanLeft_.size() < nextColumn_) spanLeft_.resize(nextColumn_, 0);
        for (std::size_t k = c.column; k < nextColumn_; ++k) spanLeft_[k] = rowspan;
    }
    if (text.empty()) return;  // it takes its columns, and is not shown
    const std::size_t base = text_.size();
    text_.append(text);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t e = start;
        while (e < text.size() && text[e] != '\n') ++e;  // cells are short: no library call
        const std::size_t width = Columns(text.substr(start, e - start));
        lines_.push_back({base + start, e - start, width});
        c.width = std::max(c.width, width);
        start = e + 1;
    }
    c.lineCount = lines_.size() - c.firstLine;
    cells_.push_back(c);
}

std::string_view TableLayout::Render(std::size_t gap) {
    std::string& out = out_;
    out.assign(caption_);
    caption_.clear();
    if (!out.empty()) out += '\n';
    const auto lineOf = [this](const Cell& c, std::size_t i) {
        const Line& l = lines_[c.firstLine + i];
        return std::string_view(text_).substr(l.offset, l.size);
    };
    // Rows with one cell are written as paragraphs; the others give the
    // columns. Each column takes at least the gap: with too many of them
    // the table cannot be aligned, and their widths are not needed.
    std::vector<std::size_t>& widths = widths_;
    widths.clear();
    std::size_t columns = 0;
    for (std::size_t r = 0; r < rowStarts_.size(); ++r) {
        const std::span<const Cell> row = RowCells(r);
        if (!Paragraph(row)) columns = std::max(columns, row.back().column + row.back().span);
    }
    const bool tooWide = columns * gap > kMaxAlignedWidth + gap;
    for (std::size_t r = 0; r < rowStarts_.size() && !tooWide; ++r) {
        const std::span<const Cell> row = RowCells(r);
        if (Paragraph(row)) continue;
        for (const Cell& c : row) {
            if (widths.size() < c.column + c.span) widths.resize(c.column + c.span, 0);
            if (c.span == 1) widths[c.column] = std::max(widths[c.column], c.width);
        }
    }
    for (std::size_t r = 0; r < rowStarts_.size() && !tooWide; ++r) {
        const std::span<const Cell> row = RowCells(r);
        for (const Cell& c : row) {
            if (Paragraph(row) || c.span == 1) continue;
            std::size_t have = (c.span - 1) * gap;
            for (std::size_t k = c.column; k < c.column + c.span; ++k) have += widths[k];
            if (have < c.width) widths[c.column + c.span - 1] += c.width - have;
        }
    }
    std::size_t total = 0;
    for (std::size_t w : widths) total += w + gap;
    const bool layout = blockCells_ * 4 >= cellCount_ && blockCells_ > 0;
    const bool aligned = !layout && !tooWide && total <= kMaxAlignedWidth + gap;
    for (std::size_t r = 0; r < rowStarts_.size(); ++r) {
        const std::span<const Cell> row = RowCells(r);
        const bool oneLine = std::all_of(row.begin(), row.end(), [](const Cell& c) { return c.lineCount == 1; });
        if (!layout && !aligned && oneLine) {
            // Too wide to align: the row's cells on one line, apart.
            for (const Cell& c : row) out.append(lineOf(c, 0)).append(gap, ' ');
            out.resize(out.size() - gap);
            out += '\n';
            continue;
        }
        if (Paragraph(row) || !aligned) {
            for (const Cell& c : row) {
                for (std::size_t i = 0; i < c.lineCount; ++i) out.append(lineOf(c, i)) += '\n';
                if (!aligned) out += '\n';
            }
            continue;
        }
        std::size_t height = 0;
        for (const Cell& c : row) height = std::max(height, c.lineCount);
        for (std::size_t i = 0; i < height; ++i) {
            std::size_t column = 0, at = 0, want = 0;
            for (const Cell& c : row) {
                for (; column < c.column; ++column) want += widths[column] + gap;
                if (i < c.lineCount && lines_[c.firstLine + i].size > 0) {
                    const std::size_t pad = want > at ? want - at : (at > 0 ? 1 : 0);
                    out.append(pad, ' ');
                    out.append(lineOf(c, i));
                    at += pad + lines_[c.firstLine + i].width;
                }
                for (std::size_t k = 0; k < c.span; ++k, ++column) want += widths[column] + gap;
            }
            out += '\n';
        }
    }
    rowStarts_.clear();
    cells_.clear();
    lines_.clear();
    text_.clear();
    held_ = 0;
    return out;
}

}  // namespace tessark::readable
