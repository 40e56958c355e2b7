// Vector: the byte vector the kernels of this compilation are written over,
// taken from the folder of its instruction set (the build defines
// TESSARK_FAST_AVX2_BUILD for kernels/avx2; everything else is the
// baseline). A new set adds its folder's Vector.h here.
//
// What every set's Vector.h gives, in tessark::fast::<set>::scan:
//   TESSARK_FAST_VECTORS, defined when the set has a byte vector at all (the
//     kernels fall back on plain loops otherwise), and then
//   Vec, kVec (bytes per vector), kFullMask (VMask of an all-true vector),
//   VLoad, VStore (unaligned), VSet1, VEq, VOr, VAnd, VAndNot (~a & b),
//   VMask (one bit per byte, the lowest for the first byte), VAll;
//   TESSARK_FAST_COMPRESS, defined when the set can gather the kept bytes of
//     a block to its front, and then GatherKept (see avx2/Vector.h).
// Thread safety: types and pure functions.
#pragma once

#include "Implementations.h"

#if defined(TESSARK_FAST_AVX2_BUILD)
#include "avx2/Vector.h"
#else
#include "baseline/Vector.h"
#endif
