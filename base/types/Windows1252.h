// Windows1252: the one table of the Windows-1252 code page, for every layer
// (the engine's byte paths, the application's file contents, the tests).
//
// Bytes 00-7F and A0-FF are the characters of the same number. The five bytes
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own
// code, so that every byte survives a decoding followed by an encoding. HTML
// reads the numeric references 80-9F through the same table.
//
// Thread safety: constants and pure functions.
#pragma once

#include <array>
#include <cstddef>

namespace tessark {

// The characters of the bytes 0x80-0x9F.
inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The character of one byte.
constexpr char16_t Windows1252Char(unsigned char byte) noexcept {
    return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80u] : char16_t{byte};
}

// The byte of one character, or '?' when the code page has none.
constexpr unsigned char Windows1252Byte(char16_t c) noexcept {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == c) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

}  // namespace tessark
