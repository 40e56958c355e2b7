#include "FastIsa.h"

#include <atomic>

namespace tessark::fast {

namespace baseline {
template <class C, class U>
const PassSet<C, U>& Passes() noexcept;
}
#if defined(TESSARK_HAVE_AVX2_PASSES)
namespace avx2 {
template <class C, class U>
const PassSet<C, U>& Passes() noexcept;
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
    if (!forceBaseline.load(std::memory_order_relaxed) && Avx2Available())
        return avx2::Passes<unsigned char, ElementUnits>();
#endif
    return baseline::Passes<unsigned char, ElementUnits>();
}

template <>
const PassSet<unsigned char, Utf8Units>& PassesFor<unsigned char, Utf8Units>() noexcept {
#if defined(TESSARK_HAVE_AVX2_PASSES)
    if (!forceBaseline.load(std::memory_order_relaxed) && Avx2Available())
        return avx2::Passes<unsigned char, Utf8Units>();
#endif
    return baseline::Passes<unsigned char, Utf8Units>();
}

template <>
const PassSet<char16_t>& PassesFor<char16_t>() noexcept {
    return baseline::Passes<char16_t, ElementUnits>();
}

}  // namespace tessark::fast
