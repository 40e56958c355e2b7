// The baseline byte vector: SSE2 (every x86-64 processor has it), 16 bytes.
// Elsewhere a plain array stands in for it, so that the kernels compile as
// one text, and kVectors tells them to take their plain loops. GatherKept
// is a plain loop either way (kFastGather false). See ../Vector.h; the avx2
// set's Vector.h defines the same names over its own instructions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../Implementations.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

inline constexpr bool kVectors = true;
using Vec = __m128i;
inline constexpr std::size_t kVec = 16;
inline constexpr std::uint32_t kFullMask = 0xFFFFu;
inline Vec VLoad(const void* p) noexcept { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void VStore(void* p, Vec v) noexcept { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
inline Vec VSet1(int c) noexcept { return _mm_set1_epi8(static_cast<char>(c)); }
inline Vec VEq(Vec a, Vec b) noexcept { return _mm_cmpeq_epi8(a, b); }
inline Vec VOr(Vec a, Vec b) noexcept { return _mm_or_si128(a, b); }
inline Vec VAnd(Vec a, Vec b) noexcept { return _mm_and_si128(a, b); }
inline Vec VAndNot(Vec a, Vec b) noexcept { return _mm_andnot_si128(a, b); }  // ~a & b
inline std::uint32_t VMask(Vec v) noexcept { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast

#else
#include <cstring>

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

// Never used for speed: the kernels test kVectors first.
inline constexpr bool kVectors = false;
struct Vec {
    unsigned char b[16];
};
inline constexpr std::size_t kVec = 16;
inline constexpr std::uint32_t kFullMask = 0xFFFFu;
inline Vec VLoad(const void* p) noexcept {
    Vec v;
    std::memcpy(v.b, p, kVec);
    return v;
}
inline void VStore(void* p, Vec v) noexcept { std::memcpy(p, v.b, kVec); }
template <class F>
inline Vec VZip(Vec a, Vec b, F f) noexcept {
    for (std::size_t k = 0; k < kVec; ++k) a.b[k] = static_cast<unsigned char>(f(a.b[k], b.b[k]));
    return a;
}
inline Vec VSet1(int c) noexcept {
    Vec v;
    std::memset(v.b, static_cast<unsigned char>(c), kVec);
    return v;
}
inline Vec VEq(Vec a, Vec b) noexcept { return VZip(a, b, [](unsigned x, unsigned y) { return x == y ? 0xFFu : 0u; }); }
inline Vec VOr(Vec a, Vec b) noexcept { return VZip(a, b, [](unsigned x, unsigned y) { return x | y; }); }
inline Vec VAnd(Vec a, Vec b) noexcept { return VZip(a, b, [](unsigned x, unsigned y) { return x & y; }); }
inline Vec VAndNot(Vec a, Vec b) noexcept { return VZip(a, b, [](unsigned x, unsigned y) { return ~x & y; }); }
inline std::uint32_t VMask(Vec v) noexcept {
    std::uint32_t m = 0;
    for (std::size_t k = 0; k < kVec; ++k) m |= static_cast<std::uint32_t>(v.b[k] >> 7u) << k;
    return m;
}

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
#endif

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

inline Vec VAll(bool on) noexcept { return VSet1(on ? -1 : 0); }

// See avx2/Vector.h; here branch-free, a unit at a time: every unit is
// written, and one not kept is overwritten by the next.
inline constexpr bool kFastGather = false;
inline void GatherKept(unsigned char* d, std::size_t& w, const unsigned char* src, std::uint64_t keep,
                       unsigned groups) noexcept {
    for (unsigned k = 0; k < 8 * groups; ++k) {
        d[w] = src[k];
        w += (keep >> k) & 1u;
    }
}

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
