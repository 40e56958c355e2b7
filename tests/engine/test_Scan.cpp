// The search and move primitives of the fast kernels against plain loops, at
// every offset and length around the vector sizes, once for every
// implementation of the kernels that the processor supports (through its
// table of primitives).
#include <gtest/gtest.h>

#include <cctype>
#include <numeric>
#include <string>
#include <vector>

#include "kernels/Implementations.h"
#include "kernels/Scan.h"

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
void CheckMoves(const ScanSet<C>& s) {
    for (std::size_t to = 0; to < 3; ++to)
        for (std::size_t gap = 0; gap <= 40; ++gap)
            for (std::size_t count = 0; count <= 70; ++count)
                for (const std::size_t rest : {std::size_t{0}, std::size_t{5}, std::size_t{70}}) {
                    const std::size_t from = to + gap, n = from + count + rest;
                    std::vector<C> d = Numbered<C>(n);
                    const std::vector<C> before = d;
                    s.MoveDownShort(d.data(), to, from, count, n);
                    for (std::size_t k = 0; k < count; ++k)
                        ASSERT_EQ(d[to + k], before[from + k]) << "gap " << gap << " count " << count;
                    for (std::size_t k = from + count; k < n; ++k)
                        ASSERT_EQ(d[k], before[k]) << "unread unit overwritten: gap " << gap << " count " << count;
                }
}

// The row of the table that a test's parameter names.
const Implementation& Named(const std::string& name) {
    for (const Implementation& impl : Implementations())
        if (name == impl.name) return impl;
    return Implementations()[0];
}

std::vector<std::string> Supported() {
    std::vector<std::string> names;
    for (const Implementation& impl : Implementations())
        if (impl.supported()) names.emplace_back(impl.name);
    return names;
}

class ScanTest : public ::testing::TestWithParam<std::string> {
protected:
    const Implementation& impl = Named(GetParam());
};

TEST_P(ScanTest, MoveDownShortMovesTheStretchAndSparesTheUnreadText) {
    CheckMoves(impl.byteScans());
    CheckMoves(impl.unitScans());
}

// Moving up (the line-end expansion works from the end): the stretch lands
// at `to`, and nothing below `from` (the text still to be expanded) changes.
template <class C>
void CheckMovesUp(const ScanSet<C>& s) {
    for (std::size_t from = 0; from <= 20; ++from)
        for (std::size_t gap = 0; gap <= 40; ++gap)
            for (std::size_t count = 0; count <= 70; ++count) {
                const std::size_t to = from + gap, n = to + count + 3;
                std::vector<C> d = Numbered<C>(n);
                const std::vector<C> before = d;
                s.MoveUpShort(d.data(), to, from, count);
                for (std::size_t k = 0; k < count; ++k)
                    ASSERT_EQ(d[to + k], before[from + k]) << "from " << from << " gap " << gap << " count " << count;
                for (std::size_t k = 0; k < from; ++k)
                    ASSERT_EQ(d[k], before[k]) << "unit below the stretch changed: from " << from << " gap " << gap;
                for (std::size_t k = to + count; k < n; ++k) ASSERT_EQ(d[k], before[k]) << "unit above changed";
            }
}

TEST_P(ScanTest, MoveUpShortMovesTheStretchAndSparesTheTextBelow) {
    CheckMovesUp(impl.byteScans());
    CheckMovesUp(impl.unitScans());
}

template <class C>
void CheckSearches(const ScanSet<C>& s) {
    for (std::size_t n = 0; n <= 80; ++n)
        for (std::size_t at = 0; at <= n; ++at) {
            std::vector<C> d(n, C('a'));
            if (at < n) d[at] = C('>');
            for (std::size_t i = 0; i <= n; ++i) {
                const std::size_t want = at < n && at >= i ? at : n;
                ASSERT_EQ(s.FindChar(d.data(), i, n, C('>')), want) << "n " << n << " at " << at << " from " << i;
                const std::size_t last = s.FindLastChar(d.data(), i, C('>'));
                ASSERT_EQ(last, at < i ? at : i) << "n " << n << " at " << at << " before " << i;
                ASSERT_EQ(s.CountChar(d.data(), i, n, C('>')), at < n && at >= i ? 1u : 0u);
                ASSERT_EQ(s.CountChar(d.data(), 0, i, C('a')), at < i ? i - 1 : i);
            }
        }
}

TEST_P(ScanTest, FindCharFirstLastAndCountAtEveryOffset) {
    CheckSearches(impl.byteScans());
    CheckSearches(impl.unitScans());
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
TEST_P(ScanTest, FindMarkerAgreesWithAPlainSearch) {
    const ScanSet<unsigned char>& bytesScans = impl.byteScans();
    const ScanSet<char16_t>& unitScans = impl.unitScans();
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
                        ASSERT_EQ(bytesScans.FindMarker(bytes.data(), i, bytes.size(), m.c_str(), m.size()), NaiveMarker(bytes, i, m))
                            << text << " from " << i;
                        ASSERT_EQ(unitScans.FindMarker(units.data(), i, units.size(), m.c_str(), m.size()), NaiveMarker(units, i, m))
                            << text << " from " << i;
                    }
                }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ScanTest, ::testing::ValuesIn(Supported()), [](const auto& p) { return p.param; });

}  // namespace
}  // namespace tessark::fast::scan
