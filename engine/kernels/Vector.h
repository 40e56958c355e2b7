// Vector: the byte vector the kernels of this compilation are written over,
// taken from the folder of its instruction set (the build defines
// TESSARK_FAST_AVX2_BUILD for kernels/avx2; everything else is the
// baseline). A new set adds its folder's Vector.h here.
//
// What every set's Vector.h gives, in tessark::fast::<set>::scan:
//   kVectors, true when the set has a byte vector at all (the kernels take
//     their plain loops otherwise; Vec and its functions still exist);
//   Vec, kVec (bytes per vector), kFullMask (VMask of an all-true vector),
//   VLoad, VStore (unaligned), VSet1, VEq, VOr, VAnd, VAndNot (~a & b),
//   VMask (one bit per byte, the lowest for the first byte), VAll;
//   GatherKept, which gathers the kept bytes of a block to its front (see
//     avx2/Vector.h), and kFastGather, true when it is fast enough for the
//     kernels to gather every block of a pass with it.
// The kernels (Passes.inl, Scan.h) test these flags with if constexpr and
// hold no #if of their own: what differs between sets is said here.
// Thread safety: types and pure functions.
#pragma once

#include "Implementations.h"

#if defined(TESSARK_FAST_AVX2_BUILD)
#include "avx2/Vector.h"
#else
#include "baseline/Vector.h"
#endif
