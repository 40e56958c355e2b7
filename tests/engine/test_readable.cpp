// The readable-text engine (engine/readable): tree building and layout,
// construct by construct, each page converted whole and fed in pieces;
// address resolution; bounds on hostile pages; yields and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "ConversionContext.h"
#include "DifferentialInput.h"
#include "readable/ReadableText.h"
#include "readable/Url.h"

namespace tessark {
namespace {

using Links = ReadableOptions::Links;
using test::Repeat;

struct Case {
    const char* name;
    std::string html;
    std::string text;
    ReadableOptions options = {};
};

ReadableOptions With(Links links, std::string base = {}) {
    ReadableOptions o;
    o.links = links;
    o.baseUrl = std::move(base);
    return o;
}
ReadableOptions Width(std::size_t width) {
    ReadableOptions o;
    o.width = width;
    return o;
}

// What left while `html` was fed in pieces of `piece` bytes, and then all
// of it once finished.
std::pair<std::string, std::string> Fed(const std::string& html, const ReadableOptions& options = {}, std::size_t piece = SIZE_MAX) {
    std::string out;
    ReadableConverter converter(options, nullptr, [&out](const char* d, std::size_t n) { out.append(d, n); });
    for (std::size_t i = 0; i < html.size(); i += piece) converter.Feed(html.data() + i, std::min(piece, html.size() - i));
    std::string before = out;
    converter.Finish();
    return {std::move(before), std::move(out)};
}
std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Layout : public testing::TestWithParam<Case> {};

TEST_P(Layout, WholeAndInPieces) {
    const Case& c = GetParam();
    EXPECT_EQ(ReadableText(c.html, c.options), c.text);
    for (std::size_t piece : {1u, 7u}) EXPECT_EQ(Fed(c.html, c.options, piece).second, c.text) << "pieces of " << piece;
}

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

const std::string kDashes(40, '-');

INSTANTIATE_TEST_SUITE_P(Whitespace, Layout, testing::Values(
    Case{"Collapsed", "<p>  a \t\n b  </p>\n\n", "a b\n"},
    Case{"AcrossInlineTags", "a <b> b </b> <i>c</i>d", "a b cd\n"},
    Case{"NoBreakSpaceIsASpace", "a&nbsp;&nbsp;b", "a  b\n"},
    Case{"InvisibleDropped", "a&shy;b\xE2\x80\x8B" "c\xE2\x80\x8C" "d\xE2\x81\xA0" "e\xEF\xBB\xBF" "f", "abcdef\n"},
    Case{"InvalidUtf8Replaced", "a\xFF" "b\xE2\x82" "c", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\n"},
    Case{"EmptyPageGivesNothing", "<html><head><title>x</title></head><body> \n </body></html>", ""},
    Case{"NoSpacesAtLineEnds", "<pre>a  \t\nb </pre>", "a\nb\n"},
    Case{"PreVerbatim", "<p>a<pre>\n  b  c\n\n\td\n</pre>e", "a\n\n  b  c\n\n        d\n\ne\n"},
    Case{"TabAfterNormalText", "<table><td>y z<textarea>\tl</textarea></table>", "y z     l\n"},
    Case{"TextareaInline", "x<textarea>\n<p>y</p>\n</textarea>z", "x <p>y</p>\nz\n"},
    Case{"CrLf", "<p>a<br>b<p>c", "a\r\nb\r\n\r\nc\r\n", [] { ReadableOptions o; o.crlf = true; return o; }()}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Blocks, Layout, testing::Values(
    Case{"DivBreaksParagraphSeparates", "<div>a</div><div>b</div><p>c</p><p>d", "a\nb\n\nc\n\nd\n"},
    Case{"PClosedByBlock", "<p>a<div>b</div><p>c<h2>d</h2>e", "a\n\nb\n\nc\n\nd\n\ne\n"},
    Case{"LineBreaks", "a<br>b<br><br>c<p>d<br></p>e", "a\nb\n\nc\n\nd\n\ne\n"},
    Case{"NeverTwoBlankLines", "<p>a</p><p></p><br><br><p> </p><h1>b</h1><pre>   </pre><p>&nbsp;</p><p>c", "a\n\nb\n\nc\n"},
    Case{"RuleOnItsOwnLine", "a<hr>b", "a\n" + kDashes + "\nb\n"},
    Case{"BlockquoteIndented", "<p>a<blockquote>q<p>r</blockquote>b", "a\n\n    q\n\n    r\n\nb\n"},
    Case{"MisnestedInline", "<b><p>x</b>y</p>z<i>1<div>2</i>3</div>", "xy\n\nz1\n23\n"},
    Case{"StrayEndTagsIgnored", "</div></li></td></table>a</p>b", "a\n\nb\n"},
    Case{"LateHeadIgnored", "z<head> w<title>t</title>", "z w\n"},
    Case{"TextAfterBody", "<body>a</body>b</html>c", "abc\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Lists, Layout, testing::Values(
    Case{"BulletsByDepth", "<ul><li>a<ul><li>b<ul><li>c</ul></ul><li>d</ul>", "  * a\n    + b\n      - c\n  * d\n"},
    Case{"ListIsAParagraph", "x<ul><li>a</ul>y", "x\n\n  * a\n\ny\n"},
    Case{"Numbered", "<ol><li>a<li>b</ol>", "  1. a\n  2. b\n"},
    Case{"StartAndValue", "<ol start=3><li>a<li value=10>b<li>c</ol>", "  3. a\n  10. b\n  11. c\n"},
    Case{"Letters", "<ol type=a start=26><li>z<li>aa</ol><ol type=A><li>x</ol>", "  z. z\n  aa. aa\n\n  A. x\n"},
    Case{"Romans", "<ol type=i start=3><li>a<li>b</ol><ol type=I start=1999><li>c</ol>", "  iii. a\n  iv. b\n\n  MCMXCIX. c\n"},
    Case{"ReversedWithStart", "<ol reversed start=2><li>a<li>b</ol>", "  2. a\n  1. b\n"},
    Case{"ReversedCounted", "<ol reversed><li>a<ol reversed type=i><li>b<li>c</ol><li>d<li>e</ol>f",
         "  3. a\n      ii. b\n      i. c\n  2. d\n  1. e\n\nf\n"},
    Case{"LaterLinesUnderTheText", "<ul><li>aaa bbb ccc</ul>", "  * aaa\n    bbb\n    ccc\n", Width(8)},
    Case{"DefinitionList", "<dl><dt>t<dd>d1<dt>u<dd>d2</dl>", "t\n    d1\nu\n    d2\n"},
    Case{"UnclosedItems", "<ul><li>a<p>b<li>c</ul>", "  * a\n\n    b\n\n  * c\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Tables, Layout, testing::Values(
    Case{"Columns", "<table><tr><td>a<td>bbb<td>c<tr><td>dd<td>e<td>f</table>", "a   bbb  c\ndd  e    f\n"},
    Case{"ImpliedRowsAndCells", "<table><td>a<td>b<tr><th>c<th>d</table>", "a  b\nc  d\n"},
    Case{"Caption", "<table><caption>Cap</caption><tr><td>a<td>b</table>", "Cap\na  b\n"},
    Case{"ColspanWidensLastColumn", "<table><tr><td>a<td>b<tr><td colspan=2>wide cell<td>c</table>",
         "a  b\nwide cell  c\n"},
    Case{"RowspanKeepsColumn", "<table><tr><td rowspan=2>a<td>b<tr><td>c</table>", "a  b\n   c\n"},
    Case{"WideCharacters", "<table><tr><td>\xE6\xBC\xA2\xE5\xAD\x97<td>x<tr><td>ab<td>y</table>",
         "\xE6\xBC\xA2\xE5\xAD\x97  x\nab    y\n"},
    Case{"CombiningMarks", "<table><tr><td>e\xCC\x81<td>x<tr><td>ab<td>y</table>", "e\xCC\x81   x\nab  y\n"},
    Case{"Nested", "<table><tr><td><table><tr><td>a<td>b<tr><td>c<td>d</table><td>e</table>", "a  b  e\nc  d\n"},
    Case{"TextMovedBefore", "<table>moved<tr><td>a<td>b</table>", "moved\n\na  b\n"},
    Case{"LayoutTableReadCellByCell", "<table><tr><td>Home<br>News<td><h1>Title</h1><p>Body</table>",
         "Home\nNews\n\nTitle\n\nBody\n"},
    Case{"TooWideRowsOnOneLine", "<table><tr><td>a<td>" + std::string(200, 'b') + "<tr><td>c<td>d<br>e</table>",
         "a  " + std::string(200, 'b') + "\nc\n\nd\ne\n"},
    Case{"OneParagraphInADataTable", "<table><tr><td>a<td>b<tr><td>c<td>d<tr><td>e<td><p>f</table>", "a  b\nc  d\ne  f\n"},
    Case{"OneColumnReadsAsParagraphs", "<table><tr><td>a b<tr><td>c</table>", "a b\nc\n"},
    Case{"TableIsAParagraph", "x<table><tr><td>a</table>y", "x\n\na\n\ny\n"},
    // Past 32 tables deep, a table's rows and cells are blocks in the cell around it.
    Case{"DeepTablesReadAsBlocks",
         Repeat("<table><tr><td>", 32) + "<table><tr><td>a<td>b<tr><td>c</table><td>d" + Repeat("</table>", 32),
         "a  d\nb\nc\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Links, Layout, testing::Values(
    Case{"TextOnly", "<a href='/x'>a</a> b", "a b\n"},
    Case{"Inline", "<a href='/x'>a</a> b", "a [http://h/x] b\n", With(Links::Inline, "http://h/d/p")},
    Case{"List", "<a href='x'>a </a>b <a href='//o/y'>c</a>",
         "a[1] b c[2]\n\nReferences\n\n   1. http://h/d/x\n   2. http://o/y\n", With(Links::List, "http://h/d/p")},
    Case{"BaseElementFirst", "<base href='http://b/q/'><base href='http://z/'><a href='r'>a</a>",
         "a[1]\n\nReferences\n\n   1. http://b/q/r\n", With(Links::List, "http://h/")},
    Case{"FragmentsAndScriptsSkipped", "<a href='#top'>a</a> <a href=' JavaScript:go()'>b</a>", "a b\n", With(Links::List)}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(ImagesAndForms, Layout, testing::Values(
    Case{"AltText", "<img src=a alt=Home><img src=b alt=Help><img src=c>x", "Home Help x\n"},
    Case{"AltTextOff", "a<img alt=Home>b", "ab\n", [] { ReadableOptions o; o.altText = false; return o; }()},
    Case{"Controls", "<input value=v><input type=hidden value=h><input type=checkbox checked><button>Go</button>",
         "[v] [x] [Go]\n"},
    Case{"SelectShowsSelected", "<select><option>a<option selected>b<option selected>c</select><select><option>d</select>",
         "[b] [d]\n"},
    Case{"EmptyButtonNothing", "a <button></button> b<button><img src=x></button>", "a b\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Hidden, Layout, testing::Values(
    Case{"HeadAndScripts", "<head><title>t</title><style>s</style></head><script>x<p>y</script>a<!-- c -->b", "ab\n"},
    Case{"HiddenAttribute", "a<div hidden>b<p>c</p></div>d", "ad\n"},
    Case{"InlineStyle", "a<span style='DISPLAY: none'>b</span><i style='x:1;visibility:hidden'>c</i>d", "ad\n"},
    Case{"TemplateAndIframe", "a<template>b</template><iframe>c</iframe>d", "ad\n"},
    Case{"NoscriptShown", "a<noscript>b</noscript>", "ab\n"},
    Case{"SelfClosingSvg", "a<svg/>b<svg><title>t</title><rect/></svg>c", "abc\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Wrapping, Layout, testing::Values(
    Case{"AtWidth", "<p>aaa bbb ccc ddd</p>", "aaa bbb\nccc ddd\n", Width(7)},
    Case{"LongWordAlone", "<p>a verylongword b</p>", "a\nverylongword\nb\n", Width(5)},
    Case{"QuoteKeepsIndent", "<blockquote>aa bb cc</blockquote>", "    aa\n    bb\n    cc\n", Width(7)},
    Case{"PreNotWrapped", "<pre>aaa bbb ccc</pre>", "aaa bbb ccc\n", Width(5)}),
    CaseName);

struct UrlCase {
    const char* base;
    const char* reference;
    const char* resolved;
};
class Resolution : public testing::TestWithParam<UrlCase> {};
TEST_P(Resolution, AsTheRfcSays) {
    EXPECT_EQ(readable::ResolveUrl(GetParam().base, GetParam().reference), GetParam().resolved);
}
// RFC 3986 5.4's examples, and the edges around them.
INSTANTIATE_TEST_SUITE_P(Urls, Resolution, testing::Values(
    UrlCase{"http://a/b/c/d;p?q", "g:h", "g:h"}, UrlCase{"http://a/b/c/d;p?q", "g", "http://a/b/c/g"},
    UrlCase{"http://a/b/c/d;p?q", "./g", "http://a/b/c/g"}, UrlCase{"http://a/b/c/d;p?q", "g/", "http://a/b/c/g/"},
    UrlCase{"http://a/b/c/d;p?q", "/g", "http://a/g"}, UrlCase{"http://a/b/c/d;p?q", "//g", "http://g"},
    UrlCase{"http://a/b/c/d;p?q", "?y", "http://a/b/c/d;p?y"}, UrlCase{"http://a/b/c/d;p?q", "g?y#s", "http://a/b/c/g?y#s"},
    UrlCase{"http://a/b/c/d;p?q", "", "http://a/b/c/d;p?q"}, UrlCase{"http://a/b/c/d;p?q", ".", "http://a/b/c/"},
    UrlCase{"http://a/b/c/d;p?q", "..", "http://a/b/"}, UrlCase{"http://a/b/c/d;p?q", "../..", "http://a/"},
    UrlCase{"http://a/b/c/d;p?q", "../../../g", "http://a/g"}, UrlCase{"http://a/b/c/d;p?q", "/./g", "http://a/g"},
    UrlCase{"http://a/b/c/d;p?q", "g;x=1/../y", "http://a/b/c/y"}, UrlCase{"http://a", "g", "http://a/g"},
    UrlCase{"", " rel/x\n ", "rel/x"}, UrlCase{"http://a/b", " x\ty ", "http://a/xy"}));

// Hostile pages: each runs in linear time (the suite's time limit would
// catch a quadratic one) and gives the text it should.

TEST(Bounds, AMillionUnclosedElements) {
    EXPECT_EQ(ReadableText(Repeat("<span>", 1000000) + "x" + Repeat("</b>", 1000000)), "x\n");
    EXPECT_EQ(ReadableText(Repeat("<div>", 1000000) + "x" + Repeat("</div>", 1000000) + "y"), "x\ny\n");
    const std::string deep = ReadableText(Repeat("<li><ol>", 200000) + "x");
    EXPECT_EQ(deep.find('\n'), deep.size() - 1);
    EXPECT_TRUE(deep.ends_with(" 1. x\n"));
    EXPECT_LT(deep.size(), 100u) << "indentation stops growing";
}

TEST(Bounds, AMillionCellsAreWrittenRowByRowPastTheLimit) {
    const auto [before, after] = Fed("<table>" + Repeat("<tr><td>a" + std::string(50, 'b') + "<td>c", 200000));
    EXPECT_GT(Lines(before), 0u) << "rows are written before the table ends";
    EXPECT_NEAR(static_cast<double>(Lines(after)), 200000.0, 1.0) << "a row cut where the limit is reached, at most";
    EXPECT_GT(Lines(Fed("<table>" + Repeat("<td>x", 1000000)).first), 0u) << "a million cells in one row";
}

TEST(Streaming, OutputLeavesBeforeTheEnd) {
    EXPECT_EQ(Fed("<p>first</p><div>second</div><p>th"), std::make_pair(std::string("first\n\nsecond\n"), std::string("first\n\nsecond\n\nth\n")));
    const std::string words = Repeat("word  ", 100000);  // one endless line
    const auto [before, after] = Fed(words + words, {}, words.size());
    EXPECT_GT(before.size(), 400000u);
    EXPECT_EQ(after, Repeat("word ", 200000 - 1) + "word\n");
}

// A page fed whole yields once per megabyte (the job feeds smaller blocks);
// a failing yield fails the conversion once, under its own name.
TEST(Context, YieldsPerMegabyteAndReportsOnce) {
    const std::string page = Repeat("<p>word word</p>", 300000);  // 4.8 MB
    int yields = 0;
    ConversionContext counting([&yields] { ++yields; });
    ReadableConverter a({}, &counting, [](const char*, std::size_t) {});
    EXPECT_TRUE(a.Feed(page.data(), page.size()));
    EXPECT_GE(yields, static_cast<int>(page.size() / ReadableConverter::kYieldBytes));

    int calls = 0;
    ConversionContext failing([&calls] {
        if (++calls == 2) throw std::runtime_error("stop");
    });
    ReadableConverter b({}, &failing, [](const char*, std::size_t) {});
    EXPECT_FALSE(b.Feed(page.data(), page.size()));
    EXPECT_TRUE(b.Failed());
    EXPECT_FALSE(b.Feed("x", 1));
    EXPECT_FALSE(b.Finish());
    ASSERT_EQ(failing.Reports().size(), 1u);
    EXPECT_EQ(failing.Reports()[0].source, "ReadableText");
}

}  // namespace
}  // namespace tessark
