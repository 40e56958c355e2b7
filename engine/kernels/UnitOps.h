// UnitOps: the scalar helpers on units that the kernels and the engine's
// other scans share: ASCII case folding, matching a marker in place, and
// moving a stretch down. No vector code; the search primitives themselves
// (Scan.h) are reached through the active implementation (ScansFor in
// Implementations.h).
//
// They live in the inline namespace of the compilation (see
// Implementations.h), as everything in kernels/ does: a copy compiled with
// AVX2 must never stand in for the baseline's.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstring>

#include "Implementations.h"

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

template <class C>
constexpr C Fold(C c) noexcept {
    return (c >= C('A') && c <= C('Z')) ? C(c + ('a' - 'A')) : c;
}

// True when d[k, k+len) equals the lower-case ASCII marker m, ignoring case.
template <class C>
inline bool MatchFolded(const C* d, std::size_t k, std::size_t n, const char* m, std::size_t len) noexcept {
    if (k > n || n - k < len) return false;
    for (std::size_t j = 0; j < len; ++j)
        if (Fold(d[k + j]) != C(static_cast<unsigned char>(m[j]))) return false;
    return true;
}

// Moves d[from, from+count) down to d[to, ...), to <= from.
template <class C>
inline void MoveDown(C* d, std::size_t to, std::size_t from, std::size_t count) noexcept {
    if (to != from && count != 0) std::memmove(d + to, d + from, count * sizeof(C));
}

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
