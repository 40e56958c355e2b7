// BitKernels: the bit-parallel bookkeeping of the vector passes, on masks
// with one bit per unit (bit k for the k-th unit of a block). Pure integer
// arithmetic, the same for every instruction set; the vector code of each
// set only makes the masks. Tested directly in tests/engine/test_kernels.
//
// Thread safety: pure functions.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace tessark::fast::bits {

// ------------------------------------------------------------------ tags

// What the tag kernel carries from one block of 64 units to the next.
struct TagCarry {
    bool inside = false;        // the last unit of the block before was in a tag
    std::uint64_t afterGt = 0;  // 1 when that unit was ">"
};

// The units of a block of 64 that lie in a tag ("<" up to the next ">"), given
// l, the block's "<", and g, its ">". With Y the units just after a ">" (not
// where a "<" is), a unit is in a tag exactly when the latest of l and Y at
// or before it is in l. The first "<" after each Y (a tag's start) is found
// by letting a carry run from every Y over the units that are not "<"; the
// first Y after each start (a tag's end) the same way over the units that
// are not in Y; the units from a start up to an end are end - start as
// integers. A block that begins inside a tag adds a start before its first
// unit (the "- in"), one that begins outside an end (the "+ 1 - in").
//
// Worked example on 8 units (the kernel takes 64), first unit on the left,
// beginning outside a tag, text "a<b>c><d":
//   l       .1....1.     g       ...1.1..
//   y       ....1...     (g shifted by one, less the "<" at 6)
//   starts  .1....1.     (~l + y + 1: carries from bit 0 and from 4 stop
//                         at the "<" at 1 and 6)
//   ends    ....1...     (~y + starts: the carry from 1 stops at 4; the one
//                         from 6 runs off the block)
//   tagged  .111..11     (ends - starts: 1 to 3, and 6 on)
// "a", "c" and the stray ">" stay; the block ends inside the tag "<d".
// Beginning inside a tag, "x>y<<z>w" gives tagged 11.1111. (the tag going
// on ends at 1; "y" and "w" stay).
inline std::uint64_t TaggedUnits(std::uint64_t l, std::uint64_t g, TagCarry& carry) noexcept {
    const std::uint64_t y = ((g << 1) | carry.afterGt) & ~l;
    carry.afterGt = g >> 63;
    const std::uint64_t in = carry.inside ? 1 : 0;
    const std::uint64_t starts = (~l + y + (1 - in)) & l;
    const std::uint64_t ends = (~y + starts + in) & y;
    const std::uint64_t tagged = ends - starts - in;
    carry.inside = (tagged >> 63) != 0;
    return tagged;
}

// Whether the text after the last block begins inside a tag: a ">" as the
// last unit of the blocks ended the tag it was in.
inline bool InsideAfterBlocks(const TagCarry& carry) noexcept { return carry.inside && carry.afterGt == 0; }

// ---------------------------------------------------------- runs of spaces

// The longest run of ones in x.
inline std::size_t LongestRunOfOnes(std::uint32_t x) noexcept {
    std::size_t k = 0;
    for (; x != 0; ++k) x &= x >> 1;
    return k;
}

// Follows the runs of spaces over a block of `width` units (16 or 32) whose
// spaces are `spaces` (after CR, and LF when it counts, became spaces): `run`
// is the run going on at the end of the text before (0 when its last unit
// is not a space) and becomes the one going on at the end of the block;
// `longest` becomes at least every run finished or going on.
//
// Worked example, width 8, run 3 coming in, block "  a   b " (spaces
// 11.111.1): the run going on takes the two leading spaces (3 + 2 = 5, the
// lowest unit that is not a space is at 2), the run inside the block is 3
// long (counted only while longest < width: no run inside a block is
// longer), and the last space begins a run of 1 (the highest unit that is
// not a space is at 6). run becomes 1, longest at least 5. A block of
// spaces only adds its width to the run.
inline void SpaceRuns(std::uint32_t spaces, std::size_t width, std::size_t& run, std::size_t& longest) noexcept {
    const std::uint32_t full = width >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << width) - 1;
    if (spaces == full) {
        run += width;
    } else {
        const std::uint32_t others = ~spaces & full;
        longest = std::max(longest, run + static_cast<std::size_t>(std::countr_zero(others)));
        if (longest < width) longest = std::max(longest, LongestRunOfOnes(spaces));
        run = static_cast<std::size_t>(std::countl_zero(others)) - (32 - width);
    }
    longest = std::max(longest, run);
}

}  // namespace tessark::fast::bits
