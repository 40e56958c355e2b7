#include "HtmlReferences.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FastReferences.h"
#include "Utf8.h"

namespace tessark {

const HtmlEntity* FindHtmlEntity(std::string_view name) noexcept {
    const auto it = std::lower_bound(kHtmlEntities.begin(), kHtmlEntities.end(), name,
                                     [](const HtmlEntity& e, std::string_view key) { return e.name < key; });
    return it != kHtmlEntities.end() && it->name == name ? &*it : nullptr;
}

namespace fast {

namespace {

// The longest name after "&" has 31 units before its ";"; the legacy names
// (those without ";") have at most 6.
constexpr std::size_t kMaxNameBody = 31;
constexpr std::size_t kMaxLegacyName = 6;

template <class C>
constexpr bool IsAsciiAlnum(C c) noexcept {
    return (c >= C('0') && c <= C('9')) || (c >= C('a') && c <= C('z')) || (c >= C('A') && c <= C('Z'));
}

template <class C>
constexpr int HexValue(C c) noexcept {
    if (c >= C('0') && c <= C('9')) return static_cast<int>(c - C('0'));
    if (c >= C('a') && c <= C('f')) return static_cast<int>(c - C('a')) + 10;
    if (c >= C('A') && c <= C('F')) return static_cast<int>(c - C('A')) + 10;
    return -1;
}

// One reference found at an "&": how many units it takes and the (at most
// two) characters it gives. length 0: no reference there.
struct Reference {
    std::size_t length = 0;
    char32_t chars[2] = {0, 0};
    int count = 0;
};

char32_t NumericCharacter(std::uint32_t v) noexcept {
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0xFFFD;
    if (v >= 0x80 && v <= 0x9F) return kWindows1252High[v - 0x80];
    return static_cast<char32_t>(v);
}

// d[i] is "&".
template <class C>
Reference MatchAt(const C* d, std::size_t i, std::size_t n) noexcept {
    Reference ref;
    std::size_t k = i + 1;
    if (k < n && d[k] == C('#')) {
        ++k;
        const bool hex = k < n && (d[k] == C('x') || d[k] == C('X'));
        if (hex) ++k;
        const std::size_t digits = k;
        std::uint32_t v = 0;
        for (; k < n; ++k) {
            const int dv = hex ? HexValue(d[k]) : (d[k] >= C('0') && d[k] <= C('9') ? int(d[k] - C('0')) : -1);
            if (dv < 0) break;
            v = v * (hex ? 16u : 10u) + static_cast<std::uint32_t>(dv);
            if (v > 0x10FFFF) v = 0x110000;  // saturate: anything past is U+FFFD
        }
        if (k == digits) return ref;
        if (k < n && d[k] == C(';')) ++k;
        ref.length = k - i;
        ref.chars[0] = NumericCharacter(v);
        ref.count = 1;
    } else {
        char name[kMaxNameBody + 2];
        std::size_t m = 0;
        while (k + m < n && m <= kMaxNameBody && IsAsciiAlnum(d[k + m])) {
            name[m] = static_cast<char>(d[k + m]);
            ++m;
        }
        if (m == 0) return ref;
        const HtmlEntity* e = nullptr;
        std::size_t used = 0;
        if (m <= kMaxNameBody && k + m < n && d[k + m] == C(';')) {
            name[m] = ';';
            e = FindHtmlEntity(std::string_view(name, m + 1));
            used = m + 1;
        }
        // A name with ";" takes the whole run of letters and digits; failing
        // that, the longest legacy name at its start.
        for (std::size_t len = std::min(m, kMaxLegacyName); e == nullptr && len >= 2; --len) {
            e = FindHtmlEntity(std::string_view(name, len));
            used = len;
        }
        if (e == nullptr) return ref;
        ref.length = 1 + used;
        ref.chars[0] = e->first;
        ref.chars[1] = e->second;
        ref.count = e->second != 0 ? 2 : 1;
    }
    for (int c = 0; c < ref.count; ++c)
        if (ref.chars[c] == 0xA0) ref.chars[c] = 0x20;
    return ref;
}

// Writes the characters of ref at out in the encoding of C; returns the
// number of units. At most ref.length units for char16_t and bytes of
// windows-1252.
std::size_t Put(const Reference& ref, char16_t* out) noexcept {
    std::size_t w = 0;
    for (int c = 0; c < ref.count; ++c) {
        const char32_t ch = ref.chars[c];
        if (ch >= 0x10000) {
            out[w++] = static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10));
            out[w++] = static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
        } else {
            out[w++] = static_cast<char16_t>(ch);
        }
    }
    return w;
}

std::size_t Put(const Reference& ref, unsigned char* out) noexcept {
    for (int c = 0; c < ref.count; ++c) {
        const char32_t ch = ref.chars[c];
        out[c] = ch >= 0x10000 ? static_cast<unsigned char>('?') : Windows1252Byte(static_cast<char16_t>(ch));
    }
    return static_cast<std::size_t>(ref.count);
}

std::size_t PutUtf8(const Reference& ref, unsigned char* out) noexcept {
    std::size_t w = 0;
    for (int c = 0; c < ref.count; ++c) {
        w += tessark::PutUtf8(ref.chars[c], out + w);
    }
    return w;
}

}  // namespace

template <class C>
std::size_t DecodeAllReferences(C* d, std::size_t n) {
    const ScanSet<C>& scans = ScansFor<C>();
    std::size_t w = 0, i = 0;
    while (i < n) {
        const std::size_t j = FindCharNear(scans, d, i, n, C('&'));
        MoveDownNear(scans, d, w, i, j - i, n);
        w += j - i;
        if (j >= n) break;
        const Reference ref = MatchAt(d, j, n);
        if (ref.length == 0) {
            d[w++] = C('&');
            i = j + 1;
            continue;
        }
        C out[4];
        const std::size_t len = Put(ref, out);  // len <= ref.length (see the header)
        std::memcpy(d + w, out, len * sizeof(C));
        w += len;
        i = j + ref.length;
    }
    return w;
}

template std::size_t DecodeAllReferences<char16_t>(char16_t*, std::size_t);
template std::size_t DecodeAllReferences<unsigned char>(unsigned char*, std::size_t);

// In place while every decoded reference fits before the units still to be
// read; at the first that would not, the rest is decoded into a side buffer
// and copied back, into a grown buffer if needed.
std::size_t DecodeAllReferencesUtf8(unsigned char* d, std::size_t n,
                                    const std::function<unsigned char*(std::size_t)>& grow) {
    std::size_t w = 0, i = 0;
    std::vector<unsigned char> rest;
    bool side = false;
    const ScanSet<unsigned char>& scans = ScansFor<unsigned char>();
    auto emit = [&](const unsigned char* p, std::size_t len) {
        if (side)
            rest.insert(rest.end(), p, p + len);
        else {
            std::memmove(d + w, p, len);
            w += len;
        }
    };
    while (i < n) {
        const std::size_t j = FindCharNear(scans, d, i, n, static_cast<unsigned char>('&'));
        emit(d + i, j - i);
        if (j >= n) break;
        const Reference ref = MatchAt(d, j, n);
        if (ref.length == 0) {
            const unsigned char amp = '&';
            emit(&amp, 1);
            i = j + 1;
            continue;
        }
        unsigned char out[8];
        const std::size_t len = PutUtf8(ref, out);
        i = j + ref.length;
        if (!side && w + len > i) side = true;
        emit(out, len);
    }
    if (!side) return w;
    const std::size_t total = w + rest.size();
    if (total > n) d = grow(total);
    std::memcpy(d + w, rest.data(), rest.size());
    return total;
}

}  // namespace fast
}  // namespace tessark
