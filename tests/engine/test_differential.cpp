// The fast engine against the literal one: seeded random pages built from
// the markers, references and whitespace, every page of the corpus under a
// fixed list of option sets, and failing yields at every position. The
// three conversions (literal, fast over 16-bit text, fast over bytes) must
// agree in result, yield count and reports. The UTF-8 byte path is held to
// the 16-bit engine on the decoded page the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../../fuzz/DifferentialInput.h"
#include "EngineTestSupport.h"

namespace tessark::test {
namespace {

using differential::Compare;
using differential::Comparison;

std::string Describe(const std::string& page, unsigned options, long failAt, const Comparison& c) {
    std::string s = "options=" + std::to_string(options) + " failAt=" + std::to_string(failAt) +
                    "\npage:    " + Show(differential::Decode(page)) + "\nliteral: " + Show(c.literal.text) +
                    " yields=" + std::to_string(c.literal.yields) + "\nfast:    " + Show(c.fast.text) +
                    " yields=" + std::to_string(c.fast.yields) + "\nbytes:   " + Show(c.bytes.text) +
                    " yields=" + std::to_string(c.bytes.yields) + "\nbaseline bytes: " + Show(c.baselineBytes.text) +
                    " yields=" + std::to_string(c.baselineBytes.yields);
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

class RandomPagesTest : public ::testing::TestWithParam<RandomBatch> {};

TEST_P(RandomPagesTest, EnginesAgree) {
    const RandomBatch& batch = GetParam();
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

INSTANTIATE_TEST_SUITE_P(Seeded, RandomPagesTest, ::testing::ValuesIn(kBatches),
                         [](const auto& p) { return std::string(p.param.name); });

// Pages for the readable-text options: tags, attributes, quotes, links and
// HTML references, under option sets with at least one of the four on.
class ReadablePagesTest : public ::testing::TestWithParam<RandomBatch> {};

TEST_P(ReadablePagesTest, EnginesAgree) {
    const RandomBatch& batch = GetParam();
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

INSTANTIATE_TEST_SUITE_P(Seeded, ReadablePagesTest, ::testing::ValuesIn(kReadableBatches),
                         [](const auto& p) { return std::string(p.param.name); });

// The readable-text options on pages where their rules meet, under every
// option set of all fifteen options.
TEST(ReadableCascades, EnginesAgreeUnderEveryOptionSet) {
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
TEST(Cascades, EnginesAgreeUnderEveryOptionSet) {
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
TEST(BlockBoundaries, EnginesAgreeAtEveryOffset) {
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
TEST(FailingYields, SameReportsAndResultsAtEveryYield) {
    const std::string page = "<!--ab-->x<script>1</script>&amp;lt;{f}|\t<b>  b\r\n\r\n\r\n" + std::string(3000, ' ') + "e";
    for (const unsigned options : {unsigned{kAllFlags}, 0u, 1u << 9, (1u << 9) | (1u << 10), 1u << 6}) {
        for (long failAt = 1; failAt <= 25; ++failAt) {
            const Comparison c = Compare(page, options, failAt);
            ASSERT_TRUE(c.Agree()) << Describe(page, options, failAt, c);
        }
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
           " yields=" + std::to_string(c.bytes.yields) + "\nbaseline bytes: " + ShowBytes(c.baselineBytes.text);
}

struct Utf8Batch {
    const char* name;
    std::uint32_t firstSeed;
    int pages;
    std::size_t maxPieces;
    bool invalid;
};

void PrintTo(const Utf8Batch& b, std::ostream* os) { *os << b.name; }

class Utf8PagesTest : public ::testing::TestWithParam<Utf8Batch> {};

TEST_P(Utf8PagesTest, BytePathEqualsTheEngineOnDecodedText) {
    const Utf8Batch& batch = GetParam();
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

INSTANTIATE_TEST_SUITE_P(Seeded, Utf8PagesTest, ::testing::ValuesIn(kUtf8Batches),
                         [](const auto& p) { return std::string(p.param.name); });

// Characters of two, three and four bytes right before and after every
// marker, as short comment and script bodies, in the stretch the comment
// pass skips after a removal and next to references, each at every offset
// from the start of a vector.
TEST(Utf8Boundaries, CharactersNextToMarkersAtEveryOffset) {
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
TEST(Utf8Invalid, LoneBytesSurvive) {
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
TEST(Utf8Growth, DecodedReferencesLongerThanThePage) {
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
TEST(Utf8Invalid, JoinedPiecesAreTheOneKnownDifference) {
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

// Which passes the comparisons above ran: where the engine was built with
// the AVX2 passes and the processor has AVX2, the byte conversions used them
// (and Compare ran the baseline ones beside them); elsewhere the baseline
// ones alone, which this test says loudly as a skip.
TEST(Avx2Passes, ComparedWhereTheProcessorHasThem) {
#if TESSARK_TEST_AVX2_PASSES
    if (!__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this processor has no AVX2: the engine's AVX2 passes were NOT compared";
    EXPECT_TRUE(fast::Avx2Available());
    EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, "avx2");
    fast::ForceBaseline(true);
    EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, "baseline");
    fast::ForceBaseline(false);
#else
    EXPECT_FALSE(fast::Avx2Available());
    EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, "baseline");
#endif
}

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

class CorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusTest, EnginesAgreeUnderTheOptionSets) {
    std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(page.empty());
    for (const unsigned options : CorpusOptionSets()) {
        const Comparison c = Compare(page, options);
        EXPECT_TRUE(c.Agree()) << GetParam() << " options=" << options;
        EXPECT_TRUE(c.literal.reports.empty());
        const Utf8Comparison u = CompareUtf8(page, options);
        EXPECT_TRUE(u.Agree()) << GetParam() << " options=" << options << " (UTF-8)";
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
    std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const unsigned options : ReadableCorpusOptionSets()) {
        const Comparison c = Compare(page, options);
        EXPECT_TRUE(c.Agree()) << GetParam() << " options=" << options;
        EXPECT_TRUE(c.literal.reports.empty());
        const Utf8Comparison u = CompareUtf8(page, options);
        EXPECT_TRUE(u.Agree()) << GetParam() << " options=" << options << " (UTF-8)";
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, CorpusTest, ::testing::ValuesIn(CorpusPages()), [](const auto& p) {
    std::string name;
    for (const char ch : p.param) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

}  // namespace
}  // namespace tessark::test
