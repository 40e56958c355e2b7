// The fast passes once more, compiled with AVX2 (this file is given -mavx2
// and TESSARK_FAST_AVX2_BUILD by the build); see FastIsa.h.
#include "FastPasses.cpp"
