// The kernels compiled for the baseline of the target (SSE2 on x86-64); see
// Implementations.h.
#include "../Passes.inl"
