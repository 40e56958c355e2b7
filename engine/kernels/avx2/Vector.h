// The AVX2 byte vector: 32 bytes, and the gathering of kept bytes with
// pshufb (kFastGather). See ../Vector.h. Every set's Vector.h defines the
// same names, each over its own instructions: the lines look alike on
// purpose, and that is all that differs between the sets.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

#include "../Implementations.h"

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {
namespace scan {

inline constexpr bool kVectors = true;
using Vec = __m256i;
inline constexpr std::size_t kVec = 32;
inline constexpr std::uint32_t kFullMask = 0xFFFFFFFFu;
inline Vec VLoad(const void* p) noexcept { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
inline void VStore(void* p, Vec v) noexcept { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
inline Vec VSet1(int c) noexcept { return _mm256_set1_epi8(static_cast<char>(c)); }
inline Vec VEq(Vec a, Vec b) noexcept { return _mm256_cmpeq_epi8(a, b); }
inline Vec VOr(Vec a, Vec b) noexcept { return _mm256_or_si256(a, b); }
inline Vec VAnd(Vec a, Vec b) noexcept { return _mm256_and_si256(a, b); }
inline Vec VAndNot(Vec a, Vec b) noexcept { return _mm256_andnot_si256(a, b); }  // ~a & b
inline std::uint32_t VMask(Vec v) noexcept { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
inline Vec VAll(bool on) noexcept { return VSet1(on ? -1 : 0); }

// GatherKept is fast enough for the kernels to gather whole blocks with
// it (StripTags over bytes).
inline constexpr bool kFastGather = true;

// For each 8-bit keep mask, the pshufb control that gathers the kept bytes
// of an 8-byte group to its front.
struct GatherTable {
    alignas(16) unsigned char control[256][8];
    constexpr GatherTable() : control{} {
        for (unsigned m = 0; m < 256; ++m) {
            unsigned k = 0;
            for (unsigned b = 0; b < 8; ++b)
                if (m & (1u << b)) control[m][k++] = static_cast<unsigned char>(b);
            for (; k < 8; ++k) control[m][k] = 0x80;
        }
    }
};
inline constexpr GatherTable kGather{};

// Writes the bytes of src[0, 8 * groups) whose bit is set in keep to d[w, ...)
// and advances w; src may lie in d, at or after d + w. The bytes go in groups
// of eight, each loaded before its 8-byte store, and a store that starts at w
// ends by w + 8, which is at or before the start of the next group: nothing
// is overwritten before it has been read. Writes at most 8 bytes past the
// new w and never past src + 8 * groups.
inline void GatherKept(unsigned char* d, std::size_t& w, const unsigned char* src, std::uint64_t keep,
                       unsigned groups) noexcept {
    for (unsigned g = 0; keep != 0 && g < groups; ++g, keep >>= 8) {
        const unsigned m = static_cast<unsigned>(keep & 0xFFu);
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 8 * g));
        const __m128i control = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kGather.control[m]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + w), _mm_shuffle_epi8(bytes, control));
        w += static_cast<std::size_t>(std::popcount(m));
    }
}

}  // namespace scan
}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
