// Utf8: the bytes of one code point in UTF-8, in one place for the engine,
// the application and the tests.
//
// Pure functions, safe on any thread.
#pragma once

#include <cstddef>

namespace tessark {

// Writes the UTF-8 sequence of c (one to four bytes) to out and returns its
// length. c is not checked: a surrogate gives its three-byte form, as the
// callers that handle surrogates decide for themselves.
template <class Byte>
constexpr std::size_t PutUtf8(char32_t c, Byte* out) noexcept {
    if (c < 0x80) {
        out[0] = static_cast<Byte>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<Byte>(0xC0 | (c >> 6));
        out[1] = static_cast<Byte>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<Byte>(0xE0 | (c >> 12));
        out[1] = static_cast<Byte>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<Byte>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<Byte>(0xF0 | (c >> 18));
    out[1] = static_cast<Byte>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<Byte>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<Byte>(0x80 | (c & 0x3F));
    return 4;
}

// Appends the UTF-8 sequence of c to a byte string (std::string, QByteArray).
template <class Bytes>
void AppendUtf8(Bytes& out, char32_t c) {
    char buf[4];
    const std::size_t n = PutUtf8(c, buf);
    for (std::size_t k = 0; k < n; ++k) out += buf[k];
}

}  // namespace tessark
