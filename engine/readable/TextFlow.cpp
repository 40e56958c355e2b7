#include "TextFlow.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tessark::readable {
namespace {

bool Wide(char32_t c) noexcept {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool Zero(char32_t c) noexcept {
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x483 && c <= 0x489) || (c >= 0x591 && c <= 0x5BD) ||
           (c >= 0x610 && c <= 0x61A) || (c >= 0x64B && c <= 0x65F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x200B && c <= 0x200F) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F);
}

// Byte classes of the text scan: ordinary bytes are copied in runs.
enum Class : std::uint8_t { kOrdinary, kSpace, kC2, kE2, kEF, kControl };

constexpr std::array<std::uint8_t, 256> MakeClasses() {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 0x20; ++b) t[static_cast<std::size_t>(b)] = kControl;
    for (std::size_t b : {0x20u, 0x09u, 0x0Au, 0x0Cu, 0x0Du}) t[b] = kSpace;
    t[0x7F] = kControl;
    t[0xC2] = kC2;
    t[0xE2] = kE2;
    t[0xEF] = kEF;
    return t;
}
constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

}  // namespace

std::size_t Columns(std::string_view s) noexcept {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++n;
            ++i;
            continue;
        }
        const std::size_t len = b >= 0xF0 ? 4u : b >= 0xE0 ? 3u : 2u;
        char32_t c = b & (len == 4 ? 0x07u : len == 3 ? 0x0Fu : 0x1Fu);
        for (std::size_t k = 1; k < len && i + k < s.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
        n += Zero(c) ? 0u : Wide(c) ? 2u : 1u;
        i += len;
    }
    return n;
}

void TextFlow::SetMarker(std::size_t column, std::string marker) {
    markerColumn_ = column < kMaxIndent ? column : kMaxIndent;
    marker_ = std::move(marker);
}

void TextFlow::StartLine() {
    if (marker_.empty() && indent_ == 0) {  // the common case, without library calls
        line_.clear();
        columns_ = 0;
    } else {
        line_.assign(marker_.empty() ? indent_ : markerColumn_, ' ');
        if (!marker_.empty()) {
            line_ += marker_;
            const std::size_t at = markerColumn_ + Columns(marker_);
            line_.append(at < indent_ ? indent_ - at : 1, ' ');
            marker_.clear();
        }
        columns_ = Columns(line_);
    }
    columnsStale_ = false;
    lastSpace_ = std::string::npos;
    hasContent_ = true;
    space_ = false;
}

void TextFlow::EmitLine() {
    std::size_t end = line_.size();
    while (end > 0 && line_[end - 1] == ' ') --end;
    if (end == 0 && !partial_) {
        blank_ = true;
    } else {
        WriteBlank();
        out_.append(line_, 0, end);
        if (eol_.size() == 1) out_ += eol_[0]; else out_ += eol_;
        anyLine_ = true;
    }
    hasContent_ = false;
    space_ = false;
    partial_ = false;
}

// A blank line asked for goes out before the next line with text.
void TextFlow::WriteBlank() {
    if (blank_ && anyLine_ && !partial_) out_ += eol_;
    blank_ = false;
}

void TextFlow::FlushPartial() {
    std::size_t end = line_.size();
    while (end > 0 && line_[end - 1] == ' ') --end;
    if (end > 0) WriteBlank();
    out_.append(line_, 0, end);
    line_.erase(0, end);
    lastSpace_ = std::string::npos;
    partial_ = true;
}

void TextFlow::Wrap() {
    const std::string tail = line_.substr(lastSpace_ + 1);
    line_.resize(lastSpace_);
    EmitLine();
    StartLine();
    line_ += tail;
    columns_ += Columns(tail);
}

void TextFlow::Piece(const char* data, std::size_t size) {
    if (!hasContent_) {
        StartLine();
    } else if (space_) {
        lastSpace_ = line_.size();
        line_ += ' ';
        ++columns_;
    }
    space_ = false;
    line_.append(data, size);
    if (width_ > 0) {
        columns_ += Columns({data, size});
        if (columns_ > width_ && lastSpace_ != std::string::npos) Wrap();
    } else {
        columnsStale_ = true;
    }
}

void TextFlow::VerbatimStart() {
    if (!hasContent_) {
        StartLine();
    } else if (space_) {
        line_ += ' ';
        ++columns_;
    }
    space_ = false;
}

void TextFlow::Attach(std::string_view s) {
    const bool space = space_;
    space_ = false;
    Piece(s.data(), s.size());
    space_ = space;
}

template <bool kVerbatim>
void TextFlow::Scan(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t j = i;
        const auto ordinary = [&](std::size_t k) { return kClasses[static_cast<unsigned char>(p[k])] == kOrdinary; };
        if constexpr (!kVerbatim) {
            // Without wrapping, words and the single spaces between them go
            // in as one run.
            if (width_ == 0) {
                while (j < n && (ordinary(j) || (p[j] == ' ' && j > i && j + 1 < n && ordinary(j + 1)))) ++j;
            }
        }
        while (j < n && ordinary(j)) ++j;
        if (j > i) {
            if constexpr (kVerbatim) {
                VerbatimStart();
                line_.append(p + i, j - i);
                columns_ += Columns({p + i, j - i});
            } else {
                Piece(p + i, j - i);
            }
            i = j;
            continue;
        }
        const auto b = static_cast<unsigned char>(p[i]);
        const auto next = [&](std::size_t k) { return i + k < n ? static_cast<unsigned char>(p[i + k]) : 0; };
        switch (kClasses[b]) {
        case kSpace:
            if constexpr (kVerbatim) {
                if (b == '\n') {
                    if (hasContent_) EmitLine(); else blank_ = true;
                } else if (b == ' ' || b == '\t') {
                    VerbatimStart();
                    if (columnsStale_) columns_ = Columns(line_);
                    columnsStale_ = false;
                    const std::size_t to = b == ' ' ? 1 : 8 - (columns_ - std::min(columns_, indent_)) % 8;
                    line_.append(to, ' ');
                    columns_ += to;
                }
            } else {
                space_ = hasContent_;
                while (i + 1 < n && kClasses[static_cast<unsigned char>(p[i + 1])] == kSpace) ++i;
            }
            ++i;
            continue;
        case kControl:
            ++i;
            continue;
        case kC2:
            if (next(1) == 0xA0) {  // no-break space
                if constexpr (kVerbatim) {
                    VerbatimStart();
                    line_ += ' ';
                    ++columns_;
                } else {
                    Piece(" ", 1);
                }
                i += 2;
                continue;
            }
            if (next(1) == 0xAD) {  // soft hyphen
                i += 2;
                continue;
            }
            break;
        case kE2:  // U+200B to U+200D, U+2060
            if ((next(1) == 0x80 && next(2) >= 0x8B && next(2) <= 0x8D) || (next(1) == 0x81 && next(2) == 0xA0)) {
                i += 3;
                continue;
            }
            break;
        case kEF:  // U+FEFF
            if (next(1) == 0xBB && next(2) == 0xBF) {
                i += 3;
                continue;
            }
            break;
        default:
            break;
        }
        // A lead byte that starts an ordinary character.
        std::size_t j2 = i + 1;
        while (j2 < n && kClasses[static_cast<unsigned char>(p[j2])] == kOrdinary) ++j2;
        if constexpr (kVerbatim) {
            VerbatimStart();
            line_.append(p + i, j2 - i);
            columns_ += Columns({p + i, j2 - i});
        } else {
            Piece(p + i, j2 - i);
        }
        i = j2;
    }
    if (line_.size() > kMaxLine) FlushPartial();
}

void TextFlow::Text(std::string_view s) { Scan<false>(s); }
void TextFlow::Verbatim(std::string_view s) { Scan<true>(s); }

void TextFlow::Break(bool blank) {
    if (hasContent_) EmitLine();
    space_ = false;
    if (blank) blank_ = true;
}

bool TextFlow::TakeBack(std::string_view text) {
    if (!hasContent_ || space_ || !std::string_view(line_).ends_with(text)) return false;
    line_.resize(line_.size() - text.size());
    columns_ -= Columns(text);
    while (!line_.empty() && line_.back() == ' ' && line_.size() > indent_) {
        line_.pop_back();
        --columns_;
    }
    if (lastSpace_ != std::string::npos && lastSpace_ >= line_.size()) lastSpace_ = std::string::npos;
    space_ = line_.size() > indent_;
    hasContent_ = line_.size() > indent_ || !marker_.empty();
    return true;
}

void TextFlow::LineBreak() {
    if (hasContent_) EmitLine(); else blank_ = true;
}

void TextFlow::Lines(std::string_view lines) {
    Break(false);
    while (!lines.empty()) {
        const std::size_t e = lines.find('\n');
        const std::string_view l = lines.substr(0, e);
        if (l.empty()) {
            blank_ = true;
        } else {
            StartLine();
            line_ += l;
            EmitLine();
        }
        if (e == std::string_view::npos) break;
        lines.remove_prefix(e + 1);
    }
}

}  // namespace tessark::readable
