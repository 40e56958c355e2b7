// The streaming conversion against the literal engine: the same pages fed in
// pieces of every size and converted in chunks of every size, so that a chunk
// ends around every marker, reference, CR LF pair and run of spaces; seeded
// random pages under random option sets; the corpus; failing yields. The
// stream's result must equal the literal one, over 16-bit text and over
// bytes, and it must yield at least as often. The boundary and random tests
// run once for every implementation of the kernels that the processor
// supports (the stream calls the kernels of the chosen one).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <tuple>

#include "DifferentialInput.h"
#include "EachKernels.h"
#include "EngineTestSupport.h"

namespace tessark::test {
namespace {

using differential::CompareStream;
using differential::Feeding;
using differential::StreamComparison;

std::string Describe(const std::string& page, unsigned options, const Feeding& f, long failAt,
                     const StreamComparison& c) {
    std::string feeds;
    for (const std::size_t s : f.feeds) feeds += std::to_string(s) + " ";
    std::string s = "options=" + std::to_string(options) + " chunk=" + std::to_string(f.chunk) + " feeds=" + feeds +
                    "failAt=" + std::to_string(failAt) + "\npage:    " + Show(differential::Decode(page)) +
                    "\nliteral: " + Show(c.literal.text) + " yields=" + std::to_string(c.literal.yields) +
                    "\ntext:    " + Show(c.text.text) + " yields=" + std::to_string(c.text.yields) +
                    "\nbytes:   " + Show(c.bytes.text) + " yields=" + std::to_string(c.bytes.yields);
    for (const auto& r : c.text.reports) s += "\ntext report " + r;
    for (const auto& r : c.bytes.reports) s += "\nbytes report " + r;
    return s;
}

// ------------------------------------------------------- every chunk boundary

// Pages in which every kind of seam occurs within a few units: markers that
// open on one line and close on a later one, references, CR LF pairs, runs
// of spaces and blank lines.
const std::string kSeamPages[] = {
    "a<!--x\ny-->b\n<script>\n1\n</script>c\n<style\n>p</style>\nd{\n}e|\tf\n",
    "x\n<!--ab-->\n<!--cd-->\n<!--\n-->\n<!---->y\n-->z!--\n",
    "&amp;\nlt;&#38;\n#39;&nbsp\nx&eacute;\n&#&not;65;\n&lt;b\n&gt;\n",
    " \r\n  \r\n\r\n a  b \r\n\n\n \n \n c\r \r\n\t\n   \n",
    "<a\nhref=x>t</a\n>u<b>\nmsnav\nigation ms<i>\n</i>navigation\n<\n",
    "{a\n{b}c}\n{\n<script>\n</script>\n<scr<!--xx-->ipt>\n</script>q\n",
    "\n\n  \n<p>\n</p>\n   \n",
    "<script>a\n</script><script/script>\nb<script>c\nd",
};

// Each seam page converted with every chunk size (so each LF ends a chunk
// in some run) and fed split at every position.
TEST_P(EachKernels, StreamBoundariesEveryChunkSizeAndFeedSplit) {
    const unsigned sets[] = {kAllFlags, 0u, kAllFlags & ~kAllCRLF, kSpaces | kAllCRLF, kBlankLines,
                             kSpaces | kBlankLines, kComments | kTags, kScripts | kStyles | kFunctions};
    for (const std::string& page : kSeamPages)
        for (const unsigned options : sets)
            for (std::size_t chunk = 1; chunk <= page.size() + 1; ++chunk)
                for (std::size_t split = 1; split <= page.size(); split += (chunk % 3) + 1) {
                    const Feeding f{chunk, {split, page.size()}};
                    const StreamComparison c = CompareStream(page, options, f);
                    ASSERT_TRUE(c.Agree()) << Describe(page, options, f, 0, c);
                }
}

// The same pages with CutHTML's steps on the stream's second thread: chunks
// cut ahead, some of them thrown away when one before them is left open and
// retried. Fewer splits, as a thread per stream costs more than the
// conversion of these pages.
TEST_P(EachKernels, StreamBoundariesEveryChunkSizeOnTwoThreads) {
    for (const std::string& page : kSeamPages)
        for (const unsigned options : {unsigned{kAllFlags}, kComments | kTags, kSpaces | kAllCRLF | kBlankLines})
            for (std::size_t chunk = 1; chunk <= page.size() + 1; ++chunk)
                for (const std::size_t split : {std::size_t{1}, std::size_t{5}, page.size()}) {
                    const Feeding f{chunk, {split}, true};
                    const StreamComparison c = CompareStream(page, options, f);
                    ASSERT_TRUE(c.Agree()) << Describe(page, options, f, 0, c);
                }
}

// Byte by byte, and every option set, on the cascades between passes.
TEST_P(EachKernels, StreamBoundariesCascadesUnderEveryOptionSet) {
    const char* const pages[] = {
        "<scr<!--xx-->ipt>a</script>b\n&am{x}p;\n&amp;lt;\n<!--ab--><!--cd-->\n{a{b}c}{\n",
        "a<script/script>b<script>c</script>d<scr\n&lt;b&gt;&#10;|&brvbar;\t\n \r\n\r\n  x  \r\n",
    };
    for (const char* page : pages)
        for (unsigned options = 0; options < (1u << 11); ++options) {
            const Feeding f{1 + options % 17, {1 + options % 5}};
            const StreamComparison c = CompareStream(page, options, f);
            ASSERT_TRUE(c.Agree()) << Describe(page, options, f, 0, c);
        }
}

INSTANTIATE_TEST_SUITE_P(Kernels, EachKernels, ::testing::ValuesIn(Kernels()), [](const auto& p) { return p.param; });

// ------------------------------------------------------------- random pages

class StreamRandomTest : public ::testing::TestWithParam<std::tuple<int, std::string>> {};

TEST_P(StreamRandomTest, StreamAgreesWithLiteral) {
    const int batch = std::get<0>(GetParam());
    const UsingKernels kernels(std::get<1>(GetParam()));
    ASSERT_TRUE(kernels.chosen());
    const std::uint32_t first = 300000 + 100000 * static_cast<std::uint32_t>(batch);
    const int pages = batch == 0 ? 3000 : 600;
    const std::size_t maxPieces = batch == 0 ? 20 : 400;
    int failures = 0;
    for (int i = 0; i < pages && failures < 3; ++i) {
        differential::RandomChoices choices(first + static_cast<std::uint32_t>(i));
        const unsigned options = choices.Next(1u << 11);
        Feeding f;
        f.chunk = 1 + choices.Next(choices.Next(2) ? 8 : 600);
        f.feeds.clear();
        for (unsigned k = 1 + choices.Next(4); k > 0; --k) f.feeds.push_back(1 + choices.Next(choices.Next(2) ? 5 : 900));
        f.twoThreads = i % 2 == 1;
        std::string page = differential::BuildPage(choices, maxPieces);
        // more line ends, so that chunks end often
        for (std::size_t k = 0; k < page.size(); k += 1 + choices.Next(40))
            if (choices.Next(3) == 0) page.insert(k, 1, '\n');
        const StreamComparison c = CompareStream(page, options, f);
        if (!c.Agree()) {
            ++failures;
            ADD_FAILURE() << "two threads: " << f.twoThreads << "\n" << Describe(page, options, f, 0, c);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeded, StreamRandomTest, ::testing::Combine(::testing::Values(0, 1), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param) == 0 ? "ShortPages_" : "LongPages_") +
                                    std::get<1>(p.param);
                         });

// ------------------------------------------------------------------- UTF-8

// The stream over UTF-8 bytes against the whole page's UTF-8 conversion:
// characters of two to four bytes inside and around short comment and
// script bodies (whose lengths count 16-bit units), references that become
// multi-byte sequences, lone bytes; every chunk size, fed in pieces that
// split sequences.
TEST_P(EachKernels, StreamUtf8AgreesWithTheWholePageInChunksOfEverySize) {
    const std::string pages[] = {
        "a<!--\xC3\xA9-->b\n<!--\xF0\x9F\x98\x80-->c\n<script>\xE2\x82\xAC</script>d\n<!--\xC3\xA9\xC3\xA9-->\n",
        "caf&eacute; &copy;\n&#187;x&ntilde;\n\xE4\xB8\xAD <b>\xE4\xB8\xAD</b>\n  \xC2\xA0 \r\n\n\n",
        "\x80<a>\xBF\n\xC0<!--x\n-->\xFF\xC3\n\xA9{\xF0\x9F}\n",
        "<!--\xF0\x9F\x98\x80x-->\xF0\x9F\x98\x80<!--\xC3\xA9-->y\n<style>\xC3\xA9</style><script\xC3\xA9/script>\n",
    };
    const unsigned sets[] = {kAllFlags, 0u, kAllFlags & ~kAllCRLF, kComments | kScripts, kSpaces | kBlankLines};
    for (const bool twoThreads : {false, true})
        for (const std::string& page : pages)
            for (const unsigned options : sets)
                for (std::size_t chunk = 1; chunk <= page.size() + 1; ++chunk)
                    for (std::size_t split = 1; split <= page.size(); split += twoThreads ? 11 : (chunk % 3) + 1) {
                    const Feeding f{chunk, {split, page.size()}, twoThreads};
                    const auto c = differential::CompareUtf8Stream(page, options, f);
                    ASSERT_TRUE(c.Agree()) << "two threads: " << twoThreads << " options=" << options
                                           << " chunk=" << chunk << " split=" << split
                                           << "\npage:   " << Show(differential::AsUnits(page))
                                           << "\nwhole:  " << Show(c.whole.text) << "\nstream: " << Show(c.stream.text);
                }
}

TEST_P(EachKernels, StreamUtf8RandomPagesAndFailingYields) {
    int failures = 0;
    for (std::uint32_t i = 0; i < 1500 && failures < 3; ++i) {
        differential::RandomChoices choices(700000 + i);
        const unsigned options = choices.Next(1u << 11);
        const long failAt = choices.Next(5) == 0 ? static_cast<long>(1 + choices.Next(30)) : 0;
        Feeding f;
        f.chunk = 1 + choices.Next(choices.Next(2) ? 8 : 600);
        f.feeds = {1 + choices.Next(7), 1 + choices.Next(900)};
        f.twoThreads = failAt == 0 && i % 2 == 1;
        std::string page = differential::BuildUtf8Page(choices, 200, choices.Next(2) == 0);
        for (std::size_t k = 0; k < page.size(); k += 1 + choices.Next(40))
            if (choices.Next(3) == 0) page.insert(k, 1, '\n');
        const auto c = differential::CompareUtf8Stream(page, options, f, failAt);
        if (!c.Agree()) {
            ++failures;
            ADD_FAILURE() << "options=" << options << " failAt=" << failAt << " chunk=" << f.chunk
                          << "\npage:   " << Show(differential::AsUnits(page)) << "\nwhole:  " << Show(c.whole.text)
                          << " yields=" << c.whole.yields << "\nstream: " << Show(c.stream.text)
                          << " yields=" << c.stream.yields << " reports=" << c.stream.reports.size();
        }
    }
}

// ------------------------------------------------------------ failing yields

TEST(StreamFailures, AFailingYieldFailsTheStreamWithOneReport) {
    const std::string page = "<!--ab-->x\n<script>1</script>&amp;lt;{f}|\t<b>  b\r\n\r\n\r\n" +
                             std::string(3000, ' ') + "e\nf\n";
    for (const unsigned options : {unsigned{kAllFlags}, 0u, unsigned{kSpaces}, kSpaces | kBlankLines})
        for (long failAt = 1; failAt <= 60; ++failAt)
            for (const std::size_t chunk : {std::size_t{1}, std::size_t{20}, std::size_t{100000}}) {
                const Feeding f{chunk, {7}};
                const StreamComparison c = CompareStream(page, options, f, failAt);
                ASSERT_TRUE(c.Agree()) << Describe(page, options, f, failAt, c);
                // The literal engine yields no more than the stream, so
                // every failing yield it has, the stream has too.
                if (failAt <= c.literal.yields) {
                    ASSERT_EQ(c.text.text, u"(failed)") << failAt;
                    ASSERT_EQ(c.bytes.text, u"(failed)") << failAt;
                }
            }
}

TEST(StreamFailures, ReportNamesFollowTheFailingStep) {
    // One chunk: CutHTML's five yields and the table's nine (1 to 14), then
    // one group of sweeps for the run of five spaces (15), then ExtractText's
    // two (16, 17).
    const std::string page = "a     b\n";
    struct Row {
        long failAt;
        const char* source;
    };
    for (const Row& row : {Row{1, "CutHTML:5"}, Row{14, "CutHTML:5"}, Row{15, "ConsolidateChar:5"},
                           Row{16, "ExtractText:5"}, Row{17, "ExtractText:5"}}) {
        const auto outcome = differential::StreamOutcome(page, kAllFlags, Feeding{1000, {1000}}, true, row.failAt);
        ASSERT_EQ(outcome.reports, std::vector<std::string>{row.source}) << row.failAt;
        EXPECT_EQ(outcome.text, u"(failed)");
    }
}

// ------------------------------------------------------------------ corpus

std::vector<std::string> CorpusPages() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TESSARK_TEST_DATA "/corpus"))
        if (entry.path().extension() == ".html") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class StreamCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamCorpusTest, StreamAgreesInChunksOfEverySize) {
    std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Feeding feedings[] = {{1, {4096}}, {700, {1, 2, 3, 5000}}, {16 << 10, {65536}}, {1 << 20, {333}}};
    for (const unsigned options : {unsigned{kAllFlags}, 0u, kAllFlags & ~kAllCRLF, kSpaces | kBlankLines}) {
        // The fast engine is held equal to the literal one on the corpus
        // (test_differential); it is the quicker oracle here.
        differential::Outcome expected;
        {
            differential::Run run(0);
            cTessark e;
            differential::SetOptions(e, options);
            run.outcome.text = differential::Decode(e.ExtractBytes(page));
            expected = run.outcome;
        }
        for (const Feeding& f : feedings) {
            const auto bytes = differential::StreamOutcome(page, options, f, true);
            EXPECT_TRUE(bytes.text == expected.text) << GetParam() << " options=" << options << " chunk=" << f.chunk;
            EXPECT_GE(bytes.yields, expected.yields);
            EXPECT_TRUE(bytes.reports.empty());
        }
        const auto text = differential::StreamOutcome(page, options, feedings[1], false);
        EXPECT_TRUE(text.text == expected.text) << GetParam() << " options=" << options << " (16-bit)";
        for (Feeding f : {feedings[1], feedings[2]}) {
            f.twoThreads = true;
            const auto two = differential::StreamOutcome(page, options, f, true);
            EXPECT_TRUE(two.text == expected.text) << GetParam() << " options=" << options << " chunk=" << f.chunk
                                                   << " (two threads)";
            EXPECT_TRUE(two.reports.empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, StreamCorpusTest, ::testing::ValuesIn(CorpusPages()), [](const auto& p) {
    std::string name;
    for (const char ch : p.param) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

// ---------------------------------------------------------------- behaviour

std::string Repeat(const std::string& s, std::size_t times) {
    std::string out;
    out.reserve(s.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += s;
    return out;
}

// Converts page fed in blocks of 4096 with the given chunk; returns the
// output and the peak of units held.
std::pair<std::string, std::size_t> StreamBytes(const std::string& page, unsigned options, std::size_t chunk) {
    cTessark e;
    SetFlags(e, options);
    std::string out;
    ByteStreamExtractor stream(
        e, [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); }, chunk);
    for (std::size_t at = 0; at < page.size(); at += 4096) {
        const std::size_t n = std::min<std::size_t>(4096, page.size() - at);
        EXPECT_TRUE(stream.Feed(reinterpret_cast<const unsigned char*>(page.data()) + at, n));
    }
    EXPECT_TRUE(stream.Finish());
    return {out, stream.PeakHeld()};
}

TEST(StreamMemory, HeldInputStaysNearTheChunkSize) {
    const std::string page = Repeat("<p>Some <b>text</b> &amp; more</p>\r\n<script>\nvar x = {a: 1};\n</script>\n", 20000);
    const auto [out, peak] = StreamBytes(page, kAllFlags, 16 << 10);
    cTessark e;
    SetFlags(e, kAllFlags);
    EXPECT_EQ(out, e.ExtractBytes(page));
    EXPECT_LT(peak, 6 * (16u << 10));  // a few chunks; the page is about 1.5 MB
}

TEST(StreamMemory, ALongLineIsCutAtItsSpaces) {
    const std::string page = Repeat("<p>Some <b>text</b> &amp; more</p> <script>var x = {a: 1};</script> ", 30000);
    const auto [out, peak] = StreamBytes(page, kAllFlags, 16 << 10);
    cTessark e;
    SetFlags(e, kAllFlags);
    EXPECT_EQ(out, e.ExtractBytes(page));
    EXPECT_LT(peak, 6 * (16u << 10));  // a few chunks; the page is one line of about 2 MB
}

TEST(StreamMemory, AnUnclosedMarkerHoldsWhatFollowsIt) {
    const std::string body = Repeat("line of text\r\n", 20000);
    const std::string page = body + "<script>\n" + body;
    const auto [out, peak] = StreamBytes(page, kAllFlags, 16 << 10);
    cTessark e;
    SetFlags(e, kAllFlags);
    EXPECT_EQ(out, e.ExtractBytes(page));
    EXPECT_GT(peak, body.size());                   // everything after "<script"
    EXPECT_LT(peak, body.size() + (64u << 10));     // but not the text before it
}

TEST(StreamBehaviour, NoInputGivesNoOutputNoYieldNoReport) {
    HookRecorder hooks;
    cTessark e;
    SetFlags(e, kAllFlags);
    std::string out;
    ByteStreamExtractor stream(e, [&out](const unsigned char* d, std::size_t n) {
        out.append(reinterpret_cast<const char*>(d), n);
    });
    EXPECT_TRUE(stream.Feed(nullptr, 0));
    EXPECT_TRUE(stream.Finish());
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(hooks.yields, 0);
    EXPECT_TRUE(hooks.reports.empty());
    EXPECT_FALSE(stream.Feed(reinterpret_cast<const unsigned char*>("x"), 1));  // after Finish
}

TEST(StreamBehaviour, OptionsAreReadAtConstruction) {
    cTessark e;
    SetFlags(e, kTags);
    std::string out;
    ByteStreamExtractor stream(e, [&out](const unsigned char* d, std::size_t n) {
        out.append(reinterpret_cast<const char*>(d), n);
    });
    SetFlags(e, 0);
    const std::string page = "a<b>c\n";
    stream.Feed(reinterpret_cast<const unsigned char*>(page.data()), page.size());
    stream.Finish();
    EXPECT_EQ(out, "ac");
}

// The readable-text options are not carried across chunks; a stream
// refuses each of them rather than convert without it.
TEST(StreamBehaviour, RefusesEachReadableTextOption) {
    for (Boolean cTessark::*flag :
         {&cTessark::BreakAtBlocks, &cTessark::KeepLinks, &cTessark::KeepAltText, &cTessark::DecodeAllReferences}) {
        cTessark e;
        SetFlags(e, kAllFlags);
        e.*flag = True;
        EXPECT_THROW(ByteStreamExtractor(e, [](const unsigned char*, std::size_t) {}), std::invalid_argument);
        EXPECT_THROW(TextStreamExtractor(e, [](const char16_t*, std::size_t) {}), std::invalid_argument);
        e.*flag = False;
        EXPECT_NO_THROW(ByteStreamExtractor(e, [](const unsigned char*, std::size_t) {}));
    }
}

// On two threads, chunks are still in flight on the second thread when the
// sink throws: the stream fails the same way and is destroyed cleanly.
TEST(StreamBehaviour, ASinkThatThrowsFailsTheStreamWithoutAReport) {
    for (const StreamThreads threads : {StreamThreads::One, StreamThreads::Two}) {
        HookRecorder hooks;
        cTessark e;
        ByteStreamExtractor stream(
            e, [](const unsigned char*, std::size_t) { throw std::runtime_error("disk full"); }, 4, threads);
        const std::string page = Repeat("a b\nc d\ne\n", 50);
        EXPECT_THROW(stream.Feed(reinterpret_cast<const unsigned char*>(page.data()), page.size()),
                     std::runtime_error);
        EXPECT_TRUE(stream.Failed());
        EXPECT_FALSE(stream.Finish());
        EXPECT_TRUE(hooks.reports.empty());
    }
}

// On two threads the stream stays bounded too: chunks in flight are few.
TEST(StreamMemory, TwoThreadsHoldAFewChunks) {
    cTessark e;
    SetFlags(e, kAllFlags);
    std::string out;
    ByteStreamExtractor stream(
        e, [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); }, 4096,
        StreamThreads::Two);
    const std::string line = "<p>a line of <b>text</b> &amp; more</p>\n";
    for (int i = 0; i < 20000; ++i)
        ASSERT_TRUE(stream.Feed(reinterpret_cast<const unsigned char*>(line.data()), line.size()));
    ASSERT_TRUE(stream.Finish());
    EXPECT_EQ(out, e.ExtractBytes(Repeat(line, 20000)));
    EXPECT_LE(stream.PeakHeld(), std::size_t{8} * 4096);
}

TEST(StreamBehaviour, InputSpaceAndCommitFeedLikeFeed) {
    cTessark e;
    SetFlags(e, kAllFlags);
    const std::string page = Repeat("<i>x</i> &lt;y&gt;  \r\n\r\n", 500);
    std::string out;
    ByteStreamExtractor stream(
        e, [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); }, 64);
    for (std::size_t at = 0; at < page.size(); at += 1000) {
        const std::size_t n = std::min<std::size_t>(1000, page.size() - at);
        std::memcpy(stream.InputSpace(1000), page.data() + at, n);
        ASSERT_TRUE(stream.Commit(n));
    }
    ASSERT_TRUE(stream.Finish());
    EXPECT_EQ(out, e.ExtractBytes(page));
}

// TailPass continues a run of spaces from the text before it: its leading
// spaces (and CR, and LF with allCRLF) join the run, and it tells the run it
// ends with.
TEST(StreamKernels, TailPassCarriesTheRunOfSpaces) {
    struct Row {
        const char* text;
        bool allCRLF;
        std::size_t runBefore;
        const char* result;
        std::size_t runAfter;
        std::size_t longest;
    };
    const Row rows[] = {
        {"  a  b  ", false, 0, " a b ", 2, 2},
        {"  a", false, 3, "a", 0, 5},
        {"\r \ra", false, 1, "a", 0, 4},
        {"\n a", false, 1, "\n a", 0, 0},  // (a run of one may go uncounted)
        {"\n a", true, 1, "a", 0, 3},
        {"x\n", true, 0, "x ", 1, 1},
        {"    ", false, 2, "", 6, 6},
        {"a!--", false, 1, "a!--", 0, 0},
    };
    for (const Row& row : rows) {
        std::string text;
        for (const char* p = row.text; *p; ++p) {
            if (*p == '\\') {
                ++p;
                text += *p == 'r' ? '\r' : '\n';
            } else {
                text += *p;
            }
        }
        for (const std::string& kernels : differential::SupportedImplementations()) {
            ASSERT_TRUE(fast::ChooseImplementation(kernels));
            std::string d = text + std::string(64, '\0');  // room for whole-vector stores
            std::size_t run = row.runBefore, longest = 0;
            const std::size_t n = fast::PassesFor<unsigned char>().TailPass(
                reinterpret_cast<unsigned char*>(d.data()), text.size(), false, true, row.allCRLF, true, &longest, &run);
            fast::ChooseImplementation("");
            std::string expected;
            for (const char* p = row.result; *p; ++p) {
                if (*p == '\\') {
                    ++p;
                    expected += *p == 'r' ? '\r' : '\n';
                } else {
                    expected += *p;
                }
            }
            EXPECT_EQ(d.substr(0, n), expected) << row.text << " " << kernels;
            EXPECT_EQ(run, row.runAfter) << row.text << " " << kernels;
            EXPECT_EQ(longest, row.longest) << row.text << " " << kernels;
        }
    }
}

}  // namespace
}  // namespace tessark::test
