// The readable-text engine's tokenizer (html/HtmlTokenizer.h) on the edge
// cases of the HTML standard's tokenizer, each page tokenized whole and fed
// one byte at a time, with every implementation of the kernels that the
// processor supports. The breadth (real pages, random markup) is the
// comparison with html5lib (tokenizer_oracle.py); this table holds the cases
// where a rule is easy to get wrong.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "HtmlTokenLines.h"

namespace tessark::test {
namespace {

struct Case {
    const char* name;
    std::string page;
    std::string lines;  // HtmlTokenLines.h
};

using namespace std::string_literals;

const Case kCases[] = {
    // Character references.
    {"NamedInText", "a&amp;b&ampc&notit;&notin;&AMP&zzz;&;&", "T a&b&c\xC2\xACit;\xE2\x88\x89&&zzz;&;&\n"},
    {"LongestNameAndTwoCharacters", "&CounterClockwiseContourIntegral;&nGt;", "T \xE2\x88\xB3\xE2\x89\xAB\xE2\x83\x92\n"},
    {"LegacyNameInAttribute", "<a href='?a=1&amp=2&ampx&amp;&lt;&lt' t=&gt>",
     "S a\nA href=?a=1&amp=2&ampx&<<\nA t=>\n"},
    {"Numeric", "&#65;&#x41&#X61;&#128;&#x81;&#0;&#xD800;&#1114112;&#99999999999;&#;&#x;&#a",
     "T AAa\xE2\x82\xAC\xC2\x81\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&#;&#x;&#a\n"},
    {"CarriageReturnByReference", "&#13;", "T \\x0D\n"},
    // Tags and attributes.
    {"NamesLoweredDuplicatesDropped", "<DiV ID=a id=b CLASS='x>y' Data-X=\"1\"2>",
     "S div\nA id=a\nA class=x>y\nA data-x=1\nA 2=\n"},
    {"SelfClosingAndOddNames", "<br/><a b=c/><x =y \"q<=1 / >",
     "S br/\nS a\nA b=c/\nS x\nA =y=\nA \"q<=1\n"},
    {"NulInNamesAndValues", "<a\0 b\0=\0>x\0"s, "S a\xEF\xBF\xBD\nA b\xEF\xBF\xBD=\xEF\xBF\xBD\nT x\\x00\n"},
    {"EndTagAttributesDropped", "</p class=x></>", "E p\n"},
    {"NotATag", "a < b <1 <", "T a < b <1 <\n"},
    // Comments, bogus comments, doctypes.
    {"Comments", "<!----><!--><!---><!-- a -- b --><!--x--!><!--x--!y--><!--<!---->",
     "C \nC \nC \nC  a -- b \nC x\nC x--!y\nC <!--\n"},
    {"BogusComments", "<?php x?></1></x><![CDATA[a]]><!x><!-", "C ?php x?\nC 1\nE x\nC [CDATA[a]]\nC x\nC -\n"},
    {"Doctypes",
     "<!DOCTYPE html><!doctype HTML PUBLIC \"a\" 'b'><!DOCTYPE><!DOCTYPE x SYSTEM><!DOCTYPE x sys 'y'>"
     "<!DOCTYPE x SYSTEM 'a' junk><!DOCTYPEy PUBLIC\"p\"",
     "D html|0|-|-\nD html|0|a|b\nD |1|-|-\nD x|1|-|-\nD x|1|-|-\nD x|0|-|a\nD y|1|p|-\n"},
    // The raw-text states and the appropriate end tag.
    {"RcData", "<title>a&amp;<b></p></titlex></title >c", "S title\nT a&<b></p></titlex>\nE title\nT c\n"},
    {"RawText", "<style>&amp;</sty</style/>", "S style\nT &amp;</sty\nE style\n"},
    {"ScriptEscapes", "<script>a<!--<script>-->b</script><script><!--<script></script></script>x",
     "S script\nT a<!--<script>-->b\nE script\nS script\nT <!--<script></script>\nE script\nT x\n"},
    {"ScriptEscapedEnds", "<script><!--</script>b", "S script\nT <!--\nE script\nT b\n"},
    {"PlainText", "<plaintext></plaintext>\0"s, "S plaintext\nT </plaintext>\xEF\xBF\xBD\n"},
    {"EndOfInputInEndTag", "<textarea></textar", "S textarea\nT </textar\n"},
    // The input's preprocessing.
    {"LineEnds", "a\r\nb\rc\n\rd\r", "T a\\x0Ab\\x0Ac\\x0A\\x0Ad\\x0A\n"},
    {"ByteOrderMark", "\xEF\xBB\xBFx\xEF\xBB\xBF", "T x\xEF\xBB\xBF\n"},
    {"InvalidUtf8MaximalSubparts", "\xE2\x82x\xC0\xAF\xED\xA0\x80\xF4\x90\xF0\x9F\x98",
     "T \xEF\xBF\xBDx" + [] { std::string s; for (int k = 0; k < 8; ++k) s += "\xEF\xBF\xBD"; return s; }() + "\n"},
    // The end of the input inside a token.
    {"EndOfInput", "<a href='x", ""},
    {"EndOfInputInComment", "<!--x-", "C x\n"},
    {"EndOfInputInReference", "&amp", "T &\n"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Tokenizer : public ::testing::TestWithParam<Case> {};

TEST_P(Tokenizer, WholeAndByteByByte) {
    const Case& c = GetParam();
    for (const std::string& kernels : Kernels()) {
        const UsingKernels using_(kernels);
        EXPECT_EQ(TokenLinesOf(c.page, c.page.size() + 1), c.lines) << kernels;
        EXPECT_EQ(TokenLinesOf(c.page, 1), c.lines) << kernels << ", a byte at a time";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Tokenizer, ::testing::ValuesIn(kCases), [](const auto& p) { return std::string(p.param.name); });

// Text leaves before the input ends; what is held stays bounded.
TEST(TokenizerStream, TextLeavesAtOnceAndHeldDataIsCut) {
    TokenLines lines;
    html::HtmlTokenizer tokenizer(lines);
    lines.tokenizer = &tokenizer;
    tokenizer.Feed("hello", 5);
    lines.FlushText();
    EXPECT_EQ(lines.out, "T hello\n");
    const std::string big = "<!--" + std::string(html::HtmlTokenizer::kMaxHeldBytes + 10, 'x') + "-->";
    tokenizer.Feed(big.data(), big.size());
    tokenizer.Finish();
    EXPECT_EQ(lines.out.size(), 8 + 3 + html::HtmlTokenizer::kMaxHeldBytes);
}

}  // namespace
}  // namespace tessark::test
