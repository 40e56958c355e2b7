// Scan: the search and move primitives of the fast kernels.
//
// Each finds the first position at or after i in d[0, n) that satisfies its
// condition and returns n when there is none. Over bytes they test a vector
// of positions per step (the Vec of Vector.h: 16 bytes in the baseline, 32
// with AVX2); over 16-bit units they are plain loops. Results are the same
// either way. Written once; each instruction set compiles them in its own
// namespace (see Implementations.h), and the engine outside kernels/ reaches
// them through the active implementation's ScanSet (ScansFor), never by
// including this file. Only the kernels (Passes.inl) include it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Implementations.h"
#include "UnitOps.h"
#include "Vector.h"

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

// The vector of d[i, i + kVec), bytes only.
template <class C>
inline Vec LoadAt(const C* d, std::size_t i) noexcept {
    return VLoad(d + i);
}

inline std::size_t LowestBit(std::uint32_t mask) noexcept { return static_cast<std::size_t>(std::countr_zero(mask)); }

// First k >= i with d[k] == c.
template <class C>
inline std::size_t FindChar(const C* d, std::size_t i, std::size_t n, C c) noexcept {
    if (i >= n) return n;
    if constexpr (sizeof(C) == 1) {
        if constexpr (kVectors) {
            // Most searches end within a few units (the ">" of a tag): the
            // first 32 units are tested inline, the rest by the library.
            const Vec vc = VSet1(c);
            for (std::size_t tested = 0; tested < 32 && i + kVec <= n; tested += kVec, i += kVec)
                if (const std::uint32_t mask = VMask(VEq(LoadAt(d, i), vc))) return i + LowestBit(mask);
            if (i >= n) return n;
        }
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
    if constexpr (kVectors && sizeof(C) == 1) {
        const Vec vc = VSet1(c);
        for (; k >= kVec; k -= kVec)
            if (const std::uint32_t mask = VMask(VEq(LoadAt(d, k - kVec), vc)))
                return k - kVec + static_cast<std::size_t>(31 - std::countl_zero(mask));
    }
    while (k > 0)
        if (d[--k] == c) return k;
    return i;
}

// The number of k in [i, n) with d[k] == c.
template <class C>
inline std::size_t CountChar(const C* d, std::size_t i, std::size_t n, C c) noexcept {
    std::size_t count = 0;
    if constexpr (kVectors && sizeof(C) == 1) {
        const Vec vc = VSet1(c);
        for (; i + kVec <= n; i += kVec)
            count += static_cast<std::size_t>(std::popcount(VMask(VEq(LoadAt(d, i), vc))));
    }
    for (; i < n; ++i) count += d[i] == c ? 1 : 0;
    return count;
}

// The positions of v equal to one of the units whose vectors are s[0, count).
inline std::uint32_t MaskAny(Vec v, const Vec* s, int count) noexcept {
    Vec m = VEq(v, s[0]);
    for (int k = 1; k < count; ++k) m = VOr(m, VEq(v, s[k]));
    return VMask(m);
}

// First k >= i with d[k] one of set[0, count) (count 1 to 8).
template <class C>
inline std::size_t FindAny(const C* d, std::size_t i, std::size_t n, const C* set, int count) noexcept {
    if (count == 1) return FindChar(d, i, n, set[0]);
    if constexpr (kVectors && sizeof(C) == 1) {
        Vec s[8];
        for (int k = 0; k < count; ++k) s[k] = VSet1(set[k]);
        for (; i + kVec <= n; i += kVec)
            if (const std::uint32_t mask = MaskAny(LoadAt(d, i), s, count)) return i + LowestBit(mask);
    }
    for (; i < n; ++i)
        for (int k = 0; k < count; ++k)
            if (d[i] == set[k]) return i;
    return n;
}

// Last k in [lo, i) with d[k] one of set[0, count) (count 1 to 8); returns
// i when there is none.
template <class C>
inline std::size_t FindLastAny(const C* d, std::size_t lo, std::size_t i, const C* set, int count) noexcept {
    std::size_t k = i;
    if constexpr (kVectors && sizeof(C) == 1) {
        Vec s[8];
        for (int j = 0; j < count; ++j) s[j] = VSet1(set[j]);
        for (; k >= lo + kVec; k -= kVec)
            if (const std::uint32_t mask = MaskAny(LoadAt(d, k - kVec), s, count))
                return k - kVec + static_cast<std::size_t>(31 - std::countl_zero(mask));
    }
    while (k > lo) {
        --k;
        for (int j = 0; j < count; ++j)
            if (d[k] == set[j]) return k;
    }
    return i;
}

// First k >= i with d[k] == a and d[k+1] == b (b compared after folding
// d[k+1] when foldSecond; b is then a lower-case letter).
template <class C>
inline std::size_t FindPair(const C* d, std::size_t i, std::size_t n, C a, C b, bool foldSecond) noexcept {
    if (n < 2) return n;
    if constexpr (kVectors && sizeof(C) == 1) {
        const Vec va = VSet1(a), vb = VSet1(b), vf = VSet1(foldSecond ? 0x20 : 0);
        for (; i + kVec + 1 <= n; i += kVec) {
            const Vec m = VAnd(VEq(LoadAt(d, i), va), VEq(VOr(LoadAt(d, i + 1), vf), vb));
            if (const std::uint32_t mask = VMask(m)) return i + LowestBit(mask);
        }
    }
    for (; i + 1 < n; ++i) {
        if (d[i] != a) continue;
        const C next = foldSecond ? Fold(d[i + 1]) : d[i + 1];
        if (next == b) return i;
    }
    return n;
}

// First k >= i where the lower-case ASCII marker m (at least two units)
// begins, ignoring case.
template <class C>
inline std::size_t FindMarker(const C* d, std::size_t i, std::size_t n, const char* m, std::size_t len) noexcept {
    const C first = C(static_cast<unsigned char>(m[0]));
    const C second = C(static_cast<unsigned char>(m[1]));
    const bool fold = second >= C('a') && second <= C('z');
    if constexpr (kVectors && sizeof(C) == 1) {
        // A vector of candidate positions at a time, filtered on the first,
        // the second and the last unit of the marker ("<s" alone is common in
        // pages; "<s" with a "t" five units on is rare), then compared whole.
        const auto last = static_cast<unsigned char>(m[len - 1]);
        const bool foldLast = last >= 'a' && last <= 'z';
        const Vec v1st = VSet1(first), v2nd = VSet1(second), vLast = VSet1(last);
        const Vec f2nd = VSet1(fold ? 0x20 : 0), fLast = VSet1(foldLast ? 0x20 : 0);
        for (; i + len - 1 + kVec <= n; i += kVec) {
            const Vec hit = VAnd(VAnd(VEq(LoadAt(d, i), v1st), VEq(VOr(LoadAt(d, i + 1), f2nd), v2nd)),
                                 VEq(VOr(LoadAt(d, i + len - 1), fLast), vLast));
            for (std::uint32_t mask = VMask(hit); mask != 0; mask &= mask - 1) {
                const std::size_t k = i + LowestBit(mask);
                if (MatchFolded(d, k, n, m, len)) return k;
            }
        }
    }
    while (i < n) {
        const std::size_t k = FindPair(d, i, n, first, second, fold);
        if (k >= n) return n;
        if (MatchFolded(d, k, n, m, len)) return k;
        i = k + 1;
    }
    return n;
}

// The same for the short stretches kept between matches, given that d holds
// n units. When the gap from - to is at least one vector and the source can
// be read in whole vectors within d[0, n), the vectors are copied in order
// and the last one may write past to + count: each piece ends at or before
// the start of the piece it was read from, so it only overwrites units that
// have been read already. Otherwise, or for long stretches, memmove.
template <class C>
inline void MoveDownShort(C* d, std::size_t to, std::size_t from, std::size_t count, std::size_t n) noexcept {
    if constexpr (kVectors) {
        constexpr std::size_t kPiece = kVec / sizeof(C);
        if (count <= 4 * kPiece && from - to >= kPiece && from + 4 * kPiece <= n) {
            for (std::size_t k = 0; k < count; k += kPiece) VStore(d + to + k, VLoad(d + from + k));
            return;
        }
    }
    MoveDown(d, to, from, count);
}

// Moves d[from, from+count) up to d[to, ...), to >= from. When the gap
// to - from is at least one vector and from is at least one vector in,
// short stretches are copied in vectors from the top down; the lowest piece
// may start below the stretch, but its store then lands at or above
// from + (what is left to copy), never on a unit that is still to be read.
template <class C>
inline void MoveUpShort(C* d, std::size_t to, std::size_t from, std::size_t count) noexcept {
    if constexpr (kVectors) {
        constexpr std::size_t kPiece = kVec / sizeof(C);
        if (count <= 4 * kPiece && to - from >= kPiece && from >= kPiece) {
            for (std::size_t k = count; k > 0; k = k > kPiece ? k - kPiece : 0)
                VStore(d + to + k - kPiece, VLoad(d + from + k - kPiece));
            return;
        }
    }
    if (to != from && count != 0) std::memmove(d + to, d + from, count * sizeof(C));
}

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
