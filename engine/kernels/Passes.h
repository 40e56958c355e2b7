// Passes: the passes of the fast engine ClassicEngine, each one forward scan
// over a buffer that it rewrites in place.
//
// Every function takes the text as d[0, n) and returns its new length; the
// result is d[0, returned length). No pass ever makes the text longer, so a
// write cursor that trails the read cursor is all they need: nothing is
// allocated, nothing is rescanned. Each pass gives exactly the text that the
// literal pass of ReferenceEngine gives (the differential tests and the fuzzer
// prove it); the comments say which detail of the literal pass each one
// mirrors.
//
// The code unit C is char16_t (ExtractText on 16-bit text) or unsigned char
// (the job's Windows-1252 bytes; every marker is ASCII, so the same scan over
// bytes gives the bytes of the 16-bit result). Case-insensitive comparisons
// fold ASCII A-Z onto a-z and nothing else.
//
// Over UTF-8 bytes (U = Utf8Units) the same scans give the UTF-8 bytes of
// the 16-bit result for the decoded text: a marker can never begin or end
// inside a multi-byte sequence, and the two passes whose outcome depends on
// a length in units count it as the 16-bit text would: the comment pass (a
// body of at least two units; the units skipped after a removal) and the
// script pass (at least two units between the markers). A well-formed
// sequence of four bytes is two units (a surrogate pair), any other
// well-formed sequence one, and a byte that begins no well-formed sequence
// is one unit of its own and is kept as it is.
#pragma once

#include <cstddef>

#include "Implementations.h"

namespace tessark::fast {

// Where the final text lies in d[0, n) after trimming spaces at both ends and
// one line end at each end, and how many LF it holds.
struct FinalShape {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t lineFeeds = 0;
};

// The passes of this compilation (see Implementations.h); the engine calls them
// through PassesFor().
inline namespace TESSARK_FAST_ISA {

// "<!--" ... "-->" blocks with a body of at least two units are removed; the
// search resumes at the old closing position applied to the shortened text.
// *open (when given) tells whether the pass ended on something that text
// after d[n) could change: an opening marker without a closing one, or a
// resume position past the end of the shortened text.
template <class C, class U = ElementUnits>
std::size_t CommentPass(C* d, std::size_t n, bool* open);

// "<script" ... "/script>" (open "<script", close "/script>", minGap 9) or
// "<style" ... "/style>" (minGap 7), case-insensitive. Markers in lower case.
// A pair whose closing marker begins fewer than minGap units after the
// opening one stays; the search then resumes after that closing marker.
// *unclosed (when given): the pass ended on an opening marker without a
// closing one.
template <class C, class U = ElementUnits>
std::size_t BlockPass(C* d, std::size_t n, const char* open, std::size_t openLen, const char* close,
                      std::size_t closeLen, std::size_t minGap, bool* unclosed);

// "{" ... "}" spans removed (no nesting), then "|" and TAB become spaces,
// each step only when its flag is set. *unclosed (when given): a "{" without
// a "}" after it ended the function step.
template <class C>
std::size_t FunctionPipeTabs(C* d, std::size_t n, bool functions, bool pipe, bool tabs, bool* unclosed);

// Everything from "<" to the next ">" removed; an unclosed "<" removes the
// rest, and then *unclosed (when given) is set.
template <class C>
std::size_t StripTags(C* d, std::size_t n, bool* unclosed);

// The last steps of CutHTML and, with lineStage, the first steps of
// ExtractText that follow it, in one scan:
//   comments: "!--" then "-->" become one space each;
//   always:   "msnavigation" (any case) becomes one space;
//   lineStage: CR becomes a space; with allCRLF, LF becomes a space; with
//   spaces, every run of spaces becomes one space, and *maxSpaceRun receives
//   the longest run seen before shortening.
// *spaceRun (when given, with lineStage and spaces): on entry the length of
// the run of spaces that the text before d ended with (its first space was
// kept there), so that leading spaces of d continue it; on return the run
// that d ends with. A text converted in pieces thus gives the same result.
template <class C>
std::size_t TailPass(C* d, std::size_t n, bool comments, bool lineStage, bool allCRLF, bool spaces,
                     std::size_t* maxSpaceRun, std::size_t* spaceRun);

// While LF, space, LF occurs, every such triple becomes one LF.
template <class C>
std::size_t BlankLinePass(C* d, std::size_t n);

// Every run of ch becomes one ch; *maxRun receives the longest run.
template <class C>
std::size_t CollapseRuns(C* d, std::size_t n, C ch, std::size_t* maxRun);

// The number of groups of ten sweeps (and so of yields) that shortening a
// longest run of maxRun units takes: 0 below 2, then one per factor of 1024.
std::size_t SweepGroups(std::size_t maxRun) noexcept;

// See FinalShape.
template <class C>
FinalShape ShapeFinal(const C* d, std::size_t n);

// Writes d[s.begin, s.end) to d[0, ...) with every LF turned into CR LF. d
// must hold at least (s.end - s.begin) + s.lineFeeds units. Returns that length.
template <class C>
std::size_t ExpandLineEnds(C* d, const FinalShape& s);

}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
