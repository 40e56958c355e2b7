// The move and search primitives of the kernels (Scan.h) against plain
// loops at every offset and length around the vector sizes, once for every
// implementation the processor supports. (The marker search and the
// bit-parallel bookkeeping of BitKernels.h, the tag carry chain and the runs
// of spaces, are held to the literal engine at every offset from a block's
// start by test_differential.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"

namespace tessark::fast {
namespace {

template <class C>
std::vector<C> Numbered(std::size_t n) {
    std::vector<C> d(n);
    for (std::size_t k = 0; k < n; ++k) d[k] = static_cast<C>(1 + k % 200);
    return d;
}

// A move lands the stretch at `to` and keeps the rest as it was: down, the
// text from the end of the source on (not read yet); up, everything below
// `from` (still to be expanded) and above the stretch.
template <class C>
void CheckMoves(const ScanSet<C>& s) {
    for (std::size_t low = 0; low <= 20; ++low)
        for (std::size_t gap = 0; gap <= 40; ++gap)
            for (std::size_t count = 0; count <= 70; ++count) {
                const std::size_t high = low + gap, n = high + count + low % 3 * 35;
                std::vector<C> down = Numbered<C>(n), up = down;
                const std::vector<C> before = down;
                s.MoveDownShort(down.data(), low, high, count, n);
                s.MoveUpShort(up.data(), high, low, count);
                for (std::size_t k = 0; k < n; ++k) {
                    const bool toDown = k >= low && k < low + count, toUp = k >= high && k < high + count;
                    const bool unread = k >= high + count, outside = k < low || unread;  // must stay as they were
                    ASSERT_EQ(down[k], toDown ? before[high + k - low] : unread ? before[k] : down[k]) << gap << " " << count;
                    ASSERT_EQ(up[k], toUp ? before[low + k - high] : outside ? before[k] : up[k]) << gap << " " << count;
                }
            }
}

template <class C>
void CheckSearches(const ScanSet<C>& s) {
    for (std::size_t n = 0; n <= 80; ++n)
        for (std::size_t at = 0; at <= n; ++at) {
            std::vector<C> d(n, C('a'));
            if (at < n) d[at] = C('>');
            for (std::size_t i = 0; i <= n; ++i) {
                ASSERT_EQ(s.FindChar(d.data(), i, n, C('>')), at < n && at >= i ? at : n) << n << " " << at << " " << i;
                ASSERT_EQ(s.FindLastChar(d.data(), i, C('>')), at < i ? at : i) << n << " " << at << " " << i;
                ASSERT_EQ(s.CountChar(d.data(), i, n, C('>')), at < n && at >= i ? 1u : 0u);
                ASSERT_EQ(s.CountChar(d.data(), 0, i, C('a')), at < i ? i - 1 : i);
            }
        }
}

class ScanTest : public test::EachKernels {};

TEST_P(ScanTest, PrimitivesAgreeWithPlainLoops) {
    const Implementation& impl = ActiveImplementation();
    CheckMoves(impl.byteScans());
    CheckMoves(impl.unitScans());
    CheckSearches(impl.byteScans());
    CheckSearches(impl.unitScans());
}

INSTANTIATE_TEST_SUITE_P(Kernels, ScanTest, ::testing::ValuesIn(test::Kernels()), [](const auto& p) { return p.param; });

}  // namespace
}  // namespace tessark::fast
