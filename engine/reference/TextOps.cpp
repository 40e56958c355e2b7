#include "TextOps.h"

namespace tessark {

std::size_t FindFrom(std::u16string_view text, std::u16string_view pattern, std::size_t from,
                     Match mode) noexcept {
    if (pattern.empty() || from > text.size() || text.size() - from < pattern.size())
        return std::u16string::npos;
    if (mode == Match::Exact) return text.find(pattern, from);
    const std::size_t last = text.size() - pattern.size();
    for (std::size_t i = from; i <= last; ++i) {
        std::size_t k = 0;
        while (k < pattern.size() && FoldAscii(text[i + k]) == FoldAscii(pattern[k])) ++k;
        if (k == pattern.size()) return i;
    }
    return std::u16string::npos;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with, Match mode) {
    std::u16string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = FindFrom(text, find, pos, mode);
        if (hit == std::u16string::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + find.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::u16string RemoveRange(std::u16string_view text, std::size_t begin, std::size_t end) {
    std::u16string out;
    out.reserve(text.size() - (end - begin));
    out.append(text.substr(0, begin));
    out.append(text.substr(end));
    return out;
}

}  // namespace tessark
