// Behaviour of the extraction engine, case by case: each table row is an
// input, an option set and the exact expected text, checked against both
// engine classes (the fast one and the literal one). Then the tables the two
// share (the character references), yields and failures, and
// conversions on several threads at once, each with its own context.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>

#include "DifferentialInput.h"

namespace tessark {
struct EngineTestAccess {  // reaches the engines' private passes
    template <class E>
    static std::u16string CutHTML(E& e, const std::u16string& t) { return e.CutHTML(t); }
};
}  // namespace tessark

namespace tessark::test {
namespace {

struct Case {
    unsigned flags;
    const char* input;     // UTF-8
    const char* expected;  // UTF-8
};

// What convert gives on both engine classes, whose texts must be expected.
template <class F>
std::array<Outcome, 2> ExpectBoth(const std::string& what, const std::u16string& expected, unsigned flags, F convert,
                                  long failAt = 0, bool badAlloc = false) {
    const std::array<Outcome, 2> both{Converted<ClassicEngine>(flags, failAt, convert, badAlloc),
                                      Converted<ReferenceEngine>(flags, failAt, convert, badAlloc)};
    EXPECT_EQ(Show(both[0].text), Show(expected)) << what << " (fast)";
    EXPECT_EQ(Show(both[1].text), Show(expected)) << what << " (literal)";
    return both;
}

// ExtractText's result, or CutHTML's (cut), without a report.
template <std::size_t N>
void ExpectRows(const Case (&rows)[N], bool cut) {
    for (const Case& c : rows)
        for (const Outcome& o : ExpectBoth(c.input, DecodeUtf8(c.expected), c.flags, [&](auto& e) {
                 return cut ? EngineTestAccess::CutHTML(e, DecodeUtf8(c.input)) : e.ExtractText(DecodeUtf8(c.input));
             }))
            EXPECT_TRUE(o.reports.empty()) << c.input;
}

const Case kExtractCases[] = {
    {kAllFlags, "", ""}, {0, "a\r\nb", "a \r\nb"}, {0, "\r\n\r\nW\r\n", " \r\nW "}, {0, "     ", ""},
    {0, "one\rtwo", "one two"}, {kAllCRLF | kSpaces, "one two\r\n  three\r\n\r\nfour  ", "one two three four"},
    {0, "\n", ""}, {0, "\tx\t", "\tx\t"}, {0, "aMsNaViGaTiOnb", "a b"}, {kBlankLines, "a\r\n\r\n\r\nb", "a \r\nb"},
    {kBlankLines, "a\r\n   \r\nb", "a \r\n    \r\nb"}, {kBlankLines | kSpaces, "a\r\n   \r\nb", "a \r\nb"},
    {kBlankLines, "a\n\n\nb", "a\r\nb"}, {kBlankLines, "a\n \nb", "a\r\nb"},
    {kAllCRLF | kBlankLines, "a\r\n\r\nb", "a    b"}, {kSpaces, "a  \r\nb\r\n", "a \r\nb "},
    {kSpaces, "a\xC2\xA0\xC2\xA0 b", "a\xC2\xA0\xC2\xA0 b"}, {kTabs | kSpaces, "a\t\t \tb", "a b"},
    {kAllFlags,
     "<html><head><script type=\"x\">var a;</script><style>p{}</style></head><body><!-- hi -->"
     "<p>Caf&eacute; &amp;lt; &nbsp; x</p>\r\n\r\n<b>bold</b>\tend</body></html>\r\n", "Caf\xC3\xA9 bold end"},
    {kAllFlags & ~kAllCRLF, "<p>one &brvbar; two</p>\r\n\r\n<p>three</p>\r\n", "one | two \r\nthree "},
    // decoded references: the later passes treat a decoded LF and space like any other
    {kDecode | kSpaces, "a&nbsp;&nbsp; b", "a b"}, {kDecode | kBlankLines, "a&#10;&#10;&#10;b", "a\r\nb"},
    {kAllFlags | kDecode,
     "<html><head><title>T&rsquo;s</title><style>p{}</style><script>x</script></head><body>"
     "<h1>Caf&eacute;</h1><p>See <a href=\"/more\">more&hellip;</a><img alt=\"[pic]\"></p></body></html>",
     "T\xE2\x80\x99sCaf\xC3\xA9See more\xE2\x80\xA6"},
    {kAllFlags, "<p>a&notin;</p><a href=u>b</a>", "a&notin;b"},
};

TEST(ClassicEngine, ExtractText) { ExpectRows(kExtractCases, false); }

const Case kCutCases[] = {
    {kScripts, "a<SCRIPT type=\"t\">var x=1;</ScRiPt>b", "ab"}, {kScripts, "a<script></script>b", "ab"},
    {kScripts, "x<script>1</script>y<script>z", "xy<script>z"}, {kScripts, "a<script x<script>b</script>c", "ac"},
    {kScripts, "a<scripts>q/script>b", "ab"}, {kScripts, "a<script/script>b", "a<script/script>b"},
    {kScripts, "a<scriptX/script>b", "a<scriptX/script>b"},
    {kScripts, "a<script/script>b<script>c</script>d", "a<script/script>bd"},
    {kScripts, "<scr<script>x</script>ipt>y</script>z", "z"}, {kStyles, "a<style>p{color:red}</STYLE>b", "ab"},
    {kStyles, "a<style/style>b", "a<style/style>b"}, {kComments, "<!--ab--><!--cd-->", "< cd "},
    {kComments, "<!---->", "<  "}, {kComments, "<!--x-->", "< x "}, {kComments, "a<!-- c -->b", "ab"},
    {kComments, "a<!--b", "a< b"}, {kComments | kScripts, "<scr<!--xx-->ipt>s</script>t", "t"},
    {kComments | kTags, "a<!--x-->b", "ab"}, {kFunctions, "{a{b}c}", "c}"}, {kFunctions, "}a{b}c{d", "}ac{d"},
    {kFunctions | kSpecial, "&am{x}p;", "&"}, {kPipe, "a|b||c", "a b  c"}, {kTabs, "a\t\t\tb", "a   b"},
    {kTags, "a<b>c", "ac"}, {kTags, "a<b c d", "a"}, {kTags, "a>b", "a>b"}, {kTags, "a<b<c>d>e", "ad>e"},
    {kSpecial | kTags, "x&lt;b&gt;y", "xy"}, {0, "xMSNAVIGATIONy", "x y"}, {kTags, "msnav<b>igation", " "},
    // the 323-row reference table
    {kTags, "&nbsp;&amp;&lt;", "&nbsp;&amp;&lt;"},
    {kSpecial, "&Eacute;&eacute;&EACUTE;&Eacute", "\xC3\x89\xC3\xA9&EACUTE;&Eacute"}, {kSpecial, "&AMP;&aMp;", "&&"},
    {kSpecial, "&mdash;&MDASH;", "-&MDASH;"}, {kSpecial, "[&nbsp;][&NBSP][&#160;][&nbspx]", "[ ][ ][ ][ x]"},
    {kSpecial, "&amp;lt;", "<"}, {kSpecial, "&amp;eacute;", "&eacute;"}, {kSpecial, "&amp;amp;", "&amp;"},
    {kSpecial, "&#38;#39;", "'"}, {kSpecial, "&#38;amp;", "&amp;"}, {kSpecial, "&amp;#65;", "A"},
    {kSpecial, "&&#35;&#54;&#53;;", "A"}, {kSpecial, "&#&not;&not;65;", "A"},
    {kSpecial, "&#039;&#x41;&euro;&#8364;", "&#039;&#x41;&euro;&#8364;"}, {kSpecial, "a&#10;b", "a<br>b"},
    {kSpecial | kTags, "a&#10;b", "ab"}, {kSpecial | kTags, "1 &lt; 2 and more", "1 "},
    {kSpecial | kPipe, "&brvbar;|&vdots;|&#124;", "| | |"}, {kSpecial, "a&#9;b", "a b"},
    {kSpecial, "&copy;&#169;&trade;&#153;&reg;&#174;&frac12;&#189;", "(c)(c)(tm)(tm)(r)(r)1/21/2"},
    {kSpecial, "x&not;&para;&#172;&#182;y", "xy"},
    {kSpecial, "&#258;&#259;&#350;&#351;&#354;&#355;", "\xC3\x83\xC3\xA3\xC2\xAA\xC2\xBA\xC3\x9E\xC3\xBE"},
    {kSpecial, "&#131;&#133;&#145;&#147;&#149;&#150;&#155;&#159;&#128;", "\xC6\x92...'\"o-\xE2\x80\xBA\xC5\xB8&#128;"},
    {kSpecial, "&#32;&#65;&#97;&#126;&#127;&#31;", " Aa~&#127;&#31;"},
    // DecodeAllReferences
    {kDecode, "&notin;|&not|&notit;|&not;x", "\xE2\x88\x89|\xC2\xAC|\xC2\xACit;|\xC2\xACx"},
    {kDecode, "&AMP;&AMP&NBSP;&Amp;", "&&&NBSP;&Amp;"}, {kDecode, "&ampx &amp &copyright", "&x & \xC2\xA9right"},
    {kDecode, "&#x1F600;&#128512;&Afr;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9D\x94\x84"},
    {kDecode, "&#0;&#xD800;&#1114112;&#99999999999999999999;", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {kDecode, "&#150;&#x80;&#x81;&#159;", "\xE2\x80\x93\xE2\x82\xAC\xC2\x81\xC5\xB8"},
    {kDecode, "&#65&#x42;&#X43x", "ABCx"}, {kDecode, "&#;&#x;&#xg;&# 1", "&#;&#x;&#xg;&# 1"},
    {kDecode, "&euro;&unknown;& x&&;&", "\xE2\x82\xAC&unknown;& x&&;&"},
    {kDecode, "&amp;lt;&amp;amp;&#38;#65;", "&lt;&amp;&#65;"},
    {kDecode, "[&nbsp;&#160;&#xA0;&NonBreakingSpace;&nbsp]", "[     ]"}, {kDecode, "&nGt;", "\xE2\x89\xAB\xE2\x83\x92"},
    {kDecode, "&CounterClockwiseContourIntegral;", "\xE2\x88\xB3"}, {kDecode | kTags, "<b>&lt;div&gt;</b>", "<div>"},
    {kDecode | kSpecial, "&mdash;&copy;&#10;", "\xE2\x80\x94\xC2\xA9\n"}, {kDecode, "<b>&lt;</b>", "<b><</b>"},
};

TEST(ClassicEngine, CutHTML) { ExpectRows(kCutCases, true); }

// Which rows of the reference table ignore case (the cascades depend on
// it); the two engines share the table, so the differential test cannot see
// it change. (How often the table yields is YieldsAndFailures'; where among
// its rows changes no text.)
TEST(ClassicEngine, SharedTables) {
    EXPECT_EQ(std::count_if(SpecialCharTable.begin(), SpecialCharTable.end(),
                            [](const SpecialCharRow& r) { return r.match == Match::IgnoreCase; }),
              45 + 7);  // rows 63-108 except 83, and rows 317-323
}

// `a`, n spaces, `b` (built in place: GCC 12 warns falsely on joined strings).
std::u16string Between(char16_t a, std::size_t n, char16_t b) {
    std::u16string s(n + 2, u' ');
    s.front() = a;
    s.back() = b;
    return s;
}

// Yields: CutHTML's five, nine inside the reference table, one per group of
// 1024 sweeps of a space pass, ExtractText's two. A failing yield (error 5,
// or exhausted memory: 7) is reported under the pass that made it, which
// gives what it defines, and ExtractText goes on: with all options on, for
// "a  b", CutHTML yields 14 times, the first space pass once, then
// ExtractText at its steps 6 and 9 (a failure there ends the conversion).
TEST(ClassicEngine, YieldsAndFailures) {
    const struct {
        unsigned flags;
        std::u16string input;
        long failAt, yields;
        const char* report;
        const char16_t* result;
        bool badAlloc = false;
    } rows[] = {
        {0, u"", 0, 0, nullptr, u""},
        {0, u"abc", 0, 5 + 2, nullptr, u"abc"},
        {kSpecial, u"abc", 0, 5 + 9 + 2, nullptr, u"abc"},
        {kSpaces, u"a     b", 0, 5 + 1 + 2, nullptr, u"a b"},
        {kSpaces, Between(u'x', 2000, u'y'), 0, 5 + 2 + 2, nullptr, u"x y"},
        {kSpaces, Between(u'x', 1024, u'y'), 0, 5 + 1 + 2, nullptr, u"x y"},
        {kSpaces, Between(u'x', 1025, u'y'), 0, 5 + 2 + 2, nullptr, u"x y"},
        {kSpaces | kBlankLines, u"a\n\n\nb  c", 0, 5 + 1 + 1 + 2, nullptr, u"a\r\nb c"},
        {kAllFlags, u"a  b", 1, 1 + 2, "CutHTML:5", u""},       {kAllFlags, u"a  b", 7, 7 + 2, "CutHTML:5", u""},
        {kAllFlags, u"a  b", 14, 14 + 2, "CutHTML:5", u""},     {kAllFlags, u"a  b", 15, 15 + 2, "ConsolidateChar:5", u""},
        {kAllFlags, u"a  b", 16, 16, "ExtractText:5", u"a b"},  {kAllFlags, u"a  b", 17, 17, "ExtractText:5", u"a b"},
        {kAllFlags, u"a  b", 18, 17, nullptr, u"a b"},          {kComments, u"<!--ab-->x", 1, 1 + 2, "CutHTML:7", u"", true},
    };
    for (const auto& row : rows) {
        const std::string what = Show(row.input) + " failing at " + std::to_string(row.failAt);
        for (const Outcome& o : ExpectBoth(what, row.result, row.flags, [&](auto& e) { return e.ExtractText(row.input); },
                                           row.failAt, row.badAlloc)) {
            EXPECT_EQ(o.reports, row.report ? std::vector<std::string>{row.report} : std::vector<std::string>{}) << what;
            EXPECT_EQ(o.yields, row.yields) << what;
        }
    }
}

// ------------------------------------------------------ conversion context

// A page that makes every yield point run with all options on, converted.
std::string Convert(ConversionContext& context, int i, std::size_t times = 1) {
    return ClassicEngine(Options(kAllFlags), &context)
        .ExtractBytes(Repeat("<p>" + std::to_string(i) + "</p><!-- c --><script>s</script>&eacute;  a\n\n b{f}|\t", times));
}

// Threads that fail at different yields each get exactly their own report;
// the others see all their own yields and the text of a conversion alone.
TEST(ConversionContext, ThreadsKeepTheirOwnYieldsAndFailures) {
    constexpr int kThreads = 8;
    std::vector<std::string> expected;
    int expectedYields = 0;
    for (int i = 0; i < kThreads; ++i) {
        expectedYields = 0;
        ConversionContext context([&expectedYields] { ++expectedYields; });
        expected.push_back(Convert(context, i, 400));
    }
    std::vector<int> mismatches(kThreads, 0);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (--waiting; waiting.load() > 0;) std::this_thread::yield();
            for (int round = 0; round < 20; ++round) {
                int yields = 0;
                ConversionContext context([&yields, t] {
                    std::this_thread::yield();
                    if (++yields == 1 + t / 2 && t % 2 == 1) throw RuntimeError(100 + t, "thread failure");
                });
                const std::string text = Convert(context, t, 400);
                const auto& reports = context.Reports();
                if (t % 2 == 1 ? reports.size() != 1 || reports[0].error.number != 100 + t
                               : context.Failed() || text != expected[static_cast<std::size_t>(t)] ||
                                     yields != expectedYields)
                    ++mismatches[static_cast<std::size_t>(t)];
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace tessark::test
