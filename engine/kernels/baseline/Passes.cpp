// The kernels compiled for the baseline of the target (SSE2 on x86-64); the
// only compilation that also serves 16-bit text. See Implementations.h.
#include "../Passes.inl"

namespace tessark::fast::inline baseline {
template const PassSet<char16_t, ElementUnits>& Passes<char16_t, ElementUnits>() noexcept;
}  // namespace tessark::fast::inline baseline
