// The search and move primitives of the fast passes against plain loops, at
// every offset and length around the 16- and 32-byte block sizes. Built
// twice: as test_FastScan for the baseline vectors, and with AVX2 as
// test_FastScan_avx2 (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <cctype>
#include <numeric>
#include <string>
#include <vector>

#include "FastScan.h"

namespace tessark::fast::scan {
namespace {

template <class C>
std::vector<C> Numbered(std::size_t n) {
    std::vector<C> d(n);
    for (std::size_t k = 0; k < n; ++k) d[k] = static_cast<C>(1 + k % 200);
    return d;
}

// A move must leave the stretch at `to` and keep everything from the end of
// the source on (the part of the text not read yet) as it was.
template <class C>
void CheckMoves() {
    for (std::size_t to = 0; to < 3; ++to)
        for (std::size_t gap = 0; gap <= 40; ++gap)
            for (std::size_t count = 0; count <= 70; ++count)
                for (const std::size_t rest : {std::size_t{0}, std::size_t{5}, std::size_t{70}}) {
                    const std::size_t from = to + gap, n = from + count + rest;
                    std::vector<C> d = Numbered<C>(n);
                    const std::vector<C> before = d;
                    MoveDownShort(d.data(), to, from, count, n);
                    for (std::size_t k = 0; k < count; ++k)
                        ASSERT_EQ(d[to + k], before[from + k]) << "gap " << gap << " count " << count;
                    for (std::size_t k = from + count; k < n; ++k)
                        ASSERT_EQ(d[k], before[k]) << "unread unit overwritten: gap " << gap << " count " << count;
                }
}

TEST(MoveDownShort, MovesTheStretchAndSparesTheUnreadText) {
    CheckMoves<unsigned char>();
    CheckMoves<char16_t>();
}

// Moving up (the line-end expansion works from the end): the stretch lands
// at `to`, and nothing below `from` (the text still to be expanded) changes.
template <class C>
void CheckMovesUp() {
    for (std::size_t from = 0; from <= 20; ++from)
        for (std::size_t gap = 0; gap <= 40; ++gap)
            for (std::size_t count = 0; count <= 70; ++count) {
                const std::size_t to = from + gap, n = to + count + 3;
                std::vector<C> d = Numbered<C>(n);
                const std::vector<C> before = d;
                MoveUpShort(d.data(), to, from, count);
                for (std::size_t k = 0; k < count; ++k)
                    ASSERT_EQ(d[to + k], before[from + k]) << "from " << from << " gap " << gap << " count " << count;
                for (std::size_t k = 0; k < from; ++k)
                    ASSERT_EQ(d[k], before[k]) << "unit below the stretch changed: from " << from << " gap " << gap;
                for (std::size_t k = to + count; k < n; ++k) ASSERT_EQ(d[k], before[k]) << "unit above changed";
            }
}

TEST(MoveUpShort, MovesTheStretchAndSparesTheTextBelow) {
    CheckMovesUp<unsigned char>();
    CheckMovesUp<char16_t>();
}

template <class C>
void CheckSearches() {
    for (std::size_t n = 0; n <= 80; ++n)
        for (std::size_t at = 0; at <= n; ++at) {
            std::vector<C> d(n, C('a'));
            if (at < n) d[at] = C('>');
            for (std::size_t i = 0; i <= n; ++i) {
                const std::size_t want = at < n && at >= i ? at : n;
                ASSERT_EQ(FindChar(d.data(), i, n, C('>')), want) << "n " << n << " at " << at << " from " << i;
                const std::size_t last = FindLastChar(d.data(), i, C('>'));
                ASSERT_EQ(last, at < i ? at : i) << "n " << n << " at " << at << " before " << i;
                ASSERT_EQ(CountChar(d.data(), i, n, C('>')), at < n && at >= i ? 1u : 0u);
                ASSERT_EQ(CountChar(d.data(), 0, i, C('a')), at < i ? i - 1 : i);
            }
        }
}

TEST(FindChar, FirstLastAndCountAtEveryOffset) {
    CheckSearches<unsigned char>();
    CheckSearches<char16_t>();
}

// A plain search: the first k >= i where the marker begins, ignoring case.
template <class C>
std::size_t NaiveMarker(const std::vector<C>& d, std::size_t i, const std::string& m) {
    for (std::size_t k = i; k + m.size() <= d.size(); ++k) {
        bool ok = true;
        for (std::size_t j = 0; j < m.size() && ok; ++j) ok = Fold(d[k + j]) == C(m[j]);
        if (ok) return k;
    }
    return d.size();
}

// Markers at every offset, in both cases, among decoys that share their first
// two units or their first and last ("<s", "<sxxxxt", "/s>"), near the end.
TEST(FindMarker, AgreesWithAPlainSearch) {
    const std::string markers[] = {"<script", "/script>", "<style", "/style>", "<!--", "-->"};
    const std::string fillers[] = {"<s<sc<scr/s/st-<!-x", "<sxxxxt/sxxxx>-->", "<SCRIPt/SCRIPT>--<!-"};
    for (const std::string& m : markers)
        for (const std::string& filler : fillers)
            for (std::size_t at = 0; at < 40; ++at)
                for (const bool upper : {false, true}) {
                    std::string text;
                    while (text.size() < at) text += filler;
                    text.resize(at);
                    std::string marker = m;
                    if (upper)
                        for (char& c : marker) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    text += marker + filler.substr(0, at % filler.size());
                    const std::vector<unsigned char> bytes(text.begin(), text.end());
                    const std::vector<char16_t> units(text.begin(), text.end());
                    for (std::size_t i = 0; i <= text.size(); i += 3) {
                        ASSERT_EQ(FindMarker(bytes.data(), i, bytes.size(), m.c_str(), m.size()), NaiveMarker(bytes, i, m))
                            << text << " from " << i;
                        ASSERT_EQ(FindMarker(units.data(), i, units.size(), m.c_str(), m.size()), NaiveMarker(units, i, m))
                            << text << " from " << i;
                    }
                }
}

// The executable tests the vectors it was built for.
TEST(VectorWidth, IsTheOneOfThisBuild) {
#if defined(TESSARK_FAST_AVX2_BUILD)
    EXPECT_EQ(kVec, 32u);
    EXPECT_STREQ(TESSARK_FAST_ISA_NAME, "avx2");
#elif defined(__SSE2__)
    EXPECT_EQ(kVec, 16u);
    EXPECT_STREQ(TESSARK_FAST_ISA_NAME, "baseline");
#endif
}

}  // namespace
}  // namespace tessark::fast::scan
