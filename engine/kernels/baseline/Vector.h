// The baseline byte vector: SSE2 (every x86-64 processor has it), 16 bytes;
// none elsewhere, where the kernels use plain loops. See ../Vector.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../Implementations.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

#define TESSARK_FAST_VECTORS 1
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
inline Vec VAll(bool on) noexcept { return VSet1(on ? -1 : 0); }

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
#endif
