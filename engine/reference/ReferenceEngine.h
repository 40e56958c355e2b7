// ReferenceEngine (formerly cTessarkLiteral): the extraction engine written step by step as each pass is
// defined, rescanning and rebuilding strings exactly as the definition reads.
// It is the reference the fast engine ClassicEngine is proved against (the tests
// and the differential fuzzer compare the two on every option set); the
// program itself uses ClassicEngine.
//
// Same public interface as ClassicEngine: the options are one EngineOptions
// value, yields and reports go to the ConversionContext given at
// construction, and ExtractText turns the text of a page into plain text:
//
//   CutHTML: comment, script, style and brace blocks are removed; pipes and
//            tabs become spaces; the character-reference table is applied
//            (ReplaceSpecialChars); tags are stripped (StripTags); leftover
//            comment markers and the word "msnavigation" become spaces.
//   then:    CR becomes a space; the line-break, space and blank-line options
//            are applied (ConsolidateChar); LF becomes CR LF; the ends are
//            trimmed.
//
// One more option, off by default (with it off every result is exactly the
// classic one), decodes the references as HTML does. It acts in CutHTML:
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
// Failures (exhausted memory, a throwing yield) never reach the caller: each
// pass traps them, reports them to the context under its own name and
// returns what the definition says (see ConversionContext.h).
//
// Its interface is the fast engine's (ClassicEngine.h), declared again on purpose:
// the oracle shares no code with what it checks, and the tests run both over
// the same rows.
//
// Thread safety: an object is used by one thread at a time; objects are
// independent of each other.
#pragma once

#include <cstdint>
#include <string>

#include "ConversionContext.h"
#include "EngineOptions.h"

namespace tessark {

class ReferenceEngine {
public:
    explicit ReferenceEngine(const EngineOptions& chosen = {}, ConversionContext* context = nullptr)
        : options(chosen), context_(context) {}

    EngineOptions options;

    // Turns the complete text of a page into plain text. Never throws; on a
    // failure it reports "ExtractText" and returns the text as the last
    // completed step left it (empty when a private pass failed).
    std::u16string ExtractText(const std::u16string& sIn);

private:
    friend struct EngineTestAccess;

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
    // Every character reference decoded once, left to right (DecodeAllReferences).
    static std::u16string DecodeReferences(const std::u16string& text);

    std::u16string CommentPass(std::u16string text);
    std::u16string BlockPass(std::u16string text, std::u16string_view open,
                             std::u16string_view close, std::size_t minGap);
    std::u16string FunctionPass(std::u16string text);
    void Yield() { engine_detail::Yield(context_); }
    void Report(std::string_view source) noexcept { engine_detail::ReportCurrentException(context_, source); }

    ConversionContext* context_;
};

}  // namespace tessark
