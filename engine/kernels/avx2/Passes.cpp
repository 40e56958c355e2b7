// The kernels compiled with AVX2 (this file is given -mavx2 and
// TESSARK_FAST_AVX2_BUILD by the build); see Implementations.h.
#include "../Passes.inl"
