#include "AnsiCodePage.h"

#include <array>

namespace tessark {
namespace {
// Windows-1252 at 0x80-0x9F; the five undefined positions keep their own code.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};
}  // namespace

char16_t AnsiToUnicode(unsigned char byte) noexcept {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

unsigned char UnicodeToAnsi(char16_t c) noexcept {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::u16string DecodeAnsi(QByteArrayView bytes) {
    std::u16string text(static_cast<std::size_t>(bytes.size()), u'\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = AnsiToUnicode(in[i]);
    return text;
}

QByteArray EncodeAnsi(std::u16string_view text) {
    QByteArray bytes(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char* out = bytes.data();
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(UnicodeToAnsi(text[i]));
    return bytes;
}

}  // namespace tessark
