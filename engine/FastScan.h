// FastScan: the search primitives of the fast passes.
//
// Each finds the first position at or after i in d[0, n) that satisfies its
// condition and returns n when there is none. Over bytes they test 16
// positions per step with SSE2 where the compiler offers it; over 16-bit
// units they are plain loops. Results are the same either way.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessark::fast::scan {

template <class C>
constexpr C Fold(C c) noexcept {
    return (c >= C('A') && c <= C('Z')) ? C(c + ('a' - 'A')) : c;
}

// First k >= i with d[k] == c.
template <class C>
inline std::size_t FindChar(const C* d, std::size_t i, std::size_t n, C c) noexcept {
    if (i >= n) return n;
    if constexpr (sizeof(C) == 1) {
#if defined(__SSE2__)
        // Most searches end within a few units (the ">" of a tag): the first
        // 32 units are tested inline, the rest by the library.
        const __m128i vc = _mm_set1_epi8(static_cast<char>(c));
        for (int block = 0; block < 2 && i + 16 <= n; ++block, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, vc));
            if (mask) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
        if (i >= n) return n;
#endif
        const void* p = std::memchr(d + i, c, n - i);
        return p ? static_cast<std::size_t>(static_cast<const C*>(p) - d) : n;
    } else {
        for (; i < n; ++i)
            if (d[i] == c) return i;
        return n;
    }
}

// Last k < i with d[k] == c; returns i when there is none.
template <class C>
inline std::size_t FindLastChar(const C* d, std::size_t i, C c) noexcept {
    std::size_t k = i;
#if defined(__SSE2__)
    if constexpr (sizeof(C) == 1) {
        const __m128i vc = _mm_set1_epi8(static_cast<char>(c));
        while (k >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + k - 16));
            const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, vc));
            if (mask) return k - 16 + static_cast<std::size_t>(31 - std::countl_zero(static_cast<unsigned>(mask)));
            k -= 16;
        }
    }
#endif
    while (k > 0)
        if (d[--k] == c) return k;
    return i;
}

// The number of k in [i, n) with d[k] == c.
template <class C>
inline std::size_t CountChar(const C* d, std::size_t i, std::size_t n, C c) noexcept {
    std::size_t count = 0;
#if defined(__SSE2__)
    if constexpr (sizeof(C) == 1) {
        const __m128i vc = _mm_set1_epi8(static_cast<char>(c));
        for (; i + 16 <= n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            count += static_cast<std::size_t>(
                std::popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vc)))));
        }
    }
#endif
    for (; i < n; ++i) count += d[i] == c ? 1 : 0;
    return count;
}

// First k >= i with d[k] one of set[0, count) (count 1 to 8).
template <class C>
inline std::size_t FindAny(const C* d, std::size_t i, std::size_t n, const C* set, int count) noexcept {
    if (count == 1) return FindChar(d, i, n, set[0]);
#if defined(__SSE2__)
    if constexpr (sizeof(C) == 1) {
        __m128i s[8];
        for (int k = 0; k < count; ++k) s[k] = _mm_set1_epi8(static_cast<char>(set[k]));
        while (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            __m128i m = _mm_cmpeq_epi8(v, s[0]);
            for (int k = 1; k < count; ++k) m = _mm_or_si128(m, _mm_cmpeq_epi8(v, s[k]));
            const int mask = _mm_movemask_epi8(m);
            if (mask) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
            i += 16;
        }
    }
#endif
    for (; i < n; ++i)
        for (int k = 0; k < count; ++k)
            if (d[i] == set[k]) return i;
    return n;
}

// First k >= i with d[k] == a and d[k+1] == b (b compared after folding
// d[k+1] when foldSecond; b is then a lower-case letter).
template <class C>
inline std::size_t FindPair(const C* d, std::size_t i, std::size_t n, C a, C b, bool foldSecond) noexcept {
    if (n < 2) return n;
#if defined(__SSE2__)
    if constexpr (sizeof(C) == 1) {
        const __m128i va = _mm_set1_epi8(static_cast<char>(a));
        const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
        const __m128i vf = _mm_set1_epi8(foldSecond ? 0x20 : 0);
        while (i + 17 <= n) {
            const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
            const __m128i m = _mm_and_si128(_mm_cmpeq_epi8(v0, va), _mm_cmpeq_epi8(_mm_or_si128(v1, vf), vb));
            const int mask = _mm_movemask_epi8(m);
            if (mask) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
            i += 16;
        }
    }
#endif
    for (; i + 1 < n; ++i) {
        if (d[i] != a) continue;
        const C next = foldSecond ? Fold(d[i + 1]) : d[i + 1];
        if (next == b) return i;
    }
    return n;
}

// True when d[k, k+len) equals the lower-case ASCII marker m, ignoring case.
template <class C>
inline bool MatchFolded(const C* d, std::size_t k, std::size_t n, const char* m, std::size_t len) noexcept {
    if (k > n || n - k < len) return false;
    for (std::size_t j = 0; j < len; ++j)
        if (Fold(d[k + j]) != C(static_cast<unsigned char>(m[j]))) return false;
    return true;
}

// First k >= i where the lower-case ASCII marker m (at least two units)
// begins, ignoring case.
template <class C>
inline std::size_t FindMarker(const C* d, std::size_t i, std::size_t n, const char* m, std::size_t len) noexcept {
    const C first = C(static_cast<unsigned char>(m[0]));
    const C second = C(static_cast<unsigned char>(m[1]));
    const bool fold = second >= C('a') && second <= C('z');
#if defined(__SSE2__)
    if constexpr (sizeof(C) == 1) {
        // Sixteen candidate positions at a time, filtered on the first, the
        // second and the last unit of the marker ("<s" alone is common in
        // pages; "<s" with a "t" five units on is rare), then compared whole.
        const auto last = static_cast<unsigned char>(m[len - 1]);
        const bool foldLast = last >= 'a' && last <= 'z';
        const __m128i v1st = _mm_set1_epi8(static_cast<char>(first));
        const __m128i v2nd = _mm_set1_epi8(static_cast<char>(second));
        const __m128i vLast = _mm_set1_epi8(static_cast<char>(last));
        const __m128i f2nd = _mm_set1_epi8(fold ? 0x20 : 0);
        const __m128i fLast = _mm_set1_epi8(foldLast ? 0x20 : 0);
        while (i + len - 1 + 16 <= n) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + len - 1));
            const __m128i hit = _mm_and_si128(
                _mm_and_si128(_mm_cmpeq_epi8(a, v1st), _mm_cmpeq_epi8(_mm_or_si128(b, f2nd), v2nd)),
                _mm_cmpeq_epi8(_mm_or_si128(c, fLast), vLast));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
            while (mask != 0) {
                const std::size_t k = i + static_cast<std::size_t>(std::countr_zero(mask));
                if (MatchFolded(d, k, n, m, len)) return k;
                mask &= mask - 1;
            }
            i += 16;
        }
    }
#endif
    while (i < n) {
        const std::size_t k = FindPair(d, i, n, first, second, fold);
        if (k >= n) return n;
        if (MatchFolded(d, k, n, m, len)) return k;
        i = k + 1;
    }
    return n;
}

// Moves d[from, from+count) down to d[to, ...), to <= from.
template <class C>
inline void MoveDown(C* d, std::size_t to, std::size_t from, std::size_t count) noexcept {
    if (to != from && count != 0) std::memmove(d + to, d + from, count * sizeof(C));
}

// The same for the short stretches kept between matches, given that d holds
// n units. When the gap from - to is at least 16 bytes and the source can be
// read in whole 16-byte pieces within d[0, n), the pieces are copied in order
// and the last one may write past to + count: each piece ends at or before
// the start of the piece it was read from, so it only overwrites units that
// have been read already. Otherwise, or for long stretches, memmove.
template <class C>
inline void MoveDownShort(C* d, std::size_t to, std::size_t from, std::size_t count, std::size_t n) noexcept {
#if defined(__SSE2__)
    constexpr std::size_t kPiece = 16 / sizeof(C);
    if (count <= 4 * kPiece && from - to >= kPiece && from + 4 * kPiece <= n) {
        for (std::size_t k = 0; k < count; k += kPiece)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + to + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + from + k)));
        return;
    }
#endif
    MoveDown(d, to, from, count);
}

// Moves d[from, from+count) up to d[to, ...), to >= from. When the gap
// to - from is at least 16 bytes and from is at least 16 bytes in, short
// stretches are copied in 16-byte pieces from the top down; the lowest piece
// may start below the stretch, but its store then lands at or above
// from + (what is left to copy), never on a unit that is still to be read.
template <class C>
inline void MoveUpShort(C* d, std::size_t to, std::size_t from, std::size_t count) noexcept {
#if defined(__SSE2__)
    constexpr std::size_t kPiece = 16 / sizeof(C);
    if (count <= 4 * kPiece && to - from >= kPiece && from >= kPiece) {
        for (std::size_t k = count; k > 0; k = k > kPiece ? k - kPiece : 0)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + to + k - kPiece),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + from + k - kPiece)));
        return;
    }
#endif
    if (to != from && count != 0) std::memmove(d + to, d + from, count * sizeof(C));
}

}  // namespace tessark::fast::scan
