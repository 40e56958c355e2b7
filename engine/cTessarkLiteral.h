// cTessarkLiteral: the extraction engine written step by step as each pass is
// defined, rescanning and rebuilding strings exactly as the definition reads.
// It is the reference the fast engine cTessark is proved against (the tests
// and the differential fuzzer compare the two on every option set); the
// program itself uses cTessark.
//
// Same public interface as cTessark: the options are plain public
// fields, 16-bit Booleans (-1 true, 0 false; any non-zero value counts as
// on), all false on a new object, and ExtractText turns the text of a page
// into plain text:
//
//   CutHTML: comment, script, style and brace blocks are removed; pipes and
//            tabs become spaces; the character-reference table is applied
//            (ReplaceSpecialChars); tags are stripped (StripTags); leftover
//            comment markers and the word "msnavigation" become spaces.
//   then:    CR becomes a space; the line-break, space and blank-line options
//            are applied (ConsolidateChar); LF becomes CR LF; the ends are
//            trimmed.
//
// Four more options, all off by default (with them off every result is
// exactly the classic one), make the text readable. They act in CutHTML:
//   BreakAtBlocks, KeepLinks, KeepAltText: only with RemoveAllTags, in its
//            tag removal step, which then replaces some tags instead of
//            deleting them (block tags by LF, an opening td or th by TAB,
//            the closing tag of a link by " [URL]", an img by its alt text
//            between spaces;
//            FastReadable.h has the exact rules).
//   DecodeAllReferences: the 323-row table step does not run (whatever
//            GenerateSpecialChars says, and without its yields); instead,
//            right after the tag removal step (and before the comment
//            markers and "msnavigation" are replaced), every character
//            reference is decoded once, as HTML does in text content
//            (HtmlReferences.h). So "&lt;div&gt;" stays as the text "<div>",
//            "&amp;lt;" becomes "&lt;", and a no-break space becomes a plain
//            space. It does not need GenerateSpecialChars.
//
// Each block pass rescans from the start after every removal and builds a
// new string per removal, and the reference table makes 323 whole-text
// passes: its cost grows with blocks times length. Keep it that way; it is
// the oracle.
//
// Failures (exhausted memory, a throwing yield hook) never reach the caller:
// each pass traps them, reports them through the error hook under its own
// name and returns what the definition says (see EngineHooks.h).
#pragma once

#include <cstdint>
#include <string>

#include "EngineTypes.h"

namespace tessark {

class cTessarkLiteral {
public:
    // Declaration order is part of the interface.
    Boolean RemoveComments = False;        // "<!--" ... "-->" blocks; stray "!--", "-->"
    Boolean RemoveScripts = False;         // "<script" ... "/script>" blocks
    Boolean RemoveStyles = False;          // "<style" ... "/style>" blocks
    Boolean RemoveFunctions = False;       // "{" ... "}" spans
    Boolean RemovePipe = False;            // "|" becomes a space
    Boolean RemoveTabs = False;            // TAB becomes a space
    Boolean GenerateSpecialChars = False;  // character references become characters
    Boolean RemoveAllTags = False;         // "<" ... ">" removed
    Boolean RemoveAllCRLF = False;         // every LF becomes a space
    Boolean RemoveSpaces = False;          // runs of spaces become one space
    Boolean RemoveBlankLines = False;      // blank lines are removed
    // Readable text, each acting in CutHTML (see below):
    Boolean BreakAtBlocks = False;         // with RemoveAllTags: block tags become LF, td/th TAB
    Boolean KeepLinks = False;             // with RemoveAllTags: "</a>" becomes " [URL]"
    Boolean KeepAltText = False;           // with RemoveAllTags: "<img alt=x>" becomes " x "
    Boolean DecodeAllReferences = False;   // every HTML character reference, once, after the tags

    // Turns the complete text of a page into plain text. Never throws; on a
    // failure it reports "ExtractText" and returns the text as the last
    // completed step left it (empty when a private pass failed).
    std::u16string ExtractText(const std::u16string& sIn);

private:
    friend struct cTessarkTestAccess;

    // Block, reference and tag removal. Reports "CutHTML" and returns the
    // empty string on a failure (including one inside StripTags).
    std::u16string CutHTML(const std::u16string& text);
    // Shortens every run of ch to one unit. ch must be exactly one unit,
    // otherwise the result is empty. Reports "ConsolidateChar" and returns
    // the empty string on a failure.
    std::u16string ConsolidateChar(std::u16string text, const std::u16string& ch);
    // Everything from "<" to the next ">" removed, delimiters included.
    std::u16string StripTags(const std::u16string& text);
    // Applies the 323 rows of SpecialCharTable in order, in place.
    void ReplaceSpecialChars(std::u16string& text);
    // StripTags with BreakAtBlocks, KeepLinks and KeepAltText: each tag is
    // looked at before it goes, and some leave a replacement.
    std::u16string ReadableTags(const std::u16string& text) const;
    // What the tag `tag` (the units between "<" and ">") leaves in `out`, the
    // text written so far; url and linkStart follow the latest opening "a".
    std::u16string TagReplacement(const std::u16string& tag, const std::u16string& out, std::u16string& url,
                                  std::size_t& linkStart) const;
    // Every character reference decoded once, left to right (DecodeAllReferences).
    static std::u16string DecodeReferences(const std::u16string& text);

    std::u16string CommentPass(std::u16string text);
    std::u16string BlockPass(std::u16string text, std::u16string_view open,
                             std::u16string_view close, std::size_t minGap);
    std::u16string FunctionPass(std::u16string text);
};

}  // namespace tessark
