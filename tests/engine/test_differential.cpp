// The fast, UTF-8 and streaming conversions against the literal engine
// (DifferentialInput.h: Compare, CompareUtf8, CompareStream,
// CompareUtf8Stream), once for every implementation of the kernels that the
// processor supports: seeded random pages of every kind, pages where the
// passes' rules meet under many option sets, every offset from a vector's
// start, every failing yield, every chunk size of a stream, and a sample of
// the corpus (the whole corpus in the nightly tier, which also runs ten
// times the random pages and every option set). Then the stream's own
// behaviour: the input it holds stays near the chunk size, a failure is
// reported under the step that failed, a sink that throws fails it. (Feed
// is InputSpace and Commit, so every stream above goes through both.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "EngineTestSupport.h"
#include "Tier.h"

namespace tessark::test {
namespace {

const unsigned kStep = Nightly() ? 1 : 7;  // through the option sets

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(Kernels, EverySupportedImplementationIsCompared) {
    ASSERT_EQ(Kernels().at(0), "baseline");
    for (const fast::Implementation& impl : fast::Implementations()) {
        const UsingKernels kernels(impl.name);
        EXPECT_EQ(kernels.chosen, std::find(Kernels().begin(), Kernels().end(), impl.name) != Kernels().end());
        for (const char* isa : {fast::PassesFor<unsigned char, fast::Utf8Units>().isa, fast::ScansFor<unsigned char>().isa, fast::ScansFor<char16_t>().isa})
            EXPECT_TRUE(!kernels.chosen || isa == std::string(impl.name)) << isa;  // the passes and the other scans alike
    }
    EXPECT_STREQ(fast::PassesFor<unsigned char>().isa, Kernels().back().c_str());
#if TESSARK_TEST_AVX2_PASSES
    EXPECT_EQ(std::string(fast::Implementations().back().name), "avx2");
    EXPECT_EQ(fast::Implementations().back().supported(), __builtin_cpu_supports("avx2") != 0);  // the compiler's probe
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 here: the engine's AVX2 kernels were NOT compared";
#endif
}

// ------------------------------------------------------------- random pages

// A kind of page and the way of converting it; one page in ten is long, one
// in three of medium length.
struct Batch {
    const char* name;
    bool decode, utf8, loneBytes, stream;
    std::uint32_t firstSeed;
    int pages;
};

void PrintTo(const Batch& b, std::ostream* os) { *os << b.name; }

class RandomPages : public ::testing::TestWithParam<std::tuple<Batch, std::string>> {};

TEST_P(RandomPages, Agree) {
    const auto& [b, kernels] = GetParam();
    const UsingKernels using_(kernels);
    ASSERT_TRUE(using_.chosen);
    int failures = 0;
    for (int i = 0; i < b.pages * (Nightly() ? 10 : 1) && failures < 3; ++i) {
        Choices c(b.firstSeed + static_cast<std::uint32_t>(i));
        unsigned options = c.Next(1u << kOptionBits) & (b.decode || b.utf8 || b.stream ? ~0u : kAllFlags);
        if (b.decode) options |= kDecode;
        const long failAt = c.Next(6) == 0 ? static_cast<long>(1 + c.Next(30)) : 0;
        const std::size_t pieces = i % 10 == 0 ? 1500 : i % 3 == 0 ? 80 : 12;
        std::string page = b.utf8 ? BuildUtf8Page(c, pieces, b.loneBytes && (!b.stream || c.Next(2)), options & kDecode)
                                  : BuildPage(c, pieces, (options & kDecode) != 0);
        Feeding f{1 + c.Next(c.Next(2) ? 8 : 600), {}};
        for (unsigned k = 1 + c.Next(4); k > 0; --k) f.feeds.push_back(1 + c.Next(c.Next(2) ? 5 : 900));
        for (std::size_t k = 0; b.stream && k < page.size(); k += 1 + c.Next(40))  // chunks end at line feeds
            if (c.Next(3) == 0) page.insert(k, 1, '\n');
        ASSERT_FALSE(b.utf8 && !b.stream && HasBrokenLead(page));  // so the UTF-8 texts must agree exactly
        const std::string verdict = b.stream ? (b.utf8 ? CompareUtf8Stream(page, options, f, failAt) : CompareStream(page, options, f, failAt))
                                             : (b.utf8 ? CompareUtf8(page, options, failAt) : Compare(page, options, failAt));
        if (!verdict.empty()) ADD_FAILURE() << ++failures << ": " << verdict;
    }
}

const Batch kBatches[] = {
    {"Classic", false, false, false, false, 1, 4000},       {"Decode", true, false, false, false, 300000, 4000},
    {"Utf8", false, true, false, false, 400000, 4000},      {"Utf8LoneBytes", false, true, true, false, 600000, 3000},
    {"Stream", false, false, false, true, 300000, 3000},    {"Utf8Stream", false, true, true, true, 700000, 1500},
};

INSTANTIATE_TEST_SUITE_P(Seeded, RandomPages, ::testing::Combine(::testing::ValuesIn(kBatches), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) { return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param); });

// -------------------------------------------------- where the rules meet

// The cascades between passes under the classic option sets, and pages where
// the decoding of every reference meets the tags and markers, under option
// sets of all twelve.
TEST_P(EachKernels, CascadesAgree) {
    const char* const pages[] = {
        "<scr<!--xx-->ipt>a</script>b",  "&am{x}p;",       "&amp;lt;",         "&amp;eacute;",
        "&&#35;&#54;&#53;;",             "&#&not;&not;65;", "<!--ab--><!--cd-->", "<scr<script>x</script>ipt>y</script>z",
        "&nbs&#112;;&nbs&#112;x",        "&#3&#53;;",       "&#38;#38;",        "&pa&not;ra;x",
        "a<script/script>b<script>c</script>d<scr",         "{a{b}c}{", "&lt;b&gt;&#10;|&brvbar;\t",
    };
    for (const char* page : pages)
        for (unsigned options = 0; options < (1u << 11); ++options) ASSERT_EQ(Compare(page, options), "");
    const char* const decoded[] = {
        "<a href=\"&amp;lt;x\">&amp;lt;x</a>&lt;p&gt;<p>&nbsp;</p>",
        "<a href=\"x>y\">t</a></a><a href=u><img alt=u></a>{<br>}|<td>|\t",
        "<!--<a href=v>--><a href=w>w <!-- c --> </a><script><p></script>",
        "&not<li>in;&#x1F600;<img alt=\"&#150;&#0;\">&notin;&#38;#65;",
        "a<a href=\"msnavigation\">!--</a>-->&excl;--<b",
    };
    for (const char* page : decoded)
        for (unsigned options = 0; options < (1u << kOptionBits); options += kStep)
            ASSERT_EQ(Compare(page, options), "");
}

// The fast passes work on blocks of 16, 32 or 64 units: runs of spaces, line
// breaks, markers, tags and multi-byte characters at every offset from a
// block's start, and runs around the lengths where the number of yields
// changes (2 and 1025); X stands for a character of one to four bytes, or
// bytes that are not UTF-8 (they come out as they went in).
TEST_P(EachKernels, BlockBoundariesAgreeAtEveryOffset) {
    const std::string patterns[] = {
        "a" + std::string(15, ' ') + "b" + std::string(16, ' ') + "c" + std::string(17, ' ') + "d",
        "a" + std::string(32, ' ') + "b" + std::string(31, ' ') + "c" + std::string(33, ' '),
        "x" + std::string(1024, ' ') + "y" + std::string(1025, ' ') + "z",
        "x" + std::string(1040, ' ') + "\r\n" + std::string(600, ' ') + "y",
        "a \r\n \r\n\r\n  \n\n \r b\r\r\r\rc\n \n \n d",
        "p!--q-->r msnavigation sMSNAVIGATIONt!-->u---->v items and forms --  - -- ! -- ms  ms   mS",
        "a<b>c>d<<e>f><g>" + std::string(60, 'h') + "<" + std::string(70, 'i') + ">j<k" + std::string(65, 'l'),
        "<" + std::string(63, 'x') + "><" + std::string(64, 'y') + ">" + std::string(63, '>') + "<<<>>>z",
        // markers among decoys that share their first units or their first and last
        "<s<sc<scr/s/st-<!-x<sxxxxt/sxxxx>--><SCRIPt/SCRIPT>--<!-<script>a</SCRIPT>b<STYLE>c</style>d<!--e-->f<scr",
    };
    const char* const utf8[] = {
        "<!--X-->", "<!--XX-->b<!--ab-->", "<!--Xa-->X<!--ab-->", "<!--abcd-->XX<!--cd-->", "<!--X-->XXX<!--cd-->e",
        "<!--XXXXXXXXXX-->XXXXXXXXXXXX<!--cd-->e", "<!--Xxxxxxxxxx-->XXXXXXXXX<!--c-->", "<script>X</script>XX",
        "<script>XX</script>", "<scriptX/script>", "<scriptXX/script>", "<script/script>X", "<styleX/style>",
        "<style/style>X", "{X}X|X\tX", "X&eacute;X&#8364;X&#8482;X", "&amp;X&lt;X&nbspX&#233;&#39;X", "X<b>X</b>X",
        "X!--X-->XmsnavigationX", "X\r\nX  X\n \nX", "<!--a--X-->", "<scr<!--X-->ipt>a</script>X",
        "<scr<!--XX-->ipt>a</script>X",
    };
    const unsigned sets[] = {kAllFlags, kSpaces, kAllCRLF | kSpaces, kComments | kSpaces, kAllCRLF, kComments,
                             kScripts | kStyles, kSpecial | kTags, kSpaces | kBlankLines, kAllFlags | kDecode, 0u,
                             kScripts};
    for (std::size_t offset = 0; offset < 70; ++offset) {
        const std::string before(offset, 'z'), after = std::string(offset % 7, ' ') + "end";
        for (const std::string& pattern : patterns)
            for (const unsigned options : sets) ASSERT_EQ(Compare(before + pattern + after, options), "");
        for (const char* pattern : utf8)
            for (const char* x : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "a", "\xFF", "\xE2\x82", "\xED\xA0\x80"}) {
                std::string page = before;
                for (const char* p = pattern; *p; ++p) page += *p == 'X' ? std::string(x) : std::string(1, *p);
                for (std::size_t k = offset % 3; k < std::size(sets); k += Nightly() ? 1u : 3u)
                    ASSERT_EQ(CompareUtf8(page + after, sets[k]), "");
            }
    }
}

// Every yield of a conversion made to fail in turn, whole and streamed.
TEST_P(EachKernels, FailingYieldsAgree) {
    const std::string page = "<!--ab-->x\n<script>1</script>&amp;lt;{f}|\t<b>  b\r\n\r\n\r\n" + std::string(3000, ' ') + "e\nf\n";
    for (const unsigned options : {unsigned{kAllFlags}, 0u, unsigned{kSpaces}, kSpaces | kBlankLines, unsigned{kSpecial}, kAllFlags | kDecode})
        for (long failAt = 1; failAt <= 60; ++failAt) {
            ASSERT_EQ(failAt <= 25 ? Compare(page, options, failAt) : "", "");
            for (const std::size_t chunk : {std::size_t{1}, std::size_t{20}, std::size_t{100000}})
                ASSERT_EQ(CompareStream(page, options, Feeding{chunk, {7}}, failAt), "");
        }
}

// The reference pass on dense runs of references, their fragments and
// characters of several bytes: pieces that keep, lose or make an "&", leave
// open or closed bodies and cascade into each other, repeated up to 40
// times, between others, and over long runs of vanishing references; then
// the issue's run at every offset and length (the random pages hold dense
// pages of them too).
TEST_P(EachKernels, DenseReferencesAgree) {
    const char* const pieces[] = {
        "&amp;", "&AMP;", "&lt;", "&#65;", "&#38;", "&#35;", "&nbsp;", "&nbsp", "&NBSP", "&eacute;", "&not;",
        "&para;", "&#", "&", "#", ";", "65;", "&#2", "&#53;8;", "&shy;", "&am", "p;", "x", "amp;", "&#53;", "&#51;",
        "lt;", "&l", "&#109;", "&a", "&#110;", "bsp;", "&#2&not;", "&#59;", "\xC3\xA9", "\xE2\x82\xAC",
        "\xF0\x9F\x98\x80", "&#139;", "&#155;", "&#131;", "&#2&#139;", "&#&#155;65;", "&eacute;&#53;;",
    };
    std::vector<std::string> pages;
    for (const char* piece : pieces)
        for (std::size_t times = 1; times <= 40; times += (Nightly() || times < 6 ? 1u : 7u)) {
            const std::string run = Repeat(piece, times);
            pages.push_back(run);
            for (const char* before : {"&#2", "&a", "&", "&#", "&l", "&nbs"})
                for (const char* after : {"mp;", "t;", "&#53;8;", "&#112;;", "&#59;", ";"})
                    if (times <= 2 || times == 13 || (Nightly() && times % 6 == 0)) pages.push_back(before + run + after);
        }
    pages.push_back("\xF0\x9F\x98\x80&#x1F600;\n" + Repeat("&nGt;&nGt; \n", 150));  // UTF-8 outgrows the page
    for (std::size_t n = 0; n <= 300; n += (n < 20 ? 1 : 37)) {
        const std::string nots = Repeat("&not;", n), amps = Repeat("&amp;", n);
        pages.insert(pages.end(), {"&#2" + nots + "&#53;8;x", "&a" + Repeat("&para;", n) + "&#109;p;", amps + "lt;",
                                   "&#3" + nots + "&#53;;" + nots, "&" + amps + "#38;" + amps,
                                   "&nbs" + nots + "&#112;" + nots + "&#59;"});
    }
    const std::string unit = "&amp;&lt;&#65;&nbsp;x&eacute;&#&not;65;", run = Repeat(unit, 12);
    for (std::size_t offset = 0; offset < unit.size(); ++offset)
        for (std::size_t cut = 0; cut <= unit.size(); cut += Nightly() ? 1u : 5u) pages.push_back(run.substr(offset, run.size() - offset - cut));
    for (const std::string& page : pages) {
        ASSERT_EQ(Compare(page, kSpecial), "");
        ASSERT_EQ(CompareUtf8(page, kSpecial), "");
        ASSERT_EQ(CompareUtf8(page, kDecode | (page.size() % 2 ? kSpaces : kAllFlags)), "");
    }
    const std::string whole = Repeat(unit, 40) + "<b>&#2&not;&not;&#53;8;</b>&amp;amp;lt;";
    for (unsigned options = 0; options < (1u << 11); options += kStep) ASSERT_EQ(Compare(whole, options | kSpecial), "");
}

// ---------------------------------------------------------------- streaming

// Pages in which every kind of seam occurs within a few units (markers that
// open on one line and close on a later one, references, CR LF pairs, runs
// of spaces and blank lines, characters of several bytes), converted in
// chunks of every size and fed split at many positions; the cascades byte by
// byte under the option sets.
TEST_P(EachKernels, StreamSeamsAgreeInChunksOfEverySize) {
    const std::string pages[] = {
        "a<!--x\ny-->b\n<script>\n1\n</script>c\n<style\n>p</style>\nd{\n}e|\tf\n",
        "x\n<!--ab-->\n<!--cd-->\n<!--\n-->\n<!---->y\n-->z!--\n",
        "&amp;\nlt;&#38;\n#39;&nbsp\nx&eacute;\n&#&not;65;\n&lt;b\n&gt;\n",
        " \r\n  \r\n\r\n a  b \r\n\n\n \n \n c\r \r\n\t\n   \n",
        "<a\nhref=x>t</a\n>u<b>\nmsnav\nigation ms<i>\n</i>navigation\n<\n",
        "{a\n{b}c}\n{\n<script>\n</script>\n<scr<!--xx-->ipt>\n</script>q\n\n\n  \n<p>\n</p>\n   \n",
        "<script>a\n</script><script/script>\nb<script>c\nd",
        "a<!--\xC3\xA9-->b\n<!--\xF0\x9F\x98\x80-->c\n<script>\xE2\x82\xAC</script>d\n<!--\xC3\xA9\xC3\xA9-->\n",
        "caf&eacute; &copy;\n&#187;x&ntilde;\n\xE4\xB8\xAD <b>\xE4\xB8\xAD</b>\n  \xC2\xA0 \r\n\n\n",
        "\x80<a>\xBF\n\xC0<!--x\n-->\xFF\xC3\n\xA9{\xF0\x9F}\n",
        "&nGt;&nLt;&nGt;&nLt;&nGt;\n&nGt; &notin &not\n&#x1F600;&am<!--x-->p;<b>&lt;</b>\n&#10;&#10; &nbsp;\n",
        "<!--\xF0\x9F\x98\x80x-->\xF0\x9F\x98\x80<!--\xC3\xA9-->y\n<style>\xC3\xA9</style><script\xC3\xA9/script>\n",
    };
    const unsigned sets[] = {kAllFlags, 0u, kAllFlags & ~kAllCRLF, kSpaces | kAllCRLF, kBlankLines,
                             kSpaces | kBlankLines, kComments | kTags, kScripts | kStyles | kFunctions,
                             kAllFlags | kDecode, kDecode, kDecode | kComments | kTags | kSpaces | kBlankLines};
    for (const std::string& page : pages)
        for (std::size_t chunk = 1; chunk <= page.size() + 1; ++chunk)
            for (std::size_t split = 1; split <= page.size(); split += chunk % 3 + (Nightly() ? 1 : 4)) {
                const Feeding f{chunk, {split, page.size()}};
                const unsigned options = sets[(chunk + split) % std::size(sets)];
                ASSERT_EQ(CompareUtf8Stream(page, options, f), "");
                ASSERT_EQ(CompareStream(page, options, f), "");
            }
    for (const char* page : {"<scr<!--xx-->ipt>a</script>b\n&am{x}p;\n&amp;lt;\n<!--ab--><!--cd-->\n{a{b}c}{\n",
                             "a<script/script>b<script>c</script>d<scr\n&lt;b&gt;&#10;|&brvbar;\t\n \r\n\r\n  x  \r\n"})
        for (unsigned options = 0; options < (1u << kOptionBits); ++options)
            ASSERT_EQ(CompareStream(page, options, Feeding{1 + options % 17, {1 + options % 5}}), "");
}

INSTANTIATE_TEST_SUITE_P(Kernels, EachKernels, ::testing::ValuesIn(Kernels()), [](const auto& p) { return p.param; });

// ------------------------------------------------------- stream behaviour

// Streams page in pieces of feed bytes with all options on and the chunk
// size given, checks the output against the whole page's, and tells the
// peak of units held.
std::size_t PeakHeld(const std::string& page, std::size_t feed) {
    ClassicEngine e(Options(kAllFlags));
    std::string out;
    ByteStreamExtractor stream(
        e.options, nullptr,
        [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); }, 16 << 10);
    for (std::size_t at = 0; at < page.size(); at += feed) EXPECT_TRUE(stream.Feed(Bytes(page) + at, std::min(feed, page.size() - at)));
    EXPECT_TRUE(stream.Finish());
    EXPECT_EQ(out, e.ExtractBytes(page));
    return stream.PeakHeld();
}

TEST(Stream, HeldInputStaysNearTheChunkSize) {
    const std::string lines = Repeat("<p>Some <b>text</b> &amp; more</p>\r\n<script>\nvar x = {a: 1};\n</script>\n", 20000);
    EXPECT_LT(PeakHeld(lines, 4096), 6u * (16 << 10));  // the page is about 1.5 MB
    const std::string line = Repeat("<p>Some <b>text</b> &amp; more</p> <script>var x = {a: 1};</script> ", 30000);
    EXPECT_LT(PeakHeld(line, 4096), 6u * (16 << 10));  // one line of about 2 MB: cut at its spaces
    // an unclosed marker holds everything after it, but not the text before
    const std::string body = Repeat("line of text\r\n", 20000);
    const std::size_t peak = PeakHeld(body + "<script>\n" + body, 4096);
    EXPECT_GT(peak, body.size());
    EXPECT_LT(peak, body.size() + (64u << 10));
}

// One chunk: CutHTML's five yields and the table's nine (1 to 14), one group
// of sweeps for the run of five spaces (15), then ExtractText's two (16, 17).
TEST(Stream, AFailureIsReportedUnderTheFailingStep) {
    for (const auto& [failAt, report] : {std::pair{1L, "CutHTML:5"}, {14L, "CutHTML:5"}, {15L, "ConsolidateChar:5"},
                                         {16L, "ExtractText:5"}, {17L, "ExtractText:5"}}) {
        const Outcome o = Streamed<ByteStreamExtractor>(std::string("a     b\n"), kAllFlags, Feeding{1000, {1000}}, failAt);
        EXPECT_EQ(o.reports, std::vector<std::string>{report}) << failAt;
        EXPECT_EQ(o.text, u"(failed)");
    }
}

TEST(Stream, ASinkThatThrowsFailsTheStreamWithoutAReport) {
    Recorder recorder;
    ByteStreamExtractor stream({}, &recorder.context,
                               [](const unsigned char*, std::size_t) { throw std::runtime_error("disk full"); }, 4);
    const std::string page = Repeat("a b\nc d\ne\n", 50);
    EXPECT_THROW(stream.Feed(Bytes(page), page.size()), std::runtime_error);
    EXPECT_TRUE(stream.Failed());
    EXPECT_FALSE(stream.Finish());
    EXPECT_TRUE(recorder.context.Reports().empty());
}

// ------------------------------------------------------------------- corpus

// Seven shards, the same in both tiers: each holds one page of a sample of
// variety in the fast tier (entities, a comment inside a script, a
// right-to-left page, script-heavy English, French and German in UTF-8) and
// every seventh page of the whole corpus at night.
constexpr int kShards = 7;

std::vector<std::string> CorpusShard(int shard) {
    static const char* const kSample[kShards] = {"001.html", "005-unescape-html-entities.html", "comment-inside-script-parsing.html",
                                                 "rtl-1.html", "ars-1.html", "lemonde-1.html", "heise.html"};
    if (!Nightly()) return {kSample[shard]};
    std::vector<std::string> names, mine;
    for (const auto& entry : std::filesystem::directory_iterator(TESSARK_TEST_DATA "/corpus"))
        if (entry.path().extension() == ".html") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (std::size_t i = static_cast<std::size_t>(shard); i < names.size(); i += kShards) mine.push_back(names[i]);
    return mine;
}

class Corpus : public ::testing::TestWithParam<std::tuple<int, std::string>> {};

// Under all options, none, each alone (DecodeAllReferences with the tag
// removal), all but each, DecodeAllReferences with and without the others,
// and seeded sets. The streams are held to the whole
// page's conversion (itself held to the literal engine here).
TEST_P(Corpus, ConversionsAgree) {
    const auto& [shard, kernels] = GetParam();
    const UsingKernels using_(kernels);
    ASSERT_TRUE(using_.chosen);
    std::vector<unsigned> sets = {kAllFlags, 0, kDecode | 0x6E7, kDecode | kAllFlags, kDecode, kDecode | (kAllFlags & ~kTags)};
    std::mt19937 rng(20261207);
    for (unsigned bit = 0; bit < kOptionBits; ++bit)
        sets.insert(sets.end(), {(1u << bit) | (bit > 10 ? kTags : 0u), kAllFlags & ~(1u << bit),
                                 static_cast<unsigned>(rng()) & (bit % 2 ? (1u << kOptionBits) - 1 : kAllFlags)});
    for (const std::string& name : CorpusShard(shard)) {
        std::ifstream in(std::string(TESSARK_TEST_DATA "/corpus/") + name, std::ios::binary);
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(page.empty()) << name;
        for (const unsigned options : sets) {
            EXPECT_EQ(Compare(page, options), "") << name;
            EXPECT_EQ(CompareUtf8(page, options), "") << name;
            const Outcome bytes = Converted(options, 0, [&](ClassicEngine& e) { return AsUnits(e.ExtractBytes(page)); });
            const Outcome utf8 = Converted(options, 0, [&](ClassicEngine& e) { return AsUnits(e.ExtractUtf8(page)); });
            for (const Feeding& f : {Feeding{1, {4096}}, Feeding{700, {1, 2, 3, 5000}}, Feeding{16 << 10, {65536}},
                                     Feeding{1 << 20, {333}}}) {
                EXPECT_TRUE(StreamAgrees(bytes, Streamed<ByteStreamExtractor>(page, options, f), 0))
                    << name << " options=" << options << " chunk=" << f.chunk;
                EXPECT_TRUE(StreamAgrees(utf8, Streamed<Utf8StreamExtractor>(page, options, f), 0))
                    << name << " options=" << options << " chunk=" << f.chunk << " (UTF-8)";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, Corpus, ::testing::Combine(::testing::Range(0, kShards), ::testing::ValuesIn(Kernels())),
                         [](const auto& p) { return "Shard" + std::to_string(std::get<0>(p.param)) + "_" + std::get<1>(p.param); });

}  // namespace
}  // namespace tessark::test
