#include "Implementations.h"

#include <atomic>

namespace tessark::fast {

namespace baseline {
template <class C>
const PassSet<C>& Passes() noexcept;
}
#if defined(TESSARK_HAVE_AVX2_PASSES)
namespace avx2 {
template <class C>
const PassSet<C>& Passes() noexcept;
}
#endif

namespace {
std::atomic<bool> forceBaseline{false};
}

bool Avx2Available() noexcept {
#if defined(TESSARK_HAVE_AVX2_PASSES)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

void ForceBaseline(bool force) noexcept { forceBaseline.store(force, std::memory_order_relaxed); }

template <>
const PassSet<unsigned char>& PassesFor<unsigned char>() noexcept {
#if defined(TESSARK_HAVE_AVX2_PASSES)
    if (!forceBaseline.load(std::memory_order_relaxed) && Avx2Available()) return avx2::Passes<unsigned char>();
#endif
    return baseline::Passes<unsigned char>();
}

template <>
const PassSet<char16_t>& PassesFor<char16_t>() noexcept {
    return baseline::Passes<char16_t>();
}

}  // namespace tessark::fast
