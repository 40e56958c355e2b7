// TextOps: the literal text primitives the engine's passes are written in.
//
// Text is 16-bit code units (std::u16string). Positions are 0-based here.
// Case-insensitive comparison folds ASCII A-Z onto a-z and nothing else.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "SpecialCharTable.h"

namespace tessark {

constexpr char16_t FoldAscii(char16_t c) noexcept {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Position of the first occurrence of `pattern` at or after `from`, in the
// given mode, or std::u16string::npos. An empty pattern is never found.
std::size_t FindFrom(std::u16string_view text, std::u16string_view pattern, std::size_t from,
                     Match mode) noexcept;

// A new string in which every non-overlapping occurrence of `find` (left to
// right, one sweep, never rescanning what was inserted) is replaced by `with`.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with, Match mode);

// `text` with units [begin, end) removed, as a new string.
std::u16string RemoveRange(std::u16string_view text, std::size_t begin, std::size_t end);

}  // namespace tessark
