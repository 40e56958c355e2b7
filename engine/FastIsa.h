// FastIsa: which vector instructions the fast passes over bytes use.
//
// FastPasses.cpp is compiled twice: once for the baseline of the target
// (SSE2 on x86-64), and, where the compiler can target it, once more with
// AVX2, which tests 32 bytes per step instead of 16. Each compilation puts
// its code in its own inline namespace (baseline or avx2), so the two never
// share a symbol, not even an inline helper. The engine asks PassesFor() for
// the set to use; the AVX2 set is chosen only when the processor has AVX2.
// Both sets give exactly the same results.
#pragma once

#include <cstddef>

#if defined(TESSARK_FAST_AVX2_BUILD)
#define TESSARK_FAST_ISA avx2
#define TESSARK_FAST_ISA_NAME "avx2"
#else
#define TESSARK_FAST_ISA baseline
#define TESSARK_FAST_ISA_NAME "baseline"
#endif

namespace tessark::fast {

struct FinalShape;

// How the passes count positions (see FastPasses.h): ElementUnits, one per
// element of the buffer (16-bit text, Windows-1252 bytes); Utf8Units, the
// 16-bit units that a buffer of UTF-8 bytes decodes to.
struct ElementUnits {};
struct Utf8Units {};

// The passes of FastPasses.h as compiled for one instruction set.
template <class C, class U = ElementUnits>
struct PassSet {
    const char* isa;
    std::size_t (*CommentPass)(C*, std::size_t, bool*);
    std::size_t (*BlockPass)(C*, std::size_t, const char*, std::size_t, const char*, std::size_t, std::size_t, bool*);
    std::size_t (*FunctionPipeTabs)(C*, std::size_t, bool, bool, bool, bool*);
    std::size_t (*StripTags)(C*, std::size_t, bool*);
    std::size_t (*TailPass)(C*, std::size_t, bool, bool, bool, bool, std::size_t*, std::size_t*);
    std::size_t (*BlankLinePass)(C*, std::size_t);
    std::size_t (*CollapseRuns)(C*, std::size_t, C, std::size_t*);
    FinalShape (*ShapeFinal)(const C*, std::size_t);
    std::size_t (*ExpandLineEnds)(C*, const FinalShape&);
};

// The set of this compilation (defined by FastPasses.cpp in each namespace).
inline namespace TESSARK_FAST_ISA {
template <class C, class U = ElementUnits>
const PassSet<C, U>& Passes() noexcept;
}

// The set the engine uses for unit type C: the AVX2 one for bytes when it
// was built and the processor has AVX2 (and the baseline is not forced),
// otherwise the baseline one. 16-bit text always takes the baseline set.
// U is ElementUnits, or Utf8Units for bytes.
template <class C, class U = ElementUnits>
const PassSet<C, U>& PassesFor() noexcept;

// True when PassesFor<unsigned char>() can give the AVX2 set on this machine.
bool Avx2Available() noexcept;

// For tests and measurements: while set, PassesFor() gives the baseline set
// everywhere. Not meant to change during a conversion.
void ForceBaseline(bool force) noexcept;

}  // namespace tessark::fast
