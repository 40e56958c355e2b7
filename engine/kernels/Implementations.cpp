#include "Implementations.h"

#include <array>
#include <atomic>

#if defined(TESSARK_HAVE_AVX2_PASSES)
#include <cpuid.h>
#endif

namespace tessark::fast {

// This file is compiled for the baseline, whose namespace is therefore the
// inline one here (Implementations.h).
inline namespace baseline {
template <class C, class U>
const PassSet<C, U>& Passes() noexcept;
template <class C>
const ScanSet<C>& Scans() noexcept;
}  // namespace baseline
#if defined(TESSARK_HAVE_AVX2_PASSES)
namespace avx2 {
template <class C, class U>
const PassSet<C, U>& Passes() noexcept;
template <class C>
const ScanSet<C>& Scans() noexcept;
}  // namespace avx2
#endif

namespace {

bool Always() noexcept { return true; }

#if defined(TESSARK_HAVE_AVX2_PASSES)
// Asked on the first conversion, not at start-up: the compiler's own probe
// (__builtin_cpu_supports) runs a dozen cpuid instructions in a constructor
// of every process, which a virtual machine makes slow, also for the runs
// that convert nothing (--version, --help). AVX2 needs the instruction set
// and an operating system that saves the YMM registers.
bool HasAvx2() noexcept {
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0) return false;
        unsigned lo = 0, hi = 0;
        __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        if ((lo & 6u) != 6u) return false;  // XMM and YMM state
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
    }();
    return has;
}
#endif

// From the baseline up to the most capable.
constexpr std::array kTable = {
    Implementation{"baseline", &Always, &baseline::Passes<unsigned char, ElementUnits>,
                   &baseline::Passes<unsigned char, Utf8Units>, &baseline::Passes<char16_t, ElementUnits>,
                   &baseline::Scans<unsigned char>, &baseline::Scans<char16_t>},
#if defined(TESSARK_HAVE_AVX2_PASSES)
    Implementation{"avx2", &HasAvx2, &avx2::Passes<unsigned char, ElementUnits>,
                   &avx2::Passes<unsigned char, Utf8Units>, &baseline::Passes<char16_t, ElementUnits>,
                   &avx2::Scans<unsigned char>, &avx2::Scans<char16_t>},
#endif
};

// The row chosen by ChooseImplementation, or -1 for the automatic choice.
std::atomic<int> chosen{-1};

int Automatic() noexcept {
    static const int best = [] {
        int i = static_cast<int>(kTable.size()) - 1;
        while (i > 0 && !kTable[static_cast<std::size_t>(i)].supported()) --i;
        return i;
    }();
    return best;
}

}  // namespace

std::span<const Implementation> Implementations() noexcept { return kTable; }

const Implementation& ActiveImplementation() noexcept {
    const int i = chosen.load(std::memory_order_relaxed);
    return kTable[static_cast<std::size_t>(i >= 0 ? i : Automatic())];
}

bool ChooseImplementation(std::string_view name) noexcept {
    if (name.empty()) {
        chosen.store(-1, std::memory_order_relaxed);
        return true;
    }
    for (std::size_t i = 0; i < kTable.size(); ++i)
        if (name == kTable[i].name && kTable[i].supported()) {
            chosen.store(static_cast<int>(i), std::memory_order_relaxed);
            return true;
        }
    return false;
}

template <>
const PassSet<unsigned char>& PassesFor<unsigned char>() noexcept {
    return ActiveImplementation().bytes();
}

template <>
const PassSet<unsigned char, Utf8Units>& PassesFor<unsigned char, Utf8Units>() noexcept {
    return ActiveImplementation().utf8();
}

template <>
const PassSet<char16_t>& PassesFor<char16_t>() noexcept {
    return ActiveImplementation().units();
}

template <>
const ScanSet<unsigned char>& ScansFor<unsigned char>() noexcept {
    return ActiveImplementation().byteScans();
}

template <>
const ScanSet<char16_t>& ScansFor<char16_t>() noexcept {
    return ActiveImplementation().unitScans();
}

}  // namespace tessark::fast
