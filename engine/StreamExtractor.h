// StreamExtractor (formerly cTessarkStream): the conversion of ClassicEngine over a page that arrives in
// pieces (a file read in blocks, standard input, a pipe), in bounded memory.
//
// The input is fed in any pieces; the output leaves through a sink as soon
// as nothing later in the input can change it. The concatenated output is
// exactly ExtractBytes' (or over UTF-8 ExtractUtf8's) result for the whole
// input, for every option set.
//
// How: the input is converted in chunks that end just after a seam, an LF
// or a space. No marker, reference or "msnavigation" holds either, so a
// chunk converts on its own unless a pass ends on something that later text
// can change (DecodeAllReferences never does: no reference holds a seam): an
// opening "<!--", "<script", "<style" or "{" without its closing marker, a
// "<" without its ">", or the comment pass's resume position past the end
// (the passes say so). Then the chunk is converted again later with more of
// the input behind it (at least twice as much, so the total work stays
// linear), and the span from such a marker on is held until it closes or the
// input ends. The line stage (CR, LF, runs of spaces, blank lines, the
// trimming at both ends) carries the trailing run of spaces and line feeds
// of each chunk's result into the next, and the run of spaces that the
// space option is shortening.
//
// Memory: the chunk size (a few hundred kilobytes, so that a chunk's passes
// run in the processor's cache) plus the pending span, which is the input
// from a never-closed marker to the end in the worst case, or a stretch
// without LF or space longer than a chunk (a run of reference characters,
// for instance, which the reference table must see whole).
//
// Yields: every chunk yields at the fixed points of a whole conversion
// (CutHTML's five, the reference table's nine, the space and blank-line
// sweeps for its longest runs, and ExtractText's two), so a conversion in
// chunks yields at least as often as one over the whole page. A failure (a
// yield that throws, exhausted memory) is reported under the same
// source names ("CutHTML", "ConsolidateChar", "ExtractText") once, to the
// ConversionContext given at construction, and the stream is then failed:
// what the sink has received is not the page's text.
//
// Thread safety: one object is used by one thread at a time; the options are
// copied at construction. Objects are independent of each other.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "ClassicEngine.h"

namespace tessark {

// C and U as for the passes: Windows-1252 bytes counted one unit per byte
// (fast::ElementUnits), or UTF-8 bytes counted as the 16-bit text they decode
// to (fast::Utf8Units). A seam (LF or space) is ASCII, so it never falls
// inside a multi-byte sequence.

template <class C, class U = fast::ElementUnits>
class BasicStreamExtractor {
public:
    // Receives each piece of output in order; the pointer is valid only
    // during the call. Whatever the sink throws propagates out of Feed or
    // Finish (the stream is then failed, with nothing reported).
    using Sink = std::function<void(const C* data, std::size_t size)>;

    // A chunk of this many units keeps the working set in the level-2 cache.
    static constexpr std::size_t kDefaultChunk = std::size_t{256} << 10;

    // Converts with `options`; yields and reports go to `context` (none
    // without one). chunkUnits (at least 1) is the size the conversion aims
    // at per chunk.
    BasicStreamExtractor(const EngineOptions& options, ConversionContext* context, Sink sink,
                         std::size_t chunkUnits = kDefaultChunk);
    ~BasicStreamExtractor();
    BasicStreamExtractor(const BasicStreamExtractor&) = delete;
    BasicStreamExtractor& operator=(const BasicStreamExtractor&) = delete;

    // Appends data[0, size) to the input and converts what can be. Returns
    // false once the stream has failed (then nothing more is converted).
    bool Feed(const C* data, std::size_t size);

    // For readers that fill the buffer themselves: room for at least
    // `size` more units of input at the returned address, valid until the
    // next call; Commit(count) then appends the first count of them, as
    // Feed would.
    C* InputSpace(std::size_t size);
    bool Commit(std::size_t count);

    // The end of the input: converts the rest and hands it to the sink.
    // Returns false when the stream has failed. Call once; an input of no
    // units at all gives no output, no yield and no report, as ExtractText.
    bool Finish();

    bool Failed() const noexcept;
    // The largest number of input units held at once so far (read but not
    // yet converted); the measure of the pending span.
    std::size_t PeakHeld() const noexcept;

private:
    struct State;
    std::unique_ptr<State> s_;
};

// Windows-1252 bytes (ExtractBytes' form) and UTF-8 bytes (ExtractUtf8's).
using ByteStreamExtractor = BasicStreamExtractor<unsigned char>;
using Utf8StreamExtractor = BasicStreamExtractor<unsigned char, fast::Utf8Units>;

extern template class BasicStreamExtractor<unsigned char>;
extern template class BasicStreamExtractor<unsigned char, fast::Utf8Units>;

}  // namespace tessark
