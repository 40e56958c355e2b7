// The fast engine against the literal one: seeded random pages built from
// the markers, references and whitespace, every page of the corpus under a
// fixed list of option sets, and failing yields at every position. The
// three conversions (literal, fast over 16-bit text, fast over bytes) must
// agree in result, yield count and reports. The UTF-8 byte path is held to
// the 16-bit engine on the decoded page the same way. Each test runs once
// for every implementation of the kernels that the processor supports,
// named by the test's last parameter.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "DifferentialInput.h"
#include "EachKernels.h"
#include "EngineTestSupport.h"
#include "FastReferences.h"
#include "SpecialCharTable.h"
#include "TextOps.h"

namespace tessark::test {
namespace {

using differential::Compare;
using differential::Comparison;

std::string Describe(const std::string& page, unsigned options, long failAt, const Comparison& c) {
    std::string s = "options=" + std::to_string(options) + " failAt=" + std::to_string(failAt) +
                    "\npage:    " + Show(differential::Decode(page)) + "\nliteral: " + Show(c.literal.text) +
                    " yields=" + std::to_string(c.literal.yields) + "\nfast:    " + Show(c.fast.text) +
                    " yields=" + std::to_string(c.fast.yields) + "\nbytes:   " + Show(c.bytes.text) +
                    " yields=" + std::to_string(c.bytes.yields) + "\nkernels: " + fast::ActiveImplementation().name;
    for (const auto& r : c.literal.reports) s += "\nliteral report " + r;
    for (const auto& r : c.fast.reports) s += "\nfast report " + r;
    return s;
}

// ------------------------------------------------------------ random pages

struct RandomBatch {
    const char* name;
    std::uint32_t firstSeed;
    int pages;
    std::size_t maxPieces;
};

void PrintTo(const RandomBatch& b, std::ostream* os) { *os << b.name; }

class RandomPagesTest : public ::testing::TestWithParam<std::tuple<RandomBatch, std::string>> {};

TEST_P(RandomPagesTest, EnginesAgree) {
    const RandomBatch& batch = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    int failures = 0;
    for (int i = 0; i < batch.pages && failures < 3; ++i) {
        differential::RandomChoices choices(batch.firstSeed + static_cast<std::uint32_t>(i));
        const unsigned options = choices.Next(1u << 11);
        const long failAt = choices.Next(8) == 0 ? static_cast<long>(1 + choices.Next(30)) : 0;
        const std::string page = differential::BuildPage(choices, batch.maxPieces);
        const Comparison c = Compare(page, options, failAt);
        if (!c.Agree()) {
            ++failures;
            ADD_FAILURE() << Describe(page, options, failAt, c);
        }
    }
}

const RandomBatch kBatches[] = {
    {"ShortPages", 1, 4000, 12},
    {"MediumPages", 100000, 1500, 80},
    {"LongPages", 200000, 150, 1500},
};

INSTANTIATE_TEST_SUITE_P(Seeded, RandomPagesTest, ::testing::Combine(::testing::ValuesIn(kBatches), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) { return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param); });

// Pages for the readable-text options: tags, attributes, quotes, links and
// HTML references, under option sets with at least one of the four on.
class ReadablePagesTest : public ::testing::TestWithParam<std::tuple<RandomBatch, std::string>> {};

TEST_P(ReadablePagesTest, EnginesAgree) {
    const RandomBatch& batch = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    int failures = 0;
    for (int i = 0; i < batch.pages && failures < 3; ++i) {
        differential::RandomChoices choices(batch.firstSeed + static_cast<std::uint32_t>(i));
        unsigned options = choices.Next(1u << differential::kOptionBits);
        if ((options & differential::kReadableBits) == 0) options |= (1u + choices.Next(15)) << 11;
        const long failAt = choices.Next(8) == 0 ? static_cast<long>(1 + choices.Next(30)) : 0;
        const std::string page = differential::BuildPage(choices, batch.maxPieces, true);
        const Comparison c = Compare(page, options, failAt);
        if (!c.Agree()) {
            ++failures;
            ADD_FAILURE() << Describe(page, options, failAt, c);
        }
    }
}

const RandomBatch kReadableBatches[] = {
    {"ShortPages", 300000, 4000, 12},
    {"MediumPages", 400000, 1500, 80},
    {"LongPages", 500000, 150, 1500},
};

INSTANTIATE_TEST_SUITE_P(Seeded, ReadablePagesTest,
                         ::testing::Combine(::testing::ValuesIn(kReadableBatches), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) { return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param); });

// The readable-text options on pages where their rules meet, under every
// option set of all fifteen options.
TEST_P(EachKernels, ReadableCascadesAgreeUnderEveryOptionSet) {
    const char* const pages[] = {
        "<a href=\"&amp;lt;x\">&amp;lt;x</a>&lt;p&gt;<p>&nbsp;</p>",
        "<a href=\"x>y\">t</a></a><a href=u><img alt=u></a>{<br>}|<td>|\t",
        "<!--<a href=v>--><a href=w>w <!-- c --> </a><script><p></script>",
        "&not<li>in;&#x1F600;<img alt=\"&#150;&#0;\">&notin;&#38;#65;",
        "a<a href=\"msnavigation\">!--</a>-->&excl;--<b",
    };
    for (const char* page : pages)
        for (unsigned options = 0; options < (1u << differential::kOptionBits); ++options) {
            const Comparison c = Compare(page, options);
            ASSERT_TRUE(c.Agree()) << Describe(page, options, 0, c);
        }
}

// The cascades between passes, each under every option set.
TEST_P(EachKernels, CascadesAgreeUnderEveryOptionSet) {
    const char* const pages[] = {
        "<scr<!--xx-->ipt>a</script>b",  "&am{x}p;",       "&amp;lt;",         "&amp;eacute;",
        "&&#35;&#54;&#53;;",             "&#&not;&not;65;", "<!--ab--><!--cd-->", "<scr<script>x</script>ipt>y</script>z",
        "&nbs&#112;;&nbs&#112;x",        "&#3&#53;;",       "&#38;#38;",        "&pa&not;ra;x",
        "a<script/script>b<script>c</script>d<scr",         "{a{b}c}{", "&lt;b&gt;&#10;|&brvbar;\t",
    };
    for (const char* page : pages)
        for (unsigned options = 0; options < (1u << 11); ++options) {
            const Comparison c = Compare(page, options);
            ASSERT_TRUE(c.Agree()) << Describe(page, options, 0, c);
        }
}

// The byte path works on blocks of 16, 32 or 64 units: runs of spaces, line
// breaks, markers and tags at every offset from a block's start, and runs
// around the lengths where the number of yields changes (2 and 1025).
TEST_P(EachKernels, BlockBoundariesAgreeAtEveryOffset) {
    const std::string patterns[] = {
        "a" + std::string(15, ' ') + "b",
        "a" + std::string(16, ' ') + "b" + std::string(17, ' ') + "c",
        "a" + std::string(32, ' ') + "b" + std::string(31, ' ') + "c" + std::string(33, ' ') + "d",
        "a" + std::string(33, ' '),
        "x" + std::string(1024, ' ') + "y",
        "x" + std::string(1025, ' ') + "y",
        "x" + std::string(1040, ' ') + "\r\n" + std::string(600, ' ') + "y",
        "a \r\n \r\n\r\n  \n\n \r b\r\r\r\rc\n \n \n d",
        "p!--q-->r msnavigation sMSNAVIGATIONt!-->u---->v",
        "items and forms --  - -- ! -- ms  ms   mS",
        // tags across the 64-unit blocks of the tag pass: stray ">", "<" in
        // a tag, "><", tags longer than a block, and one never closed
        "a<b>c>d<<e>f><g>" + std::string(60, 'h') + "<" + std::string(70, 'i') + ">j<k" + std::string(65, 'l'),
        "<" + std::string(63, 'x') + "><" + std::string(64, 'y') + ">" + std::string(63, '>') + "<<<>>>z",
    };
    const unsigned sets[] = {kAllFlags, 1u << 9, (1u << 8) | (1u << 9), 1u | (1u << 9), 1u << 8,
                             (1u << 9) | (1u << 10), 0u};
    for (const std::string& pattern : patterns)
        for (std::size_t offset = 0; offset < 70; ++offset) {
            const std::string page = std::string(offset, 'z') + pattern + std::string(offset % 7, ' ') + "end";
            for (const unsigned options : sets) {
                const Comparison c = Compare(page, options);
                ASSERT_TRUE(c.Agree()) << Describe(page, options, 0, c);
            }
        }
}

// Every yield of a conversion made to fail in turn.
TEST_P(EachKernels, FailingYieldsGiveTheSameReportsAndResults) {
    const std::string page = "<!--ab-->x<script>1</script>&amp;lt;{f}|\t<b>  b\r\n\r\n\r\n" + std::string(3000, ' ') + "e";
    for (const unsigned options : {unsigned{kAllFlags}, 0u, 1u << 9, (1u << 9) | (1u << 10), 1u << 6}) {
        for (long failAt = 1; failAt <= 25; ++failAt) {
            const Comparison c = Compare(page, options, failAt);
            ASSERT_TRUE(c.Agree()) << Describe(page, options, failAt, c);
        }
    }
}

// ------------------------------------------------------- dense references

// The reference rows alone, literally: each row over the whole text in
// table order, each on the previous rows' output.
std::u16string RowsOneAfterAnother(std::u16string text) {
    for (const SpecialCharRow& row : SpecialCharTable) text = ReplaceAll(text, row.reference, row.replacement, row.match);
    return text;
}

// The fast reference pass over 16-bit units, over Windows-1252 bytes and
// over UTF-8 bytes against the rows one after another (for UTF-8: on the
// decoded page, encoded back); also counts the yields (always nine).
::testing::AssertionResult ReferencesAgree(const std::string& page) {
    const std::u16string text = differential::Decode(page);
    const std::u16string expected = RowsOneAfterAnother(text);
    static int yields = 0;
    const auto count = [] { ++yields; };
    std::u16string wide = text;
    yields = 0;
    wide.resize(fast::ReplaceReferences(wide.data(), wide.size(), count));
    if (yields != 9) return ::testing::AssertionFailure() << "16-bit yields " << yields << " for " << page;
    std::string bytes = page;
    yields = 0;
    bytes.resize(fast::ReplaceReferences(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), count));
    if (yields != 9) return ::testing::AssertionFailure() << "byte yields " << yields << " for " << page;
    std::string utf8 = page;
    yields = 0;
    utf8.resize(fast::ReplaceReferences<unsigned char, fast::Utf8Units>(reinterpret_cast<unsigned char*>(utf8.data()),
                                                                         utf8.size(), count));
    if (yields != 9) return ::testing::AssertionFailure() << "UTF-8 yields " << yields << " for " << page;
    const std::string expectedUtf8 = differential::EncodeUtf8(RowsOneAfterAnother(differential::DecodeUtf8(page)));
    if (wide != expected || differential::Decode(bytes) != expected || utf8 != expectedUtf8)
        return ::testing::AssertionFailure() << "page:     " << Show(text) << "\nexpected: " << Show(expected)
                                             << "\n16-bit:   " << Show(wide)
                                             << "\nbytes:    " << Show(differential::Decode(bytes))
                                             << "\nUTF-8:    " << Show(differential::DecodeUtf8(utf8))
                                             << "\nexpected: " << Show(differential::DecodeUtf8(expectedUtf8));
    return ::testing::AssertionSuccess();
}

// Pieces that keep, lose or make an "&", leave open or closed bodies, and
// cascade into each other.
const char* const kDensePieces[] = {
    "&amp;", "&AMP;", "&lt;", "&#65;", "&#38;", "&#35;", "&nbsp;", "&nbsp", "&NBSP", "&eacute;", "&not;", "&para;",
    "&#", "&", "#", ";", "65;", "&#2", "&#53;8;", "&shy;", "&am", "p;", "x", "amp;", "&#53;", "&#51;", "lt;", "&l",
    "&#109;", "&a", "&#110;", "bsp;", "&#2&not;", "&#59;",
};

// The issue's dense run, repeated, started at every offset of its unit and
// cut at every length of one more unit.
TEST(DenseReferences, TheDenseRunAtEveryOffsetAndLength) {
    const std::string unit = "&amp;&lt;&#65;&nbsp;x&eacute;&#&not;65;";
    std::string run;
    for (int i = 0; i < 12; ++i) run += unit;
    for (std::size_t offset = 0; offset < unit.size(); ++offset)
        for (std::size_t cut = 0; cut <= unit.size(); ++cut) {
            const std::string page = run.substr(offset, run.size() - offset - cut);
            ASSERT_TRUE(ReferencesAgree(page));
            ASSERT_TRUE(ReferencesAgree("a " + page + " b"));
        }
}

// Every piece repeated from 1 to 40 times, alone and (some lengths) between
// two others, so that windows of every length and the memo of short windows
// are met.
TEST(DenseReferences, RunsOfEveryLength) {
    for (const char* piece : kDensePieces)
        for (int times = 1; times <= 40; ++times) {
            std::string run;
            for (int i = 0; i < times; ++i) run += piece;
            ASSERT_TRUE(ReferencesAgree(run));
            if (times > 4 && times % 6 != 0) continue;
            for (const char* before : {"&#2", "&a", "&", "&#", "&l", "&nbs"})
                for (const char* after : {"mp;", "t;", "&#53;8;", "&#112;;", "&#59;", ";"})
                    ASSERT_TRUE(ReferencesAgree(before + run + after)) << before << " / " << after;
        }
}

// Influence that travels far to the left: a reference completed at the right
// end of a long run of vanishing references, over a lower row first.
TEST(DenseReferences, LongRangeCascades) {
    for (int n = 0; n <= 300; n += (n < 20 ? 1 : 37)) {
        std::string nots, shys, amps;
        for (int i = 0; i < n; ++i) {
            nots += "&not;";
            shys += "&para;";
            amps += "&amp;";
        }
        for (const std::string& page : {"&#2" + nots + "&#53;8;", "&a" + shys + "&#109;p;", "&#2" + nots + "&#53;8;x",
                                        amps + "lt;", "&#3" + nots + "&#53;;" + nots, "&" + amps + "#38;" + amps,
                                        "&nbs" + nots + "&#112;" + nots + "&#59;"})
            ASSERT_TRUE(ReferencesAgree(page)) << n;
    }
}

// Seeded dense pages of the pieces, up to 4000 of them in one cluster, some
// broken by a space.
TEST(DenseReferences, SeededDensePages) {
    for (std::uint32_t seed = 1; seed <= 600; ++seed) {
        std::mt19937 rng(seed);
        const std::size_t pieces = seed % 100 == 0 ? 4000 : rng() % 120;
        std::string page;
        for (std::size_t i = 0; i < pieces; ++i) {
            page += kDensePieces[rng() % std::size(kDensePieces)];
            if (rng() % 50 == 0) page += ' ';
        }
        ASSERT_TRUE(ReferencesAgree(page)) << "seed " << seed;
    }
}

// Dense pages with characters of two, three and four bytes among the pieces
// and references whose UTF-8 replacement takes two or three bytes ("&#139;"
// is U+2039): a character ends a cluster in UTF-8 as in 16-bit text, and a
// replacement's bytes close what precedes them.
TEST(DenseReferences, SeededDensePagesWithUtf8Characters) {
    const char* const kWide[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "&#139;", "&#155;",
                                 "&#131;", "&#2&#139;", "&#&#155;65;", "&eacute;&#53;;"};
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        const std::size_t pieces = seed % 100 == 0 ? 3000 : rng() % 100;
        std::string page;
        for (std::size_t i = 0; i < pieces; ++i)
            page += rng() % 4 == 0 ? kWide[rng() % std::size(kWide)] : kDensePieces[rng() % std::size(kDensePieces)];
        ASSERT_TRUE(ReferencesAgree(page)) << "seed " << seed;
    }
}

// The whole engine on dense runs, under every option set that keeps the
// references and the one that does not.
TEST_P(EachKernels, DenseReferencesAgreeInTheWholeEngine) {
    std::string page;
    for (int i = 0; i < 40; ++i) page += "&amp;&lt;&#65;&nbsp;x&eacute;&#&not;65;";
    page += "<b>&#2&not;&not;&#53;8;</b>&amp;amp;lt;";
    for (unsigned options = 0; options < (1u << 11); options += 7) {
        const Comparison c = Compare(page, options | (options % 2 ? 0u : unsigned{kSpecial}));
        ASSERT_TRUE(c.Agree()) << Describe(page, options, 0, c);
    }
}

// ------------------------------------------------------------------- UTF-8

using differential::CompareUtf8;
using differential::Utf8Comparison;

std::string ShowBytes(const std::u16string& bytes) {
    std::string s;
    for (const char16_t b : bytes) {
        char buf[8];
        if (b >= 0x20 && b < 0x7F)
            s += static_cast<char>(b);
        else {
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(b));
            s += buf;
        }
    }
    return s;
}

std::string DescribeUtf8(const std::string& page, unsigned options, long failAt, const Utf8Comparison& c) {
    return "options=" + std::to_string(options) + " failAt=" + std::to_string(failAt) +
           "\npage:   " + ShowBytes(differential::AsUnits(page)) + "\noracle: " + ShowBytes(c.oracle.text) +
           " yields=" + std::to_string(c.oracle.yields) + "\nbytes:  " + ShowBytes(c.bytes.text) +
           " yields=" + std::to_string(c.bytes.yields) + "\nkernels: " + fast::ActiveImplementation().name;
}

struct Utf8Batch {
    const char* name;
    std::uint32_t firstSeed;
    int pages;
    std::size_t maxPieces;
    bool invalid;
};

void PrintTo(const Utf8Batch& b, std::ostream* os) { *os << b.name; }

class Utf8PagesTest : public ::testing::TestWithParam<std::tuple<Utf8Batch, std::string>> {};

TEST_P(Utf8PagesTest, BytePathEqualsTheEngineOnDecodedText) {
    const Utf8Batch& batch = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    int failures = 0;
    for (int i = 0; i < batch.pages && failures < 3; ++i) {
        differential::RandomChoices choices(batch.firstSeed + static_cast<std::uint32_t>(i));
        const unsigned options = choices.Next(1u << differential::kOptionBits);
        const long failAt = choices.Next(8) == 0 ? static_cast<long>(1 + choices.Next(30)) : 0;
        const bool readable = (options & differential::kReadableBits) != 0;
        const std::string page = differential::BuildUtf8Page(choices, batch.maxPieces, batch.invalid, readable);
        const Utf8Comparison c = CompareUtf8(page, options, failAt);
        ASSERT_TRUE(c.exact);  // the generated pages hold no byte that a removal could complete
        if (!c.Agree()) {
            ++failures;
            ADD_FAILURE() << DescribeUtf8(page, options, failAt, c);
        }
    }
}

const Utf8Batch kUtf8Batches[] = {
    {"ShortValid", 300000, 4000, 12, false},
    {"MediumValid", 400000, 1500, 80, false},
    {"LongValid", 500000, 150, 1500, false},
    {"ShortWithLoneBytes", 600000, 3000, 12, true},
    {"MediumWithLoneBytes", 700000, 1000, 80, true},
};

INSTANTIATE_TEST_SUITE_P(Seeded, Utf8PagesTest,
                         ::testing::Combine(::testing::ValuesIn(kUtf8Batches), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) { return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param); });

// Characters of two, three and four bytes right before and after every
// marker, as short comment and script bodies, in the stretch the comment
// pass skips after a removal and next to references, each at every offset
// from the start of a vector.
TEST_P(EachKernels, Utf8BoundariesCharactersNextToMarkersAtEveryOffset) {
    const std::string chars[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3\xA9\xC3\xA9", "a"};
    // X stands for the character.
    const std::string patterns[] = {
        "<!--X-->", "<!--XX-->", "<!--Xa-->", "<!--X-->b<!--ab-->", "<!--ab-->X<!--ab-->", "<!--abcd-->XX<!--cd-->",
        "<!--X-->XXX<!--cd-->e", "<!--XXXXXXXXXX-->XXXXXXXXXXXX<!--cd-->e", "<!--Xxxxxxxxxx-->XXXXXXXXX<!--c-->",
        "<script>X</script>", "<script>XX</script>", "<scriptX/script>", "<scriptXX/script>", "<script/script>X",
        "<styleX/style>", "<style/style>X", "X<script>a</script>X", "{X}X|X\tX", "X&eacute;X&#8364;X&#8482;X",
        "&amp;X&lt;X&nbspX&#233;&#39;X", "X<b>X</b>X", "X!--X-->XmsnavigationX", "X\r\nX  X\n \nX",
        "<!--a--X-->", "<scr<!--X-->ipt>a</script>X", "<scr<!--XX-->ipt>a</script>X",
    };
    const unsigned sets[] = {kAllFlags, kComments, kScripts, kComments | kScripts, kStyles, kSpecial,
                             kSpecial | kTags, kAllFlags & ~kComments, 0u, kAllFlags | differential::kReadableBits};
    for (const std::string& x : chars)
        for (const std::string& pattern : patterns) {
            std::string filled;
            for (const char ch : pattern) filled += ch == 'X' ? x : std::string(1, ch);
            for (std::size_t offset = 0; offset < 66; ++offset) {
                const std::string page = std::string(offset, 'z') + filled + std::string(offset % 5, ' ') + "end";
                for (const unsigned options : sets) {
                    const Utf8Comparison c = CompareUtf8(page, options);
                    ASSERT_TRUE(c.Agree()) << DescribeUtf8(page, options, 0, c);
                }
            }
        }
}

// Bytes that are not UTF-8 come out as they went in, next to markers and
// references too, and the result still equals the 16-bit engine's.
TEST_P(EachKernels, Utf8InvalidLoneBytesSurvive) {
    struct Row {
        const char* page;
        unsigned options;
        const char* expected;
    };
    const Row rows[] = {
        {"a\xFF" "b", kAllFlags, "a\xFF" "b"},
        {"\x80<b>\xC0</b>\xF5", kAllFlags, "\x80\xC0\xF5"},
        {"<!--\xFF-->x", kComments, "< \xFF x"},  // one unit: the comment stays
        {"<!--\xFF\xFE-->x", kComments, "x"},
        {"<script\xFF/script>x", kScripts, "<script\xFF/script>x"},
        {"<script\xFF\xFE/script>x", kScripts, "x"},
        {"&eacute;\xE9&#233;", kSpecial, "\xC3\xA9\xE9\xC3\xA9"},
        {"caf\xE9 &amp; caf&eacute;", kAllFlags, "caf\xE9 & caf\xC3\xA9"},
        {"\xE2\x82 x", kAllFlags, "\xE2\x82 x"},  // a sequence cut short
        {"\xED\xA0\x80|\xF4\x90\x80\x80", kPipe, "\xED\xA0\x80 \xF4\x90\x80\x80"},  // a surrogate; past U+10FFFF
    };
    for (const Row& row : rows) {
        const Utf8Comparison c = CompareUtf8(row.page, row.options);
        EXPECT_TRUE(c.Agree()) << DescribeUtf8(row.page, row.options, 0, c);
        cTessark e;
        SetFlags(e, row.options);
        EXPECT_EQ(e.ExtractUtf8(row.page), std::string(row.expected)) << row.page;
    }
}

// Decoding every HTML reference can make UTF-8 text longer than the page
// ("&nGt;", five bytes, is six): the buffer grows then, before the last
// step, and the result is still the 16-bit engine's.
TEST_P(EachKernels, Utf8GrowthDecodedReferencesLongerThanThePage) {
    constexpr unsigned kDecodeAll = 1u << 14;
    std::string page = "\xF0\x9F\x98\x80&#x1F600;\n";
    for (int i = 0; i < 300; ++i) page += i % 10 ? "&nGt;" : "&nGt; \n";
    for (const unsigned options : {kDecodeAll, kDecodeAll | kAllFlags, kDecodeAll | kSpaces}) {
        const Utf8Comparison c = CompareUtf8(page, options);
        ASSERT_TRUE(c.Agree()) << DescribeUtf8(page, options, 0, c);
        cTessark e;
        SetFlags(e, options & kAllFlags);
        e.DecodeAllReferences = True;
        std::vector<unsigned char> buffer(page.begin(), page.end());
        std::vector<std::size_t> grown;
        const std::size_t len = e.ExtractUtf8(buffer.data(), buffer.size(), [&](std::size_t size) {
            grown.push_back(size);
            buffer.resize(size);
            return buffer.data();
        });
        ASSERT_FALSE(grown.empty());
        EXPECT_GT(grown.front(), page.size());
        EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(len)),
                  e.ExtractUtf8(page));
    }
}

// A removal that joins the pieces of a broken sequence into a well-formed
// character is the one place where the byte path may count differently:
// the pieces are two units to the 16-bit engine and one character after.
TEST_P(EachKernels, Utf8InvalidJoinedPiecesAreTheOneKnownDifference) {
    const std::string page = "<script\xC3<!--ab-->\xA9/script>x";
    const Utf8Comparison c = CompareUtf8(page, kComments | kScripts);
    EXPECT_FALSE(c.exact);
    EXPECT_TRUE(c.Agree());
    cTessark e;
    SetFlags(e, kComments | kScripts);
    EXPECT_EQ(e.ExtractUtf8(page), "<script\xC3\xA9/script>x");
    // Either pass alone gives the 16-bit engine's result exactly.
    EXPECT_TRUE(CompareUtf8(page, kScripts).exact);
    EXPECT_TRUE(CompareUtf8(page, kComments).Agree());
    EXPECT_TRUE(CompareUtf8(page, kScripts).Agree());
}

// Which implementations the tests above ran: every one built into the
// program that this processor supports, the baseline always. Where AVX2 was
// built but the processor lacks it, this test says loudly as a skip that
// the AVX2 kernels were NOT compared.
TEST(Kernels, EverySupportedImplementationIsCompared) {
    ASSERT_FALSE(Kernels().empty());
    EXPECT_EQ(Kernels().front(), "baseline");
    std::vector<std::string> built;
    for (const fast::Implementation& impl : fast::Implementations()) built.emplace_back(impl.name);
#if defined(TESSARK_TEST_AVX2_PASSES)
    const bool avx2Built = TESSARK_TEST_AVX2_PASSES;
    EXPECT_EQ(std::find(built.begin(), built.end(), "avx2") != built.end(), avx2Built);
    if (avx2Built && !__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this processor has no AVX2: the engine's AVX2 kernels were NOT compared";
#endif
    for (const std::string& name : built) {
        const bool runs = fast::ChooseImplementation(name);
        fast::ChooseImplementation("");
        if (runs) {
            EXPECT_NE(std::find(Kernels().begin(), Kernels().end(), name), Kernels().end()) << name;
            const UsingKernels kernels(name);
            EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, name.c_str());
            EXPECT_STREQ((fast::PassesFor<unsigned char, fast::Utf8Units>().isa), name.c_str());
        }
    }
    EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, Kernels().back().c_str());
}

INSTANTIATE_TEST_SUITE_P(Kernels, EachKernels, ::testing::ValuesIn(Kernels()),
                         [](const auto& p) { return p.param; });

// ------------------------------------------------------------------ corpus

std::vector<std::string> CorpusPages() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TESSARK_TEST_DATA "/corpus"))
        if (entry.path().extension() == ".html") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned> CorpusOptionSets() {
    std::vector<unsigned> sets = {kAllFlags, 0};
    for (unsigned bit = 0; bit < 11; ++bit) sets.push_back(1u << bit);
    for (unsigned bit = 0; bit < 11; ++bit) sets.push_back(kAllFlags & ~(1u << bit));
    std::mt19937 rng(20261207);
    for (int i = 0; i < 6; ++i) sets.push_back(static_cast<unsigned>(rng() & kAllFlags));
    return sets;
}

class CorpusTest : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(CorpusTest, EnginesAgreeUnderTheOptionSets) {
    const std::string& name = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(page.empty());
    for (const unsigned options : CorpusOptionSets()) {
        const Comparison c = Compare(page, options);
        EXPECT_TRUE(c.Agree()) << name << " options=" << options;
        EXPECT_TRUE(c.literal.reports.empty());
        const Utf8Comparison u = CompareUtf8(page, options);
        EXPECT_TRUE(u.Agree()) << name << " options=" << options << " (UTF-8)";
    }
}

// The readable-text options on the corpus: the --readable preset, the four
// with every classic option, each alone with the tag removal, the four
// without it, and random sets of all fifteen.
std::vector<unsigned> ReadableCorpusOptionSets() {
    constexpr unsigned kReadable = differential::kReadableBits;
    constexpr unsigned kTagRemoval = 1u << 7;
    std::vector<unsigned> sets = {
        kReadable | 0x6E7,  // --readable: comments, scripts, styles, tabs, references, tags, spaces, blank lines
        kReadable | kAllFlags,
        kReadable,
        kReadable | (kAllFlags & ~kTagRemoval),
    };
    for (unsigned bit = 11; bit < 15; ++bit) sets.push_back((1u << bit) | kTagRemoval);
    std::mt19937 rng(20261208);
    for (int i = 0; i < 4; ++i) sets.push_back(static_cast<unsigned>(rng() & 0x7FFF) | (1u << (11 + i)));
    return sets;
}

TEST_P(CorpusTest, EnginesAgreeUnderTheReadableOptionSets) {
    const std::string& name = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const unsigned options : ReadableCorpusOptionSets()) {
        const Comparison c = Compare(page, options);
        EXPECT_TRUE(c.Agree()) << name << " options=" << options;
        EXPECT_TRUE(c.literal.reports.empty());
        const Utf8Comparison u = CompareUtf8(page, options);
        EXPECT_TRUE(u.Agree()) << name << " options=" << options << " (UTF-8)";
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, CorpusTest, ::testing::Combine(::testing::ValuesIn(CorpusPages()), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) {
                             std::string name;
                             for (const char ch : std::get<0>(p.param))
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name + "_" + std::get<1>(p.param);
                         });

}  // namespace
}  // namespace tessark::test
