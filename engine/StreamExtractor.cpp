#include "StreamExtractor.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <type_traits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "ConversionContext.h"
#include "FastReferences.h"
#include "HtmlReferences.h"
#include "kernels/Passes.h"
#include "kernels/UnitOps.h"

namespace tessark {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Frees what Units allocates.
struct FreeUnits {
    void operator()(void* p) const noexcept { std::free(p); }
};

// A grow-only buffer of units that are not initialised (the passes write
// every unit before reading it). A large one (a long pending span) is
// aligned to 2 MB and, on Linux, backed by huge pages where the kernel
// allows: filling fresh memory costs mostly its page faults.
template <class C>
struct Units {
    std::unique_ptr<C[], FreeUnits> data;
    std::size_t capacity = 0;

    // Room for n units; keeps the first `keep` units.
    void Reserve(std::size_t n, std::size_t keep) {
        if (n <= capacity) return;
        const std::size_t size = std::max(n, 2 * capacity);
        std::size_t bytes = size * sizeof(C);
        void* p = nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        constexpr std::size_t kHuge = std::size_t{2} << 20;
        if (bytes >= 4 * kHuge) {
            bytes = (bytes + kHuge - 1) & ~(kHuge - 1);
            p = std::aligned_alloc(kHuge, bytes);
            if (p) madvise(p, bytes, MADV_HUGEPAGE);
        }
#endif
        if (!p) p = std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        std::unique_ptr<C[], FreeUnits> fresh(static_cast<C*>(p));
        if (keep) std::memcpy(fresh.get(), data.get(), keep * sizeof(C));
        data = std::move(fresh);
        capacity = bytes / sizeof(C);
    }
};

using fast::scan::Fold;
using fast::scan::MatchFolded;

}  // namespace

template <class C, class U>
struct BasicStreamExtractor<C, U>::State {
    ConversionContext* context;
    // The options, read once.
    bool comments, scripts, styles, functions, pipe, tabs, special, tags, allCRLF, spaces, blankLines, decode;
    Sink sink;
    std::size_t chunk;

    // Input not yet converted: in[begin, end).
    Units<C> in;
    std::size_t begin = 0, end = 0;
    std::size_t need;         // convert once this much input is held
    std::size_t minCut = 0;   // a chunk up to here was tried and left something open
    // What can close what was left open: the units one of which must arrive
    // before trying again makes sense, and how far the input was searched
    // for them (relative to begin).
    struct Closers {
        C unit[4] = {};
        int count = 0;
    };
    Closers closers;
    std::size_t searched = 0;
    std::size_t peakHeld = 0;
    bool anyInput = false;

    // The line stage's carry: the trailing spaces and LF of the result so
    // far (after the blank-line and space steps), the run of spaces that the
    // space step is in, and whether the start of the text has been written.
    Units<C> held;
    std::size_t heldLength = 0;
    std::size_t spaceRun = 0;
    bool started = false;

    Units<C> work;
    bool failed = false;
    bool finished = false;

    State(const EngineOptions& o, ConversionContext* c, Sink s, std::size_t chunkUnits)
        : context(c), comments(o.RemoveComments), scripts(o.RemoveScripts), styles(o.RemoveStyles),
          functions(o.RemoveFunctions), pipe(o.RemovePipe), tabs(o.RemoveTabs), special(o.GenerateSpecialChars),
          tags(o.RemoveAllTags), allCRLF(o.RemoveAllCRLF), spaces(o.RemoveSpaces), blankLines(o.RemoveBlankLines),
          decode(o.DecodeAllReferences), sink(std::move(s)), chunk(std::max<std::size_t>(chunkUnits, 1)), need(chunk) {}

    void Yield() { engine_detail::Yield(context); }
    void Report(std::string_view source) noexcept { engine_detail::ReportCurrentException(context, source); }

    C* Space(std::size_t size) {
        if (end + size > in.capacity && begin > 0) {
            if (end > begin) std::memmove(in.data.get(), in.data.get() + begin, (end - begin) * sizeof(C));
            end -= begin;
            begin = 0;
        }
        in.Reserve(end + size, end);
        return in.data.get() + end;
    }

    // What CutHTML's steps can make of n units: over UTF-8 with
    // DecodeAllReferences one unit more per five ("&nGt;" and "&nLt;", five
    // bytes, give six; no other reference gives more bytes than it has).
    std::size_t Room(std::size_t n) const {
        return decode && std::is_same_v<U, fast::Utf8Units> ? n + n / 5 : n;
    }

    // CutHTML's steps up to the tag removal and its step 14a over d[0, n),
    // as ClassicEngine runs them, d having room for Room(n) units; *open tells
    // whether a pass ended on something open. The decoding of step 14a
    // leaves nothing open: a chunk ends just after an LF or a space, which
    // no reference holds, and that unit is still its last after the passes
    // before (a removal that took it would have ended in ">" or "}").
    // closers (see above) receives what can close what a pass left open:
    // ">" ends every closing marker and a tag, "}" a span, and the ";" of a
    // reference may make a ">" ("&gt;", "&#62;") for the tag pass.
    std::size_t CutSteps(C* d, std::size_t n, bool* open, Closers& found) {
        const fast::PassSet<C, U>& passes = fast::PassesFor<C, U>();
        bool o = false;
        *open = false;
        found.count = 0;
        auto closer = [&found](C c) {
            for (int k = 0; k < found.count; ++k)
                if (found.unit[k] == c) return;
            if (found.count < 4) found.unit[found.count++] = c;
        };
        if (comments) n = passes.CommentPass(d, n, &o);
        if (comments && o) closer(C('>'));
        Yield();
        if (scripts) n = passes.BlockPass(d, n, "<script", 7, "/script>", 8, 9, &o);
        if (scripts && o) closer(C('>'));
        Yield();
        if (styles) n = passes.BlockPass(d, n, "<style", 6, "/style>", 7, 7, &o);
        if (styles && o) closer(C('>'));
        Yield();
        n = passes.FunctionPipeTabs(d, n, functions, pipe, tabs, &o);
        if (o) closer(C('}'));
        Yield();
        if (special && !decode) n = fast::ReplaceReferences<C, U>(d, n, [this] { Yield(); });
        Yield();
        if (tags) n = passes.StripTags(d, n, &o);
        if (tags && o) {
            closer(C('>'));
            if (special && !decode) closer(C(';'));
        }
        *open = found.count > 0;
        if (decode) n = DecodeAll(d, n);
        return n;
    }

    // Step 14a over d[0, n), which has room for Room(n) units.
    std::size_t DecodeAll(C* d, std::size_t n) const {
        if constexpr (std::is_same_v<U, fast::Utf8Units>) {
            const std::size_t room = Room(n);
            return fast::DecodeAllReferencesUtf8(d, n, [d, room](std::size_t size) {
                if (size > room) throw std::length_error("a decoded chunk outgrew its room");
                return d;
            });
        } else {
            return fast::DecodeAllReferences(d, n);
        }
    }

    // The first unit after the last try's end that can close what that try
    // left open, searched for from `searched` on; avail when none has
    // arrived yet.
    std::size_t NextCloser(const C* d, std::size_t avail) {
        if (closers.count == 0) return searched;
        std::size_t k = searched;
        for (;; ++k) {
            k = closers.count == 1 ? fast::ScansFor<C>().FindChar(d, k, avail, closers.unit[0])
                                   : fast::ScansFor<C>().FindAny(d, k, avail, closers.unit, closers.count);
            if (k >= avail || d[k] != C(';')) break;
            // A ";" counts when it ends "gt;" (any case) or "#62;", which a
            // reference (or a cascade of them) turns into ">".
            if (k >= 2 && Fold(d[k - 2]) == C('g') && Fold(d[k - 1]) == C('t')) break;
            if (k >= 3 && d[k - 3] == C('#') && d[k - 2] == C('6') && d[k - 1] == C('2')) break;
        }
        searched = k < avail ? k : avail;
        return k;
    }

    // The yields of ConsolidateChar for a longest run of maxRun units.
    void SweepYields(std::size_t maxRun) {
        try {
            for (std::size_t g = fast::SweepGroups(maxRun); g > 0; --g) Yield();
        } catch (...) {
            Report("ConsolidateChar");
            throw Reported();
        }
    }

    struct Reported {};

    // The position of a marker that looks open just before p in the raw
    // input d: the nearest "<" or ">", "{" or "}", opening or closing comment,
    // script or style marker before p, for each pass that is on, when it is
    // the opening one. Looks back at most `reach` units. kNone when none.
    std::size_t OpenBefore(const C* d, std::size_t p, std::size_t reach) const {
        bool tagDone = !tags, braceDone = !functions, commentDone = !comments, scriptDone = !scripts,
             styleDone = !styles;
        // 1: d[k] opens something that is still open at p; 2: nothing can
        // be open at p any more; 0: look further back.
        auto visit = [&](std::size_t k) -> int {
            const C c = d[k];
            if (c == C('<')) {
                if (!tagDone) return 1;
                const C next = k + 1 < p ? Fold(d[k + 1]) : C(0);
                if (next == C('!') && !commentDone && MatchFolded(d, k, p, "<!--", 4)) return 1;
                if (next == C('s') && ((!scriptDone && MatchFolded(d, k, p, "<script", 7)) ||
                                       (!styleDone && MatchFolded(d, k, p, "<style", 6))))
                    return 1;
            } else if (c == C('>')) {
                tagDone = true;
                const C before = k > 0 ? Fold(d[k - 1]) : C(0);
                if (before == C('-') && k >= 2 && MatchFolded(d, k - 2, p, "-->", 3)) commentDone = true;
                if (before == C('t') && k >= 7 && MatchFolded(d, k - 7, p, "/script>", 8)) scriptDone = true;
                if (before == C('e') && k >= 6 && MatchFolded(d, k - 6, p, "/style>", 7)) styleDone = true;
            } else if (c == C('{')) {
                if (!braceDone) return 1;
            } else if (c == C('}')) {
                braceDone = true;
            } else {
                return 0;
            }
            return tagDone && braceDone && commentDone && scriptDone && styleDone ? 2 : 0;
        };
        const std::size_t stop = p > reach ? p - reach : 0;
        // Only the four delimiters, last first (visit gives 0 for the rest).
        static constexpr C kDelimiters[] = {C('<'), C('>'), C('{'), C('}')};
        for (std::size_t k = p;;) {
            const std::size_t at = fast::ScansFor<C>().FindLastAny(d, stop, k, kDelimiters, 4);
            if (at == k) return kNone;
            const int r = visit(at);
            if (r == 1) return at;
            if (r == 2) return kNone;
            k = at;
        }
    }

    // The last LF in d[from, to), else kNone.
    static std::size_t LastLineEnd(const C* d, std::size_t from, std::size_t to) {
        if (to <= from) return kNone;
        const std::size_t k = fast::ScansFor<C>().FindLastChar(d + from, to - from, C('\n'));
        return k == to - from ? kNone : from + k;
    }

    // Where to end the next chunk: just after a seam in (lo, hi], hi itself
    // just after one. Prefers a place where, judged on the raw text near
    // it, no block, tag or brace is open, so that the chunk is rarely
    // converted twice; the passes decide in the end.
    std::size_t ChooseCut(const C* d, std::size_t lo, std::size_t hi) const {
        constexpr std::size_t kReach = 16 << 10;
        const std::size_t floor = std::max(lo, hi / 2);
        std::size_t p = hi;
        for (int tries = 0; tries < 16; ++tries) {
            const std::size_t open = OpenBefore(d, p, kReach);
            if (open == kNone) return p;
            if (open <= floor) return hi;
            const std::size_t seam = LastLineEnd(d, floor, open);
            if (seam == kNone) return hi;
            p = seam + 1;
        }
        return hi;
    }

    // Converts in[begin, begin + cut) as the next chunk (the last one when
    // final). Returns false, changing nothing, when a pass left something
    // open and the chunk must wait for more input.
    bool Convert(std::size_t cut, bool final) {
        const std::size_t h = heldLength;
        C* d = nullptr;
        if (final) {
            // Nothing can make this chunk wait: it is converted where it is,
            // after the held units, with room for LF -> CR LF behind it.
            if (begin < h) {
                in.Reserve(h + 2 * (h + Room(cut)) + 2, end);
                std::memmove(in.data.get() + h, in.data.get() + begin, cut * sizeof(C));
                end = h + cut;
                begin = h;
            }
            in.Reserve((begin - h) + 2 * (h + Room(cut)) + 2, end);
            d = in.data.get() + (begin - h);
        } else {
            // The input stays as it is, for a try with more of it.
            work.Reserve(2 * (h + Room(cut)) + 2, 0);
            d = work.data.get();
            std::memcpy(d + h, in.data.get() + begin, cut * sizeof(C));
        }
        std::size_t n = cut;
        if (cut > 0) {
            bool open = false;
            try {
                n = CutSteps(d + h, cut, &open, closers);
            } catch (...) {
                Report("CutHTML");
                failed = true;
                return true;
            }
            if (open && !final) return false;
        }
        Tail(d, n, final);
        return true;
    }

    // The rest of a chunk's conversion after CutHTML's steps, whose result is
    // d[h, h + n) with h = heldLength; d[0, h) is free for the held units and
    // d has room for 2 * (h + n) + 2 units. Hands the piece of result that
    // is final to the sink.
    void Tail(C* d, std::size_t n, bool final) {
        const std::size_t h = heldLength;
        const fast::PassSet<C, U>& passes = fast::PassesFor<C, U>();
        std::size_t length = 0;
        try {
            // CutHTML 15. 16., ExtractText 3. 4. and the work of 5., the run
            // of spaces going on from the chunk before.
            std::size_t maxRun = 0;
            n = passes.TailPass(d + h, n, comments, true, allCRLF, spaces, &maxRun, &spaceRun);
            if (h) std::memcpy(d, held.data.get(), h * sizeof(C));
            length = h + n;
            if (spaces) SweepYields(maxRun);  // 5.
            Yield();                          // 6.
            if (blankLines) {                 // 7.
                length = passes.BlankLinePass(d, length);
                length = passes.CollapseRuns(d, length, C('\n'), &maxRun);
                SweepYields(maxRun);
            }
            if (spaces) {  // 8.
                length = passes.CollapseRuns(d, length, C(' '), &maxRun);
                SweepYields(maxRun);
            }
            Yield();  // 9.
            // Spaces and LF at the end wait for what follows: they can join
            // a run, a blank line or the trimmed end of the text.
            std::size_t body = length;
            if (!final) {
                while (body > 0 && (d[body - 1] == C(' ') || d[body - 1] == C('\n'))) --body;
                held.Reserve(length - body, 0);
                if (length > body) std::memcpy(held.data.get(), d + body, (length - body) * sizeof(C));
                heldLength = length - body;
            } else {
                heldLength = 0;
            }
            // 10. to 13.: the start of the text is trimmed once, its end at
            // the end; the body of a chunk before the last ends in neither.
            fast::FinalShape shape = passes.ShapeFinal(d, body);
            if (started) {
                if (shape.begin > 0 && d[shape.begin - 1] == C('\n')) ++shape.lineFeeds;
                shape.begin = 0;
                if (final) {
                    std::size_t e = body;
                    while (e > 0 && d[e - 1] == C(' ')) --e;
                    if (e > 0 && d[e - 1] == C('\n')) --e;
                    shape.end = e;
                    shape.lineFeeds = fast::ScansFor<C>().CountChar(d, 0, e, C('\n'));
                }
            }
            if (body > 0) started = true;
            length = body > 0 || final ? passes.ExpandLineEnds(d, shape) : 0;
        } catch (const Reported&) {
            failed = true;
            return;
        } catch (...) {
            Report("ExtractText");
            failed = true;
            return;
        }
        if (length > 0) {
            try {
                sink(d, length);
            } catch (...) {
                failed = true;
                throw;
            }
        }
    }

    // The end of the next chunk of d[0, avail) (relative to d), or kNone
    // when more input must come first. `wanted` is the input that must be
    // held before a try, grown here while waiting (need); `from` > 0 after a
    // try that left something open, which ended there (minCut).
    std::size_t NextCut(const C* d, std::size_t avail, std::size_t& wanted, std::size_t from) {
        if (avail < wanted) return kNone;
        // After a try that left something open, a new try waits until
        // something that can close it has arrived, and takes it in (the
        // input is held meanwhile; the final conversion settles it anyway).
        if (from > 0) {
            const std::size_t closer = NextCloser(d, avail);
            if (closer >= avail) {
                wanted = std::max(wanted, avail + chunk);
                return kNone;
            }
            if (closer + chunk > wanted) {
                wanted = closer + chunk;
                if (avail < wanted) return kNone;
            }
        }
        // A chunk ends after the last LF within the size aimed at, else
        // after the first LF past it; in a line much longer than that, after
        // its last space within the size aimed at (no marker, reference or
        // "msnavigation" holds a space either, and the line stage carries
        // what it needs across).
        std::size_t seam = LastLineEnd(d, from, wanted);
        if (seam == kNone) {
            const std::size_t far = std::min(avail, 2 * wanted);
            seam = fast::ScansFor<C>().FindChar(d, wanted, far, C('\n'));
            if (seam >= far) {
                const std::size_t space = fast::ScansFor<C>().FindLastChar(d, wanted, C(' '));
                seam = space < wanted && space >= from ? space : avail;
            }
        }
        if (seam >= avail) {  // no seam yet: wait for one
            wanted = std::max(wanted, 2 * avail);
            return kNone;
        }
        return ChooseCut(d, from, seam + 1);
    }

    // One chunk converted: the next one, or with final the
    // rest of the input. Returns false when more input must come first.
    bool Step(bool final) {
        const std::size_t avail = end - begin;
        std::size_t cut = avail;
        if (!final) {
            cut = NextCut(in.data.get() + begin, avail, need, minCut);
            if (cut == kNone) return false;
        }
        if (!Convert(cut, final)) {
            minCut = cut;
            searched = cut;
            need = std::max(need, 2 * cut);
            return true;
        }
        begin += cut;
        minCut = 0;
        searched = 0;
        need = chunk;
        return !final;
    }

    // Converts as many chunks as the input held allows.
    void Pump(bool final) {
        while (!failed && Step(final)) {
        }
    }
};

template <class C, class U>
BasicStreamExtractor<C, U>::BasicStreamExtractor(const EngineOptions& options, ConversionContext* context, Sink sink,
                                                  std::size_t chunkUnits) {
    s_ = std::make_unique<State>(options, context, std::move(sink), chunkUnits);
}

template <class C, class U>
BasicStreamExtractor<C, U>::~BasicStreamExtractor() = default;

template <class C, class U>
C* BasicStreamExtractor<C, U>::InputSpace(std::size_t size) {
    return s_->Space(size);
}

template <class C, class U>
bool BasicStreamExtractor<C, U>::Commit(std::size_t count) {
    State& s = *s_;
    if (s.failed || s.finished) return false;
    s.end += count;
    if (count) s.anyInput = true;
    s.peakHeld = std::max(s.peakHeld, s.end - s.begin);
    s.Pump(false);
    return !s.failed;
}

template <class C, class U>
bool BasicStreamExtractor<C, U>::Feed(const C* data, std::size_t size) {
    if (s_->failed || s_->finished) return false;
    if (size == 0) return true;
    std::memcpy(InputSpace(size), data, size * sizeof(C));
    return Commit(size);
}

template <class C, class U>
bool BasicStreamExtractor<C, U>::Finish() {
    State& s = *s_;
    if (s.failed || s.finished) return !s.failed && s.finished;
    s.finished = true;
    if (s.anyInput) s.Pump(true);
    return !s.failed;
}

template <class C, class U>
bool BasicStreamExtractor<C, U>::Failed() const noexcept {
    return s_->failed;
}

template <class C, class U>
std::size_t BasicStreamExtractor<C, U>::PeakHeld() const noexcept {
    return s_->peakHeld;
}

template class BasicStreamExtractor<unsigned char>;
template class BasicStreamExtractor<unsigned char, fast::Utf8Units>;

}  // namespace tessark
