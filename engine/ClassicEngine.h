// ClassicEngine (formerly cTessark): the extraction engine. Start here to see what a conversion does.
//
// The engine is not an HTML parser. ExtractText runs a fixed order of literal
// searches and replacements over the whole text of a page:
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
// The options are one EngineOptions value (EngineOptions.h), all off on a
// default one. The engine only reads them, each at its own step, and keeps
// nothing between calls: a result depends only on the input and the options.
// Yields and reports go to the ConversionContext given at construction
// (ConversionContext.h); without one, yields do nothing and reports are dropped.
//
// This is the fast engine: every pass is one forward scan that rewrites the
// text in place (kernels/Passes.h, FastReferences.h), so a conversion is linear
// in the size of the page and in the number of blocks, tags and references.
// Its results equal those of ReferenceEngine, the engine written pass by
// pass as the passes are defined, code unit for code unit, for every input
// and option set; the tests and the differential fuzzer hold it to that.
// Each option is read, and each yield made, at the same step as there, so a
// failing yield (or one during which the options change) has the same effect.
//
// ExtractBytes runs the same conversion over Windows-1252 bytes, the form in
// which the job reads and writes files: its output bytes are those of
// ExtractText's result encoded in that code page. ExtractUtf8 runs it over
// UTF-8 bytes: its output bytes are those of ExtractText's result for the
// decoded input, encoded in UTF-8.
//
// Failures (exhausted memory, a throwing yield) never reach the caller: each
// pass traps them, reports them to the context under its own name and
// returns what the definition says (see ConversionContext.h).
//
// Thread safety: an object is used by one thread at a time; objects are
// independent of each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ConversionContext.h"
#include "EngineOptions.h"

namespace tessark {

namespace fast {
struct ElementUnits;
struct Utf8Units;
}  // namespace fast

class ClassicEngine {
public:
    explicit ClassicEngine(const EngineOptions& chosen = {}, ConversionContext* context = nullptr)
        : options(chosen), context_(context) {}

    EngineOptions options;

    // Turns the complete text of a page into plain text. Never throws; on a
    // failure it reports "ExtractText" and returns the text as the last
    // completed step left it (empty when a private pass failed).
    std::u16string ExtractText(const std::u16string& sIn);

    // Gives `grow` a size; it must make the buffer hold at least that many
    // bytes, keeping its content, and return its (possibly moved) start.
    using GrowBuffer = std::function<unsigned char*(std::size_t)>;

    // The same conversion over the Windows-1252 bytes data[0, size), in
    // place: returns the length of the result, which then stands at the
    // start of the buffer (call grow's buffer, if it was called). The result
    // is the encoding of ExtractText's result for the decoded input (a
    // character past U+FFFF, two units there, is one "?" here); yields
    // and reports are the same. Only the final LF -> CR LF step can need more
    // room than the input, and grow is called only then.
    std::size_t ExtractBytes(unsigned char* data, std::size_t size, const GrowBuffer& grow);

    // Convenience form over a byte string (tests, tools).
    std::string ExtractBytes(std::string bytes);

    // The same conversion over the UTF-8 bytes data[0, size), in place, with
    // the buffer handled as by ExtractBytes (but with DecodeAllReferences a
    // reference can decode to more bytes than it has, so grow may also be
    // called at that step). Wherever a pass counts
    // positions it counts the 16-bit units of the decoded text (a character
    // of four bytes is two), and the characters that references produce
    // are written in UTF-8; so for well-formed input the result is
    // ExtractText's result for the decoded input, encoded in UTF-8, and
    // yields and reports are the same. A byte that begins no well-formed
    // sequence is kept as it is and counts as one unit, as if decoded to a
    // lone U+DC80 + byte and encoded back; the result is then the same too,
    // except where a removal joins the pieces of a broken sequence into a
    // well-formed one and a later pass counts the units of that spot.
    std::size_t ExtractUtf8(unsigned char* data, std::size_t size, const GrowBuffer& grow);

    // Convenience form over a byte string (tests, tools).
    std::string ExtractUtf8(std::string bytes);

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

    // The conversion over either code unit, in place, positions counted as
    // U says (fast::ElementUnits or, over bytes, fast::Utf8Units); see
    // ExtractBytes.
    template <class U = fast::ElementUnits, class C, class Grow>
    std::size_t Extract(C* d, std::size_t n, const Grow& grow);
    // CutHTML's steps up to and including the tag removal; throws on failure.
    template <class U = fast::ElementUnits, class C>
    std::size_t CutSteps(C* d, std::size_t n);
    // CutHTML's step 14a (DecodeAllReferences), after CutSteps; see there.
    template <class U, class C, class Grow>
    std::size_t DecodeAllStep(C*& d, std::size_t n, const Grow& grow);
    // ConsolidateChar's work on a text already shortened in place: yields as
    // the sweeps of the literal procedure would, reports a failure.
    std::size_t ConsolidateYields(std::size_t length, std::size_t maxRun);
    void Yield() { engine_detail::Yield(context_); }
    void Report(std::string_view source) noexcept { engine_detail::ReportCurrentException(context_, source); }

    ConversionContext* context_;
};

}  // namespace tessark
