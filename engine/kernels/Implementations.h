// Implementations: the fast kernels as compiled for each instruction set, in
// a named table, and the one the engine uses, chosen at run time.
//
// The kernels (Passes.inl over the primitives of Scan.h) are written once,
// over the byte vector Vec of Vector.h. Each instruction set has a folder
// beside this file (baseline: SSE2 on x86-64, plain loops elsewhere; avx2)
// whose Vector.h defines Vec and whose Passes.cpp compiles the kernels with
// it, in an inline namespace of the set's name, so that no two compilations
// share a symbol, not even an inline helper. Adding a set (AVX-512, NEON)
// is a folder with those two files, a line in Vector.h, a row in the table
// of Implementations.cpp and its sources in engine/CMakeLists.txt. Every
// set gives exactly the same results; the differential and kernel tests run
// once for each set the processor supports.
//
// Thread safety: the table is constant. ChooseImplementation is meant for
// tests and measurements, between conversions.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#if defined(TESSARK_FAST_AVX2_BUILD)
#define TESSARK_FAST_ISA avx2
#define TESSARK_FAST_ISA_NAME "avx2"
#else
#define TESSARK_FAST_ISA baseline
#define TESSARK_FAST_ISA_NAME "baseline"
#endif

namespace tessark::fast {

struct FinalShape;

// How the passes count positions (see Passes.h): ElementUnits, one per
// element of the buffer (16-bit text, Windows-1252 bytes); Utf8Units, the
// 16-bit units that a buffer of UTF-8 bytes decodes to.
struct ElementUnits {};
struct Utf8Units {};

// The passes of Passes.h as compiled for one instruction set.
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

// The search and move primitives of Scan.h as compiled for one instruction
// set: the engine's scans outside the passes (the references and the
// stream's look-back) reach them through ScansFor, so that they run on the
// same instruction set as the passes. Entry points to whole primitives
// rather than to those scans compiled once per set: the scans call them
// once per reference or per look-back, and most of the scans' own work
// is scalar (tables, memos), which gains nothing from another compilation.
template <class C>
struct ScanSet {
    const char* isa;
    std::size_t (*FindChar)(const C*, std::size_t, std::size_t, C);
    std::size_t (*FindLastChar)(const C*, std::size_t, C);
    std::size_t (*CountChar)(const C*, std::size_t, std::size_t, C);
    std::size_t (*FindAny)(const C*, std::size_t, std::size_t, const C*, int);
    std::size_t (*FindLastAny)(const C*, std::size_t, std::size_t, const C*, int);
    std::size_t (*FindMarker)(const C*, std::size_t, std::size_t, const char*, std::size_t);
    void (*MoveDownShort)(C*, std::size_t, std::size_t, std::size_t, std::size_t);
    void (*MoveUpShort)(C*, std::size_t, std::size_t, std::size_t);
};

// The sets of this compilation (defined by Passes.inl in each namespace).
inline namespace TESSARK_FAST_ISA {
template <class C, class U = ElementUnits>
const PassSet<C, U>& Passes() noexcept;
template <class C>
const ScanSet<C>& Scans() noexcept;
}  // namespace TESSARK_FAST_ISA

// One row of the table.
struct Implementation {
    const char* name;                                // "baseline", "avx2"
    bool (*supported)() noexcept;                    // whether this processor can run it
    const PassSet<unsigned char>& (*bytes)() noexcept;
    const PassSet<unsigned char, Utf8Units>& (*utf8)() noexcept;  // UTF-8 bytes
    const PassSet<char16_t>& (*units)() noexcept;    // 16-bit text: the baseline set everywhere
    const ScanSet<unsigned char>& (*byteScans)() noexcept;
    const ScanSet<char16_t>& (*unitScans)() noexcept;
};

// Every implementation built into the program, from the baseline up to the
// most capable.
std::span<const Implementation> Implementations() noexcept;

// The implementation the engine uses: the one chosen by
// ChooseImplementation, else the most capable one the processor supports.
const Implementation& ActiveImplementation() noexcept;

// For tests and measurements: makes the named implementation the active one
// (an empty name goes back to the automatic choice). Returns false, and
// changes nothing, when the name is unknown or the processor cannot run it.
bool ChooseImplementation(std::string_view name) noexcept;

// The passes the engine uses for unit type C and unit policy U (those of
// ActiveImplementation); U is ElementUnits, or Utf8Units for bytes.
template <class C, class U = ElementUnits>
const PassSet<C, U>& PassesFor() noexcept;

// The search and move primitives the engine uses for unit type C (those of
// ActiveImplementation).
template <class C>
const ScanSet<C>& ScansFor() noexcept;

// The scans' calls in dense text: between references (or tags) one after
// another the distance is a few units, where a call through the table costs
// more than the search. These look at the first kNearUnits inline and hand
// the rest to the chosen set; the results are those of the set's primitive.
inline constexpr std::size_t kNearUnits = 16;

// First k >= i with d[k] == c, else n.
template <class C>
inline std::size_t FindCharNear(const ScanSet<C>& scans, const C* d, std::size_t i, std::size_t n, C c) noexcept {
    if (i >= n) return n;
    const std::size_t stop = n - i > kNearUnits ? i + kNearUnits : n;
    for (; i < stop; ++i)
        if (d[i] == c) return i;
    return i == n ? n : scans.FindChar(d, i, n, c);
}

// Last k < i with d[k] == c, else i.
template <class C>
inline std::size_t FindLastCharNear(const ScanSet<C>& scans, const C* d, std::size_t i, C c) noexcept {
    const std::size_t stop = i > kNearUnits ? i - kNearUnits : 0;
    for (std::size_t k = i; k > stop; --k)
        if (d[k - 1] == c) return k - 1;
    if (stop == 0) return i;
    const std::size_t k = scans.FindLastChar(d, stop, c);
    return k == stop ? i : k;
}

// MoveDownShort (to <= from): a short stretch copied inline, unit by unit
// upwards, which is safe when the stretches overlap.
template <class C>
inline void MoveDownNear(const ScanSet<C>& scans, C* d, std::size_t to, std::size_t from, std::size_t count,
                         std::size_t n) noexcept {
    if (count > kNearUnits) return scans.MoveDownShort(d, to, from, count, n);
    for (std::size_t k = 0; k < count; ++k) d[to + k] = d[from + k];
}

}  // namespace tessark::fast
