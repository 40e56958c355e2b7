// The kernels compiled for the baseline of the target (SSE2 on x86-64); the
// only compilation that also serves 16-bit text. See Implementations.h.
#define TESSARK_FAST_UNITS 1
#include "../Passes.inl"
