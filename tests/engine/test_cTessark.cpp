// Behaviour of the extraction engine, case by case: each table row is an
// input, an option set and the exact expected text. Every table runs against
// every engine class of the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "EngineTestSupport.h"
#include "SpecialCharTable.h"

namespace tessark::test {
namespace {

struct Case {
    const char* name;
    unsigned flags;
    const char* input;     // UTF-8
    const char* expected;  // UTF-8
};

std::string EngineName(const EngineUnderTest& e) { return e.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Test names: engine, then the table row.
template <class Row>
std::string RowName(const ::testing::TestParamInfo<std::tuple<EngineUnderTest, Row>>& p) {
    return EngineName(std::get<0>(p.param)) + "_" + std::get<1>(p.param).name;
}

// ---------------------------------------------------------------- ExtractText

const Case kExtractCases[] = {
    {"EmptyInput", kAllFlags, "", ""},
    {"AllOffCarriageReturnBecomesSpace", 0, "a\r\nb", "a \r\nb"},
    {"AllOffTrimsOneSpaceAndOneCrLfAtEachEnd", 0, "\r\n\r\nW\r\n", " \r\nW "},
    {"SpacesOnlyGiveEmpty", 0, "     ", ""},
    {"LoneCarriageReturnJoinsLines", 0, "one\rtwo", "one two"},
    {"OneLineOfWords", kAllCRLF | kSpaces, "one two\r\n  three\r\n\r\nfour  ", "one two three four"},
    {"ResultThatIsOnlyCrLfBecomesEmpty", 0, "\n", ""},
    {"TabsAreNotTrimmed", 0, "\tx\t", "\tx\t"},
    {"MsnavigationAnyCase", 0, "aMsNaViGaTiOnb", "a b"},
    {"BlankLinesCrLf", kBlankLines, "a\r\n\r\n\r\nb", "a \r\nb"},
    {"BlankLinesKeepLineOfThreeSpaces", kBlankLines, "a\r\n   \r\nb", "a \r\n    \r\nb"},
    {"BlankLinesWithSpacesRemoveIt", kBlankLines | kSpaces, "a\r\n   \r\nb", "a \r\nb"},
    {"BlankLinesBareLineFeeds", kBlankLines, "a\n\n\nb", "a\r\nb"},
    {"BlankLinesBareLfSingleSpaceLine", kBlankLines, "a\n \nb", "a\r\nb"},
    {"AllLinesAndBlankLinesGiveOneLine", kAllCRLF | kBlankLines, "a\r\n\r\nb", "a    b"},
    {"SpacesKeepSpaceBeforeLineEnd", kSpaces, "a  \r\nb\r\n", "a \r\nb "},
    {"SpacesDoNotTouchNoBreakSpace", kSpaces, "a\xC2\xA0\xC2\xA0 b", "a\xC2\xA0\xC2\xA0 b"},
    {"TabsThenSpaces", kTabs | kSpaces, "a\t\t \tb", "a b"},
    {"AllOnTypicalPage", kAllFlags,
     "<html><head><script type=\"x\">var a;</script><style>p{}</style></head><body><!-- hi -->"
     "<p>Caf&eacute; &amp;lt; &nbsp; x</p>\r\n\r\n<b>bold</b>\tend</body></html>\r\n",
     "Caf\xC3\xA9 bold end"},
    {"AllOnKeepsDecodedBarAndLineStructure", kAllFlags & ~kAllCRLF,
     "<p>one &brvbar; two</p>\r\n\r\n<p>three</p>\r\n", "one | two \r\nthree "},
};

class ExtractTextTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, Case>> {};

TEST_P(ExtractTextTest, GivesExactText) {
    const auto& [engine, c] = GetParam();
    HookRecorder hooks;
    const std::u16string got = engine.extract(c.flags, U(c.input));
    EXPECT_EQ(Show(got), Show(U(c.expected)));
    EXPECT_TRUE(hooks.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ExtractTextTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kExtractCases)),
                         RowName<Case>);

// ------------------------------------------------------------------- CutHTML

const Case kCutCases[] = {
    {"ScriptCapitalsAttributesMixedCaseClose", kScripts, "a<SCRIPT type=\"t\">var x=1;</ScRiPt>b", "ab"},
    {"EmptyScriptElement", kScripts, "a<script></script>b", "ab"},
    {"UnclosedScriptStaysAfterCompleteOnes", kScripts, "x<script>1</script>y<script>z", "xy<script>z"},
    {"OpeningPairsWithLaterBlock", kScripts, "a<script x<script>b</script>c", "ac"},
    {"ScriptMarkerPrefixOfLongerWord", kScripts, "a<scripts>q/script>b", "ab"},
    {"ClosingMarkerWithoutLessThan", kScripts, "a<script>x/script>b", "ab"},
    {"ScriptCloseTooEarlyStays", kScripts, "a<script/script>b", "a<script/script>b"},
    {"ScriptCloseOneUnitTooEarlyStays", kScripts, "a<scriptX/script>b", "a<scriptX/script>b"},
    {"TooEarlyPairSkippedLaterBlockRemoved", kScripts, "a<script/script>b<script>c</script>d",
     "a<script/script>bd"},
    {"RemovalCreatesNewScriptAcrossJoin", kScripts, "<scr<script>x</script>ipt>y</script>z", "z"},
    {"StyleBlock", kStyles, "a<style>p{color:red}</STYLE>b", "ab"},
    {"StyleCloseTooEarlyStays", kStyles, "a<style/style>b", "a<style/style>b"},
    {"EmptyStyleElement", kStyles, "a<style></style>b", "ab"},
    {"TwoCommentsSecondMissed", kComments, "<!--ab--><!--cd-->", "< cd "},
    {"EmptyCommentLeavesLessThanAndTwoSpaces", kComments, "<!---->", "<  "},
    {"OneUnitCommentSkipped", kComments, "<!--x-->", "< x "},
    {"CommentMarkersCaseInsensitiveNoop", kComments, "a<!-- c -->b", "ab"},
    {"UnterminatedComment", kComments, "a<!--b", "a< b"},
    {"CommentInsideScriptWord", kComments | kScripts, "<scr<!--xx-->ipt>s</script>t", "t"},
    {"OneUnitCommentWithTags", kComments | kTags, "a<!--x-->b", "ab"},
    {"FunctionsDoNotNest", kFunctions, "{a{b}c}", "c}"},
    {"FunctionsClosingBeforeOpening", kFunctions, "}a{b}c{d", "}ac{d"},
    {"FunctionsJoinReference", kFunctions | kSpecial, "&am{x}p;", "&"},
    {"PipeBecomesSpace", kPipe, "a|b||c", "a b  c"},
    {"TabsBecomeSpacesOneEach", kTabs, "a\t\t\tb", "a   b"},
    {"TagsRemovedLettersJoin", kTags, "a<b>c", "ac"},
    {"UnclosedTagRemovesRest", kTags, "a<b c d", "a"},
    {"GreaterThanOutsideTagStays", kTags, "a>b", "a>b"},
    {"LessThanInsideTagDoesNotNest", kTags, "a<b<c>d>e", "ad>e"},
    {"EscapedTagRemoved", kSpecial | kTags, "x&lt;b&gt;y", "xy"},
    {"MsnavigationAlways", 0, "xMSNAVIGATIONy", "x y"},
    {"MsnavigationAfterTags", kTags, "msnav<b>igation", " "},
    {"EmptyText", kAllFlags, "", ""},
};

class CutHTMLTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, Case>> {};

TEST_P(CutHTMLTest, GivesExactText) {
    const auto& [engine, c] = GetParam();
    HookRecorder hooks;
    EXPECT_EQ(Show(engine.cut(c.flags, U(c.input))), Show(U(c.expected)));
    EXPECT_TRUE(hooks.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, CutHTMLTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kCutCases)),
                         RowName<Case>);

// ---------------------------------------------------- character references

const Case kReferenceCases[] = {
    {"OffLeavesReferences", kTags, "&nbsp;&amp;&lt;", "&nbsp;&amp;&lt;"},
    {"LettersExactCase", kSpecial, "&Eacute;&eacute;", "\xC3\x89\xC3\xA9"},
    {"LetterInCapitalsStays", kSpecial, "&EACUTE;", "&EACUTE;"},
    {"LetterWithoutSemicolonStays", kSpecial, "&Eacute", "&Eacute"},
    {"AmpAnyCase", kSpecial, "&AMP;&aMp;", "&&"},
    {"MdashExactOnly", kSpecial, "&mdash;&MDASH;", "-&MDASH;"},
    {"NbspForms", kSpecial, "[&nbsp;][&NBSP][&#160;][&nbspx]", "[ ][ ][ ][ x]"},
    {"AmpThenLt", kSpecial, "&amp;lt;", "<"},
    {"AmpThenLetterNotDecoded", kSpecial, "&amp;eacute;", "&eacute;"},
    {"AmpThenAmpOnce", kSpecial, "&amp;amp;", "&amp;"},
    {"NumericAmpThenApostrophe", kSpecial, "&#38;#39;", "'"},
    {"NumericAmpThenAmpName", kSpecial, "&#38;amp;", "&amp;"},
    {"AmpThenNumeric", kSpecial, "&amp;#65;", "A"},
    {"ChainOfNumericRows", kSpecial, "&&#35;&#54;&#53;;", "A"},
    {"DeletedReferencesJoin", kSpecial, "&#&not;&not;65;", "A"},
    {"LeadingZeroHexAndUnknownStay", kSpecial, "&#039;&#x41;&euro;&#8364;", "&#039;&#x41;&euro;&#8364;"},
    {"LineFeedReferenceGivesBr", kSpecial, "a&#10;b", "a<br>b"},
    {"LineFeedReferenceRemovedAsTag", kSpecial | kTags, "a&#10;b", "ab"},
    {"LoneLtStartsTag", kSpecial | kTags, "1 &lt; 2 and more", "1 "},
    {"DecodedBarSurvivesPipe", kSpecial | kPipe, "&brvbar;|&vdots;|&#124;", "| | |"},
    {"TabReferenceGivesSpace", kSpecial, "a&#9;b", "a b"},
    {"Approximations", kSpecial, "&copy;&#169;&trade;&#153;&reg;&#174;&frac12;&#189;",
     "(c)(c)(tm)(tm)(r)(r)1/21/2"},
    {"DeletedReferences", kSpecial, "x&not;&para;&#172;&#182;y", "xy"},
    {"Windows1250Letters", kSpecial, "&#258;&#259;&#350;&#351;&#354;&#355;",
     "\xC3\x83\xC3\xA3\xC2\xAA\xC2\xBA\xC3\x9E\xC3\xBE"},
    {"Windows1252Codes", kSpecial, "&#131;&#133;&#145;&#147;&#149;&#150;&#155;&#159;&#128;",
     "\xC6\x92...'\"o-\xE2\x80\xBA\xC5\xB8&#128;"},
    {"PrintableAsciiRange", kSpecial, "&#32;&#65;&#97;&#126;&#127;&#31;", " Aa~&#127;&#31;"},
    {"NumericIgnoreCaseRowsHaveNoLetters", kSpecial, "&#258;", "\xC3\x83"},
};

class ReferenceTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, Case>> {};

TEST_P(ReferenceTest, GivesExactText) {
    const auto& [engine, c] = GetParam();
    EXPECT_EQ(Show(engine.cut(c.flags, U(c.input))), Show(U(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(Engines, ReferenceTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kReferenceCases)),
                         RowName<Case>);

TEST(SpecialCharTable, RowsAreWellFormed) {
    std::set<std::u16string_view> seen;
    for (const SpecialCharRow& row : SpecialCharTable) {
        EXPECT_EQ(row.reference.front(), u'&');
        EXPECT_GE(row.reference.size(), 4u);
        EXPECT_LE(row.reference.size(), 8u);
        EXPECT_LE(row.replacement.size(), 4u);
        EXPECT_TRUE(seen.insert(row.reference).second) << "duplicate reference";
    }
    // Landmarks named by the yield points and the ordering rules.
    EXPECT_EQ(SpecialCharTable[62].reference, u"&amp;");
    EXPECT_EQ(SpecialCharTable[82].reference, u"&mdash;");
    EXPECT_EQ(SpecialCharTable[82].match, Match::Exact);
    EXPECT_EQ(SpecialCharTable[116].reference, u"&#38;");
    EXPECT_EQ(SpecialCharTable[316].reference, u"&nbsp");
    const char16_t* yieldBefore[] = {u"&Ntilde;", u"&eacute;", u"&uuml;", u"&mdash;", u"&#36;",
                                     u"&#75;",    u"&#116;",   u"&#167;", u"&#210;"};
    for (std::size_t i = 0; i < kSpecialCharYieldAfterRows.size(); ++i)
        EXPECT_EQ(SpecialCharTable[kSpecialCharYieldAfterRows[i]].reference, yieldBefore[i]);
    const auto ignoreCase = std::count_if(SpecialCharTable.begin(), SpecialCharTable.end(),
                                          [](const SpecialCharRow& r) { return r.match == Match::IgnoreCase; });
    EXPECT_EQ(ignoreCase, 45 + 7);  // rows 63-108 except 83, and rows 317-323
}

// ------------------------------------------------------------ ConsolidateChar

struct ConsolidateCase {
    const char* name;
    std::u16string text;
    std::u16string ch;
    std::u16string expected;
    long yields;
};

const ConsolidateCase kConsolidateCases[] = {
    {"FiveSpaces", u"a     b", u" ", u"a b", 1},
    {"TwoThousandSpaces", u"x" + std::u16string(2000, u' ') + u"y", u" ", u"x y", 2},
    {"ExactlyOneThousandTwentyFour", std::u16string(1024, u' '), u" ", u" ", 1},
    {"OneThousandTwentyFive", std::u16string(1025, u' '), u" ", u" ", 2},
    {"NoPairNoSweep", u"a b c", u" ", u"a b c", 0},
    {"LineFeeds", u"a\n\n\nb\n\nc", u"\n", u"a\nb\nc", 1},
    {"OtherCharactersUntouched", u"aa  bb", u" ", u"aa bb", 1},
    {"EmptyText", u"", u" ", u"", 0},
    {"EmptyCh", u"a  b", u"", u"", 0},
    {"TwoUnitCh", u"a  b", u"  ", u"", 0},
};

void PrintTo(const ConsolidateCase& c, std::ostream* os) { *os << c.name; }

class ConsolidateCharTest : public ::testing::TestWithParam<std::tuple<EngineUnderTest, ConsolidateCase>> {};

TEST_P(ConsolidateCharTest, ShortensRunsAndYieldsPerGroupOfSweeps) {
    const auto& [engine, c] = GetParam();
    HookRecorder hooks;
    EXPECT_EQ(Show(engine.consolidate(c.text, c.ch)), Show(c.expected));
    EXPECT_EQ(hooks.yields, c.yields);
}

INSTANTIATE_TEST_SUITE_P(Engines, ConsolidateCharTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngines()), ::testing::ValuesIn(kConsolidateCases)),
                         RowName<ConsolidateCase>);

// ------------------------------------------------------ yields and failures

class EngineHooksTest : public ::testing::TestWithParam<EngineUnderTest> {};

TEST_P(EngineHooksTest, YieldCountsFollowThePasses) {
    const EngineUnderTest& engine = GetParam();
    struct Row {
        unsigned flags;
        std::u16string input;
        long yields;
    } rows[] = {
        {0, u"", 0},                             // empty input: nothing runs
        {0, u"abc", 5 + 2},                       // CutHTML's five, ExtractText's two
        {kSpecial, u"abc", 5 + 9 + 2},            // plus nine inside the reference table
        {kSpaces, u"a  b", 5 + 1 + 2},            // one group of sweeps in the first space pass
        {kSpaces | kBlankLines, u"a\n\n\nb  c", 5 + 1 + 1 + 2},
    };
    for (const Row& row : rows) {
        HookRecorder hooks;
        engine.extract(row.flags, row.input);
        EXPECT_EQ(hooks.yields, row.yields) << Show(row.input);
    }
}

TEST_P(EngineHooksTest, FailureAtEachYieldIsReportedWhereItHappens) {
    const EngineUnderTest& engine = GetParam();
    // All options on, input "a  b": CutHTML yields 14 times, the first space
    // pass once, then ExtractText at its steps 6 and 9.
    struct Row {
        long failAt;
        std::vector<Report> reports;
        std::u16string result;
    } rows[] = {
        {1, {{"CutHTML", 5}}, u""},  {7, {{"CutHTML", 5}}, u""},          {14, {{"CutHTML", 5}}, u""},
        {15, {{"ConsolidateChar", 5}}, u""}, {16, {{"ExtractText", 5}}, u"a b"}, {17, {{"ExtractText", 5}}, u"a b"},
        {18, {}, u"a b"},
    };
    for (const Row& row : rows) {
        HookRecorder hooks(row.failAt);
        const std::u16string got = engine.extract(kAllFlags, u"a  b");
        EXPECT_EQ(hooks.reports, row.reports) << "failing yield " << row.failAt;
        EXPECT_EQ(Show(got), Show(row.result)) << "failing yield " << row.failAt;
    }
}

TEST_P(EngineHooksTest, ExhaustedMemoryIsErrorSeven) {
    const EngineUnderTest& engine = GetParam();
    HookRecorder hooks(1, /*failWithBadAlloc=*/true);
    EXPECT_EQ(engine.extract(kComments, u"<!--ab-->x"), u"");
    EXPECT_EQ(hooks.reports, (std::vector<Report>{{"CutHTML", 7}}));
}

TEST_P(EngineHooksTest, StripTagsIsLinearScan) {
    const EngineUnderTest& engine = GetParam();
    EXPECT_EQ(engine.stripTags(u""), u"");
    EXPECT_EQ(engine.stripTags(u"<a>b<c"), u"b");
    EXPECT_EQ(engine.stripTags(std::u16string(u"x\0<y>z", 6)), std::u16string(u"x\0z", 3));
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineHooksTest, ::testing::ValuesIn(AllEngines()),
                         [](const auto& p) { return EngineName(p.param); });

}  // namespace
}  // namespace tessark::test
