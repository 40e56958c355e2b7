#include "TableLayout.h"

#include <algorithm>

#include "TextFlow.h"

namespace tessark::readable {
namespace {
constexpr std::size_t kMaxSpan = 1000;
}

bool TableLayout::Paragraph(const Row& row) { return row.empty() || (row.size() == 1 && row[0].column == 0); }

void TableLayout::StartRow() {
    if (!rows_.empty() || !spanLeft_.empty())
        for (std::size_t& s : spanLeft_) s = s > 0 ? s - 1 : 0;
    rows_.emplace_back();
    nextColumn_ = 0;
    held_ += kCellOverhead;
}

void TableLayout::AddCell(std::string text, std::size_t colspan, std::size_t rowspan) {
    if (rows_.empty()) StartRow();
    colspan = std::clamp<std::size_t>(colspan, 1, kMaxSpan);
    rowspan = std::clamp<std::size_t>(rowspan, 1, kMaxSpan);
    while (nextColumn_ < spanLeft_.size() && spanLeft_[nextColumn_] > 0) ++nextColumn_;
    ++cells_;
    if (blocks_) ++blockCells_;
    blocks_ = false;
    Cell c;
    c.column = nextColumn_;
    c.span = colspan;
    held_ += text.size() + kCellOverhead;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t e = text.find('\n', start);
        if (e == std::string::npos) e = text.size();
        c.lines.emplace_back(text, start, e - start);
        c.widths.push_back(Columns(c.lines.back()));
        c.width = std::max(c.width, c.widths.back());
        start = e + 1;
    }
    nextColumn_ += colspan;
    if (rowspan > 1) {
        if (spanLeft_.size() < nextColumn_) spanLeft_.resize(nextColumn_, 0);
        for (std::size_t k = c.column; k < nextColumn_; ++k) spanLeft_[k] = rowspan;
    }
    rows_.back().push_back(std::move(c));
}

std::string TableLayout::Render(std::size_t gap) {
    std::string out = std::move(caption_);
    caption_.clear();
    if (!out.empty()) out += '\n';
    // Rows with one cell are written as paragraphs; the others give the columns.
    std::vector<std::size_t> widths;
    for (Row& row : rows_) {
        std::erase_if(row, [](const Cell& c) { return c.lines.empty(); });
        if (Paragraph(row)) continue;
        for (const Cell& c : row) {
            if (widths.size() < c.column + c.span) widths.resize(c.column + c.span, 0);
            if (c.span == 1) widths[c.column] = std::max(widths[c.column], c.width);
        }
    }
    for (const Row& row : rows_) {
        for (const Cell& c : row) {
            if (Paragraph(row) || c.span == 1) continue;
            std::size_t have = (c.span - 1) * gap;
            for (std::size_t k = c.column; k < c.column + c.span; ++k) have += widths[k];
            if (have < c.width) widths[c.column + c.span - 1] += c.width - have;
        }
    }
    std::size_t total = 0;
    for (std::size_t w : widths) total += w + gap;
    const bool layout = blockCells_ * 4 >= cells_ && blockCells_ > 0;
    const bool aligned = !layout && total <= kMaxAlignedWidth + gap;
    for (const Row& row : rows_) {
        const bool oneLine = std::all_of(row.begin(), row.end(), [](const Cell& c) { return c.lines.size() == 1; });
        if (!layout && !aligned && oneLine) {
            // Too wide to align: the row's cells on one line, apart.
            for (const Cell& c : row) (out += c.lines[0]).append(gap, ' ');
            out.resize(out.size() - gap);
            out += '\n';
            continue;
        }
        if (Paragraph(row) || !aligned) {
            for (const Cell& c : row) {
                for (const std::string& l : c.lines) (out += l) += '\n';
                if (!aligned) out += '\n';
            }
            continue;
        }
        std::size_t height = 0;
        for (const Cell& c : row) height = std::max(height, c.lines.size());
        for (std::size_t i = 0; i < height; ++i) {
            std::size_t column = 0, at = 0, want = 0;
            for (const Cell& c : row) {
                for (; column < c.column; ++column) want += widths[column] + gap;
                if (i < c.lines.size() && !c.lines[i].empty()) {
                    const std::size_t pad = want > at ? want - at : (at > 0 ? 1 : 0);
                    out.append(pad, ' ');
                    out += c.lines[i];
                    at += pad + c.widths[i];
                }
                for (std::size_t k = 0; k < c.span; ++k, ++column) want += widths[column] + gap;
            }
            out += '\n';
        }
    }
    rows_.clear();
    held_ = 0;
    return out;
}

}  // namespace tessark::readable
