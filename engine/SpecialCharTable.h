// SpecialCharTable: the fixed, ordered list of character-reference
// replacements that the engine applies when GenerateSpecialChars is on.
//
// Each row replaces every occurrence of its reference text, left to right,
// in one sweep, in the row's match mode; rows run strictly in table order,
// each on the text the rows before it produced. Only the texts listed here
// are recognised. The table is constant data shared by every engine.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tessark {

enum class Match : unsigned char {
    Exact,       // code units must be equal
    IgnoreCase,  // ASCII A-Z and a-z compare equal; nothing else is folded
};

struct SpecialCharRow {
    std::u16string_view reference;    // 4 to 8 units, e.g. u"&eacute;"
    std::u16string_view replacement;  // 0 to 4 units
    Match match;
};

inline constexpr std::size_t kSpecialCharRowCount = 323;
extern const std::array<SpecialCharRow, kSpecialCharRowCount> SpecialCharTable;

// The engine yields after these rows (1-based row numbers), i.e. before rows
// 18, 39, 60, 83, 115, 154, 195, 228 and 271.
inline constexpr std::array<std::size_t, 9> kSpecialCharYieldAfterRows = {17,  38,  59,  82, 114,
                                                                          153, 194, 227, 270};

}  // namespace tessark
