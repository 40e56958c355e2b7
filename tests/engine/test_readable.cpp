// The readable-text options, case by case against every engine class: block
// tags, links, alt text and the decoding of every character reference; then
// the pieces behind them: the name table, the byte and UTF-8 forms of the
// decoding, and the tag pass run chunk by chunk with its carried state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "EngineTestSupport.h"
#include "FastReadable.h"
#include "HtmlReferences.h"
#include "Utf8.h"

namespace tessark::test {
namespace {

struct Case {
    const char* name;
    unsigned flags;
    const char* input;     // UTF-8
    const char* expected;  // UTF-8
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string RowName(const ::testing::TestParamInfo<std::tuple<EngineUnderTest, Case>>& p) {
    return std::string(std::get<0>(p.param).name) + "_" + std::get<1>(p.param).name;
}

constexpr unsigned kBlockTags = kTags | kBlocks;
constexpr unsigned kLinkTags = kTags | kLinks;
constexpr unsigned kAltTags = kTags | kAlt;
// What the modern command line's --readable chooses.
constexpr unsigned kReadablePreset =
    kComments | kScripts | kStyles | kTags | kSpaces | kBlankLines | kTabs | kSpecial | kReadableFlags;

// CutHTML's result.
const Case kCutCases[] = {
    // BreakAtBlocks
    {"BlockTagsBecomeLineFeeds", kBlockTags, "a<p>b</p>c<div class=x>d</div>", "a\nb\nc\nd\n"},
    {"BlockNamesInCapitals", kBlockTags, "<LI>Home</LI><Li>News</lI>", "\nHome\n\nNews\n"},
    {"BreakSelfClosingForms", kBlockTags, "a<br/>b<BR />c<hr>d", "a\nb\nc\nd"},
    {"LongerNameIsNoBlock", kBlockTags, "a<brx>b<pre2>c<blockquotes>d", "abcd"},
    {"LongestBlockNames", kBlockTags, "<blockquote>q</BLOCKQUOTE><figcaption>f", "\nq\n\nf"},
    {"NameEndsAtFirstOtherUnit", kBlockTags, "<p<br>x<div\nclass=y>z<h2:x>w", "\nx\nz\nw"},
    {"SpaceBeforeNameIsNoName", kBlockTags, "a< p>b</ p>c", "abc"},
    {"TableCellsBecomeTabs", kBlockTags, "<tr><td>1</td><th scope=col>2</th></tr>", "\n\t1\t2\n"},
    {"OtherTagsStillGo", kBlockTags, "<span>a</span><span>b</span><!DOCTYPE html>", "ab"},
    {"UnclosedBlockTagRemovesTheRest", kBlockTags, "a<br b", "a"},
    {"BlocksNeedRemoveAllTags", kBlocks, "<p>a</p>", "<p>a</p>"},
    // KeepLinks
    {"LinkGetsUrl", kLinkTags, "<a href=\"http://e.com/x\">Ex</a>.", "Ex [http://e.com/x]."},
    {"LinkQuotesAndCase", kLinkTags, "<A HREF='u1'>t</A><a\thref=u2 class=c>s</a>", "t [u1]s [u2]"},
    {"LinkSpacesAroundEquals", kLinkTags, "<a  href = \"u\" >t</a>", "t [u]"},
    {"LinkUrlTrimmed", kLinkTags, "<a href=\" u \">t</a>", "t [u]"},
    {"LinkFragmentAndScriptSkipped", kLinkTags, "<a href=\"#top\">T</a><a href='JavaScript:go()'>G</a>", "TG"},
    {"LinkEmptyUrlSkipped", kLinkTags, "<a href=\"\">E</a><a href>F</a>", "EF"},
    {"LinkTextSameAsUrlSkipped", kLinkTags, "<a href=\"http://e.com\">\n http://e.com </a>", "\n http://e.com "},
    {"LinkTextLongerThanUrl", kLinkTags, "<a href=\"ab\">ab c</a>", "ab c [ab]"},
    {"ClosingWithoutOpeningWritesNothing", kLinkTags, "x</a>y", "xy"},
    {"UrlUsedOnce", kLinkTags, "<a href=u>x</a></a>", "x [u]"},
    {"LatestOpeningLinkCounts", kLinkTags, "<a href=1>x<a href=2>y</a>z</a>", "xy [2]z"},
    {"LinkWithoutHref", kLinkTags, "<a href=u>x<a name=n>y</a>", "xy"},
    {"FirstOfTwoHrefsCounts", kLinkTags, "<a href=u title=t HREF=v>t</a>", "t [u]"},
    {"GreaterThanInQuotedHrefEndsTag", kLinkTags, "<a href=\"a>b\">t</a>", "b\">t [a]"},
    {"NameStartingWithAIsNoLink", kLinkTags, "<abbr href=x>y</abbr><area href=z>", "y"},
    {"UnclosedLinkTagRemovesTheRest", kLinkTags, "x<a href=u", "x"},
    {"LinksNeedRemoveAllTags", kLinks, "<a href=u>x</a>", "<a href=u>x</a>"},
    // KeepAltText
    {"ImageBecomesAltText", kAltTags, "x<img src=a alt=\"A cat\">y", "x A cat y"},
    {"AltQuotesAndCase", kAltTags, "<IMG ALT='Logo'/><img alt=one two>", " Logo  one "},
    {"ImageWithoutAlt", kAltTags, "a<img src=x>b<img alt>c<img alt=\"\">d", "abcd"},
    {"ClosingImageWritesNothing", kAltTags, "</img alt=x>", ""},
    {"GreaterThanInQuotedAltEndsTag", kAltTags, "<img alt=\"a>b\">", " a b\">"},
    {"AltTextIsLinkText", kAltTags | kLinks, "<a href=p.png><img alt=p.png></a><a href=q><img alt=Q></a>",
     " p.png  Q  [q]"},
    // DecodeAllReferences
    {"LongestNameWins", kDecode, "&notin;|&not|&notit;|&not;x", "\xE2\x88\x89|\xC2\xAC|\xC2\xACit;|\xC2\xACx"},
    {"NamesAreCaseSensitive", kDecode, "&AMP;&AMP&NBSP;&Amp;", "&&&NBSP;&Amp;"},
    {"LegacyNameBeforeLetters", kDecode, "&ampx &amp &copyright", "&x & \xC2\xA9right"},
    {"SupplementaryCharacter", kDecode, "&#x1F600;&#128512;&Afr;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9D\x94\x84"},
    {"ZeroSurrogateAndTooLarge", kDecode, "&#0;&#xD800;&#1114112;&#99999999999999999999;",
     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Windows1252Numbers", kDecode, "&#150;&#x80;&#x81;&#159;", "\xE2\x80\x93\xE2\x82\xAC\xC2\x81\xC5\xB8"},
    {"NumericWithoutSemicolon", kDecode, "&#65&#x42;&#X43x", "ABCx"},
    {"NoDigitsNoReference", kDecode, "&#;&#x;&#xg;&# 1", "&#;&#x;&#xg;&# 1"},
    {"UnknownNamesStay", kDecode, "&euro;&unknown;& x&&;&", "\xE2\x82\xAC&unknown;& x&&;&"},
    {"DecodedOnlyOnce", kDecode, "&amp;lt;&amp;amp;&#38;#65;", "&lt;&amp;&#65;"},
    {"NoBreakSpaceBecomesSpace", kDecode, "[&nbsp;&#160;&#xA0;&NonBreakingSpace;&nbsp]", "[     ]"},
    {"TwoCharacterName", kDecode, "&nGt;", "\xE2\x89\xAB\xE2\x83\x92"},
    {"LongestName", kDecode, "&CounterClockwiseContourIntegral;", "\xE2\x88\xB3"},
    {"EscapedTagStaysText", kDecode | kTags, "<b>&lt;div&gt;</b>", "<div>"},
    {"TableDoesNotRun", kDecode | kSpecial, "&mdash;&copy;&#10;", "\xE2\x80\x94\xC2\xA9\n"},
    {"DecodingWithoutTagRemoval", kDecode, "<b>&lt;</b>", "<b><</b>"},
    {"UrlAndAltDecodedAfterTags", kDecode | kLinkTags | kAlt, "<a href=\"?a=1&amp;b=2\">x</a><img alt=\"&lt;&gt;\">",
     "x [?a=1&b=2] <> "},
};

class ReadableCutTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, Case>> {};

TEST_P(ReadableCutTest, GivesExactText) {
    const auto& [engine, c] = GetParam();
    HookRecorder hooks;
    EXPECT_EQ(Show(engine.cut(c.flags, U(c.input))), Show(U(c.expected)));
    EXPECT_TRUE(hooks.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ReadableCutTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kCutCases)),
                         RowName);

// ExtractText's result: the later line and space passes treat the new LF and
// TAB like any other.
const Case kExtractCases[] = {
    {"MenuReadsAsLines", kReadablePreset, "<ul>\r\n  <li>Home</li>\r\n  <li>News</li>\r\n</ul>", "Home\r\nNews"},
    {"MinifiedMenuReadsAsLines", kReadablePreset, "<ul><li>Home</li><li>News</li></ul>", "Home\r\nNews"},
    {"TableRowIsTabSeparated", kReadablePreset, "<table><tr><td>a</td><td>b</td></tr></table>", "\ta\tb"},
    {"OneLineKeepsWordsApart", kTags | kBlocks | kAllCRLF | kSpaces, "<p>one</p><p>two</p>", "one two"},
    {"NoBreakSpacesCollapse", kDecode | kSpaces, "a&nbsp;&nbsp; b", "a b"},
    {"PresetOnAPage", kReadablePreset,
     "<html><head><title>T&rsquo;s</title><style>p{}</style><script>x</script></head><body>"
     "<h1>Caf&eacute;</h1><p>See <a href=\"/more\">more&hellip;</a><img alt=\"[pic]\"></p></body></html>",
     "T\xE2\x80\x99s\r\nCaf\xC3\xA9\r\nSee more\xE2\x80\xA6 [/more] [pic] "},
    {"OffChangesNothing", kAllFlags, "<p>a&notin;</p><a href=u>b</a>", "a&notin;b"},
};

class ReadableExtractTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, Case>> {};

TEST_P(ReadableExtractTest, GivesExactText) {
    const auto& [engine, c] = GetParam();
    EXPECT_EQ(Show(engine.extract(c.flags, U(c.input))), Show(U(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(Engines, ReadableExtractTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kExtractCases)),
                         RowName);

// ------------------------------------------------------------- byte forms

TEST(ReadableBytes, CharactersTheCodePageLacksBecomeOneQuestionMarkEach) {
    cTessark e;
    e.DecodeAllReferences = True;
    EXPECT_EQ(e.ExtractBytes("&#x1F600;x&notin;&eacute;&#150;&nGt;"), "?x?\xE9\x96??");
}

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        AppendUtf8(out, c);
    }
    return out;
}

std::string DecodeUtf8(std::string bytes, int* grows) {
    std::string buffer = bytes;
    const std::size_t len = fast::DecodeAllReferencesUtf8(
        reinterpret_cast<unsigned char*>(buffer.data()), buffer.size(), [&](std::size_t size) {
            ++*grows;
            buffer.resize(size);
            return reinterpret_cast<unsigned char*>(buffer.data());
        });
    buffer.resize(len);
    return buffer;
}

// UTF-8 output can need more room than the reference: "&nGt;" is five bytes
// and gives six. Whatever comes first, the result is the UTF-8 form of the
// 16-bit decoding.
TEST(ReadableBytes, Utf8DecodingGrowsWhenItMust) {
    struct Row {
        const char* page;
        int grows;
    };
    const Row rows[] = {
        {"&nGt;", 1},           {"&nGt;&nLt;x", 1},   {"x&amp;&amp;&nGt;", 0}, {"&nGt;&amp;&amp;", 0},
        {"&nLt;&nGt;&amp;", 0}, {"caf&eacute; &#x1F600;", 0}, {"&#65536;&#x10000", 0}, {"", 0},
    };
    for (const Row& row : rows) {
        std::u16string wide(row.page, row.page + std::char_traits<char>::length(row.page));
        wide.resize(fast::DecodeAllReferences(wide.data(), wide.size()));
        int grows = 0;
        EXPECT_EQ(DecodeUtf8(row.page, &grows), Utf8(wide)) << row.page;
        EXPECT_EQ(grows, row.grows) << row.page;
    }
    // Every name of the list, in a row.
    std::string all;
    for (const HtmlEntity& e : kHtmlEntities) all += "&" + std::string(e.name) + (e.name.back() == ';' ? "" : " ");
    std::u16string wide(all.begin(), all.end());
    wide.resize(fast::DecodeAllReferences(wide.data(), wide.size()));
    int grows = 0;
    EXPECT_EQ(DecodeUtf8(all, &grows), Utf8(wide));
}

// ---------------------------------------------------------- the name table

TEST(HtmlEntityTable, SortedAndComplete) {
    EXPECT_EQ(kHtmlEntities.size(), 2231u);
    EXPECT_TRUE(std::is_sorted(kHtmlEntities.begin(), kHtmlEntities.end(),
                               [](const HtmlEntity& a, const HtmlEntity& b) { return a.name < b.name; }));
    EXPECT_EQ(std::adjacent_find(kHtmlEntities.begin(), kHtmlEntities.end(),
                                 [](const HtmlEntity& a, const HtmlEntity& b) { return a.name == b.name; }),
              kHtmlEntities.end());
    const auto legacy = std::count_if(kHtmlEntities.begin(), kHtmlEntities.end(),
                                      [](const HtmlEntity& e) { return e.name.back() != ';'; });
    EXPECT_EQ(legacy, 106);
    ASSERT_NE(FindHtmlEntity("amp;"), nullptr);
    EXPECT_EQ(FindHtmlEntity("amp;")->first, U'&');
    ASSERT_NE(FindHtmlEntity("nGt;"), nullptr);
    EXPECT_EQ(FindHtmlEntity("nGt;")->second, char32_t{0x20D2});
    EXPECT_EQ(FindHtmlEntity("notin"), nullptr);
    EXPECT_EQ(FindHtmlEntity(""), nullptr);
}

// ------------------------------------------------------ tag pass in chunks

// A streaming engine cuts the text anywhere (after an LF, but tags can hold
// LF) and runs the tag pass chunk by chunk, carrying the state: the result
// must be the whole text's, wherever the cuts fall.
TEST(ReadableTagsInChunks, SameResultWhereverTheCutsFall) {
    const std::u16string pages[] = {
        u"<ul>\n<li>Home</li><li>News</li></ul>",
        u"x<a href=\"http://example.com/a\">a\nlink</a> and <a href=u>u</a></a>!",
        u"<a href=\"http://example.com/same\">http://example.com/same</a>.",
        u"<img src=x alt=\"A long alternative text\"><td>c</td><br/><brx>",
        u"<a href=\"long-url-that-is-longer-than-its-chunk\">t</a><p>",
        u"a<a href=\"x>y\">t</a>z<img alt='unterminated",
    };
    const fast::ReadableTagOptions options{true, true, true};
    for (const std::u16string& page : pages) {
        std::u16string whole = page;
        whole.resize(fast::ReadableTags(whole.data(), whole.size(), options));
        for (std::size_t cut1 = 0; cut1 <= page.size(); ++cut1)
            for (std::size_t cut2 = cut1; cut2 <= page.size(); cut2 += 3) {
                fast::ReadableTagState<char16_t> state;
                std::u16string result;
                for (const auto& [b, e] : {std::pair{std::size_t{0}, cut1}, std::pair{cut1, cut2},
                                           std::pair{cut2, page.size()}}) {
                    // room as the header asks
                    std::u16string chunk = page.substr(b, e - b);
                    const std::size_t n = chunk.size();
                    chunk.resize(n + state.tag.size() + state.url.size() + 8);
                    chunk.resize(fast::ReadableTags(chunk.data(), n, options, state));
                    result += chunk;
                }
                ASSERT_EQ(Show(result), Show(whole)) << Show(page) << " cut at " << cut1 << ", " << cut2;
            }
    }
}

}  // namespace
}  // namespace tessark::test
