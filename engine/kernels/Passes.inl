#include "Passes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "BitKernels.h"
#include "Scan.h"

namespace tessark::fast {
inline namespace TESSARK_FAST_ISA {

using namespace scan;

namespace {

// Counting positions under the unit policies of Implementations.h.
template <class U>
struct Units;

template <>
struct Units<ElementUnits> {
    // The units of d[i, j).
    template <class C>
    static std::size_t Count(const C*, std::size_t i, std::size_t j) noexcept {
        return j - i;
    }
    // True when d[i, j) holds at least k units.
    template <class C>
    static bool AtLeast(const C*, std::size_t i, std::size_t j, std::size_t k) noexcept {
        return j >= i && j - i >= k;
    }
    // The position k units after i, or n when d[i, n) holds fewer.
    template <class C>
    static std::size_t Skip(const C*, std::size_t i, std::size_t n, std::size_t k) noexcept {
        return k < n - i ? i + k : n;
    }
};

// The length of the well-formed UTF-8 sequence that begins at d[i] (i < n),
// or 1 when none begins there.
inline std::size_t Utf8Length(const unsigned char* d, std::size_t i, std::size_t n) noexcept {
    const unsigned b = d[i];
    if (b < 0xC2 || b > 0xF4) return 1;
    const std::size_t len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (n - i < len) return 1;
    const unsigned second = d[i + 1];
    const unsigned lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;  // no overlong forms
    const unsigned hi = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;  // no surrogates, nothing past U+10FFFF
    if (second < lo || second > hi) return 1;
    for (std::size_t k = 2; k < len; ++k)
        if ((d[i + k] & 0xC0u) != 0x80u) return 1;
    return len;
}

// The first position at or after i, before j, of a byte that is not ASCII;
// j when there is none.
inline std::size_t SkipAscii(const unsigned char* d, std::size_t i, std::size_t j) noexcept {
    if constexpr (kVectors)
        for (; i + kVec <= j; i += kVec)
            if (const std::uint32_t mask = VMask(LoadAt(d, i))) return i + LowestBit(mask);
    for (; i + 8 <= j; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, d + i, sizeof v);
        if (const std::uint64_t high = v & 0x8080808080808080ull) return i + static_cast<std::size_t>(std::countr_zero(high) >> 3);
    }
    while (i < j && d[i] < 0x80) ++i;
    return i;
}

// The stretches counted here always begin just after an ASCII unit, so
// their sequences are those of the whole text.
template <>
struct Units<Utf8Units> {
    static std::size_t Count(const unsigned char* d, std::size_t i, std::size_t j) noexcept {
        std::size_t units = 0;
        while (i < j) {
            const std::size_t k = SkipAscii(d, i, j);
            units += k - i;
            if (k >= j) break;
            const std::size_t len = Utf8Length(d, k, j);
            units += len == 4 ? 2 : 1;
            i = k + len;
        }
        return units;
    }
    // A unit takes at most three bytes, so a long stretch needs no count.
    static bool AtLeast(const unsigned char* d, std::size_t i, std::size_t j, std::size_t k) noexcept {
        if (j < i) return false;
        return j - i >= 3 * k || Count(d, i, j) >= k;
    }
    // A skip that ends between the two units of a pair ends after the
    // pair: no marker begins at its second unit.
    static std::size_t Skip(const unsigned char* d, std::size_t i, std::size_t n, std::size_t k) noexcept {
        while (k > 0 && i < n) {
            const std::size_t k0 = SkipAscii(d, i, i + std::min(k, n - i));
            k -= k0 - i;
            i = k0;
            if (k == 0 || i >= n) break;
            const std::size_t len = Utf8Length(d, i, n);
            k -= std::min<std::size_t>(k, len == 4 ? 2 : 1);
            i += len;
        }
        return std::min(i, n);
    }
};

}  // namespace

// The working text of the literal comment pass is T = d[0, w) + d[r, n): the
// kept output, then the part not yet reached. Every search of the literal
// pass starts at or after w, since the carried start is at least the
// position of the last removal; so the searches run over d[r, n) only, from
// `from`. The text there is still the input's, so its units are counted as
// the input's.
template <class C, class U>
std::size_t CommentPass(C* d, std::size_t n, bool* open) {
    std::size_t w = 0, r = 0, from = 0;
    bool ended = false;  // by an opening marker without a closing one, or a start past the end
    for (;;) {
        if (from >= n) break;  // ended tells whether the start lay past the end
        const std::size_t hi = FindMarker(d, from, n, "<!--", 4);
        if (hi >= n) break;
        const std::size_t gi = FindMarker(d, hi, n, "-->", 3);
        if (gi >= n) {  // no closing marker: the pass ends here
            ended = true;
            break;
        }
        // g > h+5: the body between the markers is at least two units.
        if (gi >= hi + 4 && Units<U>::AtLeast(d, hi + 4, gi, 2)) {
            const std::size_t skip = 4 + Units<U>::Count(d, hi + 4, gi);  // g - h
            MoveDownShort(d, w, r, hi - r, n);
            w += hi - r;
            r = gi + 3;
            from = Units<U>::Skip(d, r, n, skip);  // g, in the shortened text
            // Skip stops at the end: a g beyond it is one that text after
            // d[n) could move.
            ended = !Units<U>::AtLeast(d, r, n, skip);
        } else {
            from = gi;  // g
        }
    }
    if (open) *open = ended;
    MoveDown(d, w, r, n - r);
    return w + (n - r);
}

// The literal pass searches from position 1 again after each removal. Before
// the removed block it meets only the pairs it met before (pairs whose
// closing marker came too early), with the same outcome, up to the point
// `from` where the search that found the block started; so the search
// resumes there. The only new opening marker it can meet before the join is
// one that straddles it, beginning in the last openLen-1 kept units. A
// closing marker cannot begin inside an opening marker, so closing markers
// are searched in the unread part only.
template <class C, class U>
std::size_t BlockPass(C* d, std::size_t n, const char* open, std::size_t openLen, const char* close,
                      std::size_t closeLen, std::size_t minGap, bool* unclosed) {
    std::size_t w = 0, r = 0, from = 0;  // T = d[0, w) + d[r, n); from <= w
    if (unclosed) *unclosed = false;
    auto at = [&](std::size_t t) { return t < w ? d[t] : d[r + (t - w)]; };
    for (;;) {
        const std::size_t tlen = w + (n - r);
        std::size_t h = tlen;
        const std::size_t straddle = std::max(from, w >= openLen - 1 ? w - (openLen - 1) : 0);
        for (std::size_t p = straddle; p < w && h == tlen; ++p) {
            if (p + openLen > tlen) break;
            bool ok = true;
            for (std::size_t k = 0; k < openLen && ok; ++k)
                ok = Fold(at(p + k)) == C(static_cast<unsigned char>(open[k]));
            if (ok) h = p;
        }
        if (h == tlen) {
            const std::size_t hi = FindMarker(d, r, n, open, openLen);
            if (hi >= n) break;
            h = w + (hi - r);
        }
        const std::size_t gi = FindMarker(d, r + (h > w ? h - w : 0), n, close, closeLen);
        if (gi >= n) {  // unterminated: it and the rest stay, the pass ends
            if (unclosed) *unclosed = true;
            break;
        }
        // g >= h + minGap (g the closing marker's position), counted in the
        // units between the markers, which lie in the unread part
        // (h + openLen > w also for a straddling one).
        if (Units<U>::AtLeast(d, r + (h + openLen - w), gi, minGap - openLen)) {
            if (h >= w) MoveDownShort(d, w, r, h - w, n);
            w = h;
            r = gi + closeLen;
        } else {
            const std::size_t end = gi + closeLen;
            MoveDownShort(d, w, r, end - r, n);
            w += end - r;
            r = end;
            from = w;
        }
    }
    MoveDown(d, w, r, n - r);
    return w + (n - r);
}

// The literal function pass pairs the first "{" with the first "}" after it
// and starts again from the beginning, where no "{" is left before the join;
// once a "{" has no "}" after it, the pass is over.
template <class C>
std::size_t FunctionPipeTabs(C* d, std::size_t n, bool functions, bool pipe, bool tabs, bool* unclosed) {
    if (unclosed) *unclosed = false;
    if (!functions && !pipe && !tabs) return n;
    C set[3];
    int count = 0;
    auto build = [&] {
        count = 0;
        if (functions) set[count++] = C('{');
        if (pipe) set[count++] = C('|');
        if (tabs) set[count++] = C('\t');
    };
    build();
    std::size_t w = 0, i = 0;
    while (i < n && count > 0) {
        const std::size_t j = FindAny(d, i, n, set, count);
        MoveDownShort(d, w, i, j - i, n);
        w += j - i;
        if (j >= n) {
            i = n;
            break;
        }
        const C c = d[j];
        if (functions && c == C('{')) {
            const std::size_t g = FindChar(d, j + 1, n, C('}'));
            if (g < n) {
                i = g + 1;
                continue;
            }
            functions = false;
            if (unclosed) *unclosed = true;
            build();
            d[w++] = c;
        } else {
            d[w++] = C(' ');
        }
        i = j + 1;
    }
    MoveDown(d, w, i, n - i);
    return w + (n - i);
}

namespace {

// GatherKept over 64 bytes, with the whole block stored at once when all of
// it is kept.
inline void StoreKept(unsigned char* d, std::size_t& w, const unsigned char* src, std::uint64_t keep) noexcept {
    if (keep == ~std::uint64_t{0}) {
        for (std::size_t k = 0; k < 64; k += kVec) VStore(d + w + k, VLoad(src + k));
        w += 64;
        return;
    }
    GatherKept(d, w, src, keep, 8);
}

// The 64 bits of p[0, 64) equal to c.
inline std::uint64_t Mask64(const unsigned char* p, Vec c) noexcept {
    std::uint64_t m = 0;
    for (std::size_t k = 0; k < 64; k += kVec) m |= std::uint64_t{VMask(VEq(VLoad(p + k), c))} << k;
    return m;
}

// StripTags over bytes, 64 at a time and without a branch per tag: the tag
// carry chain of bits::TaggedUnits on the block's masks of "<" and ">".
inline std::size_t StripTagsBlocks(unsigned char* d, std::size_t n, std::size_t& w, bool& inside) noexcept {
    const Vec lt = VSet1('<'), gt = VSet1('>');
    bits::TagCarry carry;
    carry.inside = inside;
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const std::uint64_t tagged = bits::TaggedUnits(Mask64(d + i, lt), Mask64(d + i, gt), carry);
        if (tagged != ~std::uint64_t{0}) StoreKept(d, w, d + i, ~tagged);
    }
    inside = bits::InsideAfterBlocks(carry);
    return i;
}

}  // namespace

template <class C>
std::size_t StripTags(C* d, std::size_t n, bool* unclosed) {
    std::size_t w = 0, i = 0;
    if (unclosed) *unclosed = false;
    if constexpr (kFastGather && sizeof(C) == 1) {
        bool inside = false;
        i = StripTagsBlocks(d, n, w, inside);
        if (inside) {  // the tag going on ends at the next ">"
            const std::size_t k = FindChar(d, i, n, C('>'));
            i = k >= n ? n : k + 1;
            if (k >= n && unclosed) *unclosed = true;
        }
    }
    while (i < n) {
        const std::size_t j = FindChar(d, i, n, C('<'));
        MoveDownShort(d, w, i, j - i, n);
        w += j - i;
        if (j >= n) break;
        const std::size_t k = FindChar(d, j + 1, n, C('>'));
        i = k >= n ? n : k + 1;
        if (k >= n && unclosed) *unclosed = true;
    }
    return w;
}

namespace {

// The positions of v0 (whose next units are v1) where a marker of the tail
// pass may begin: "!-" and "--" (with comments), "ms" in any case.
inline Vec TailMarkerStarts(Vec v0, Vec v1, bool comments) noexcept {
    const Vec dash = VSet1('-'), lower = VSet1(0x20);
    const Vec dashes = VAnd(VOr(VEq(v0, VSet1('!')), VEq(v0, dash)), VEq(v1, dash));
    const Vec ms = VAnd(VEq(VOr(v0, lower), VSet1('m')), VEq(VOr(v1, lower), VSet1('s')));
    return comments ? VOr(dashes, ms) : ms;
}

// The next position at or after i where TailPass must look closer: a CR, an
// LF that becomes a space, a possible marker ("!-", "--", "ms" in any case),
// or a space followed by a space or by a unit that becomes one.
template <class C>
std::size_t NextTailEvent(const C* d, std::size_t i, std::size_t n, bool comments, bool allCRLF,
                          bool spaces) noexcept {
    auto event = [&](std::size_t k) {
        const C c = d[k];
        if (c == C('\r') || (allCRLF && c == C('\n'))) return true;
        if (k + 1 >= n) return false;
        const C next = d[k + 1];
        if (comments && (c == C('!') || c == C('-')) && next == C('-')) return true;
        if (Fold(c) == C('m') && Fold(next) == C('s')) return true;
        return spaces && c == C(' ') && (next == C(' ') || next == C('\r') || (allCRLF && next == C('\n')));
    };
    if constexpr (kVectors && sizeof(C) == 1) {
        const Vec cr = VSet1('\r'), lf = VSet1('\n'), sp = VSet1(' ');
        const Vec useLF = VAll(allCRLF), useSpaces = VAll(spaces);
        for (; i + kVec + 1 <= n; i += kVec) {
            const Vec v0 = LoadAt(d, i), v1 = LoadAt(d, i + 1);
            Vec e = VOr(VEq(v0, cr), VAnd(VEq(v0, lf), useLF));
            e = VOr(e, TailMarkerStarts(v0, v1, comments));
            const Vec afterSpace = VOr(VOr(VEq(v1, sp), VEq(v1, cr)), VAnd(VEq(v1, lf), useLF));
            e = VOr(e, VAnd(VAnd(VEq(v0, sp), afterSpace), useSpaces));
            if (const std::uint32_t mask = VMask(e)) return i + LowestBit(mask);
        }
    }
    for (; i < n; ++i)
        if (event(i)) return i;
    return n;
}

// TailPass's line stage over bytes, a vector at a time: while no marker
// starts in the block, CR (and LF with allCRLF) become spaces in the
// register and the block is stored whole, unless a space in it follows a
// space; then, or up to a marker, the units go one by one through emit.
// Stops at a marker (left for TailPass) or when fewer than kVec + 1 units
// remain. run and longest follow the runs of spaces exactly as emit counts
// them. Storing a vector at w <= i only overwrites units already loaded.
template <class C, class Emit>
void BlockTail(C* d, std::size_t n, bool comments, bool allCRLF, bool spaces, std::size_t& w, std::size_t& i,
               std::size_t& run, std::size_t& longest, Emit& emit) {
    const Vec cr = VSet1('\r'), lf = VSet1('\n'), sp = VSet1(' ');
    const Vec useLF = VAll(allCRLF);
    while (i + kVec + 1 <= n) {
        const Vec v0 = LoadAt(d, i), v1 = LoadAt(d, i + 1);
        const std::uint32_t markers = VMask(TailMarkerStarts(v0, v1, comments));
        if (markers == 0) {
            const Vec blank = VOr(VEq(v0, cr), VAnd(VEq(v0, lf), useLF));
            const Vec mapped = VOr(VAndNot(blank, v0), VAnd(blank, sp));
            const std::uint32_t spaceMask = VMask(VEq(mapped, sp));
            if (!spaces) {
                VStore(d + w, mapped);
                w += kVec;
                i += kVec;
                continue;
            }
            const std::uint32_t drop = spaceMask & ((spaceMask << 1) | (run > 0 ? 1u : 0u));
            if (drop == 0) {
                VStore(d + w, mapped);
                w += kVec;
            } else if (drop != kFullMask) {  // (a block of spaces that goes on a run adds nothing)
                alignas(32) C units[kVec];
                VStore(units, mapped);
                GatherKept(d, w, units, ~drop & kFullMask, kVec / 8);
            }
            i += kVec;
            bits::SpaceRuns(spaceMask, kVec, run, longest);
            continue;
        }
        const std::size_t before = LowestBit(markers);
        for (std::size_t k = 0; k < before; ++k) emit(d[i + k]);
        i += before;
        return;
    }
}

}  // namespace

// The sweeps "!--" -> " ", "-->" -> " " and "msnavigation" -> " " run one
// after another in the literal engine. A space cannot be part of a later
// marker and the markers cannot overlap except "!--" with a "-->" that starts
// one or two units after it, which the "!--" sweep destroys; so one scan that
// tries the markers in that order at each position gives the same text.
// Between events no two spaces meet, so runs of spaces are only met at
// events (a copied stretch ending in a space counts as a run of one).
template <class C>
std::size_t TailPass(C* d, std::size_t n, bool comments, bool lineStage, bool allCRLF, bool spaces,
                     std::size_t* maxSpaceRun, std::size_t* spaceRun) {
    spaces = spaces && lineStage;
    allCRLF = allCRLF && lineStage;
    std::size_t w = 0, i = 0, run = spaces && spaceRun ? *spaceRun : 0, longest = 0;
    auto emit = [&](C c) {
        if (lineStage) {
            if (c == C('\r') || (allCRLF && c == C('\n'))) c = C(' ');
            if (spaces) {
                if (c == C(' ')) {
                    ++run;
                    if (run > longest) longest = run;
                    if (run > 1) return;
                } else {
                    run = 0;
                }
            }
        }
        d[w++] = c;
    };
    // A run of spaces that the text before d began goes on here.
    while (spaces && run > 0 && i < n && d[i] == C(' ')) {
        emit(d[i]);
        ++i;
    }
    while (i < n) {
        if constexpr (kVectors && sizeof(C) == 1) {
            if (lineStage) {
                BlockTail(d, n, comments, allCRLF, spaces, w, i, run, longest, emit);
                while (spaces && run > 0 && i < n && d[i] == C(' ')) emit(d[i++]);
                if (i >= n) break;
            }
        }
        const std::size_t j = lineStage ? NextTailEvent(d, i, n, comments, allCRLF, spaces)
                                        : NextTailEvent(d, i, n, comments, false, false);
        if (j > i) {
            MoveDownShort(d, w, i, j - i, n);
            w += j - i;
            run = d[w - 1] == C(' ') ? 1 : 0;
            if (spaces && run > longest) longest = run;
        }
        if (j >= n) break;
        if (comments && MatchFolded(d, j, n, "!--", 3)) {
            emit(C(' '));
            i = j + 3;
        } else if (comments && MatchFolded(d, j, n, "-->", 3)) {
            emit(C(' '));
            i = j + 3;
        } else if (MatchFolded(d, j, n, "msnavigation", 12)) {
            emit(C(' '));
            i = j + 12;
        } else {
            emit(d[j]);
            i = j + 1;
        }
        // A run of spaces that the event began is finished here, so that no
        // copied stretch starts inside it.
        while (spaces && run > 0 && i < n && d[i] == C(' ')) {
            emit(d[i]);
            ++i;
        }
    }
    if (maxSpaceRun) *maxSpaceRun = longest;
    if (spaceRun) *spaceRun = run;
    return w;
}

// "LF space LF" -> "LF" repeated until none is left has one result whatever
// the order of the rewrites; kept output never holds the triple, so a new
// one can only end at the LF being appended.
template <class C>
std::size_t BlankLinePass(C* d, std::size_t n) {
    std::size_t w = 0, i = 0;
    while (i < n) {
        const std::size_t j = FindChar(d, i, n, C('\n'));
        MoveDownShort(d, w, i, j - i, n);
        w += j - i;
        if (j >= n) break;
        if (w >= 2 && d[w - 1] == C(' ') && d[w - 2] == C('\n'))
            --w;
        else
            d[w++] = C('\n');
        i = j + 1;
    }
    return w;
}

template <class C>
std::size_t CollapseRuns(C* d, std::size_t n, C ch, std::size_t* maxRun) {
    std::size_t w = 0, i = 0, longest = 0;
    while (i < n) {
        const std::size_t j = FindPair(d, i, n, ch, ch, false);
        MoveDownShort(d, w, i, j - i, n);
        w += j - i;
        if (j >= n) break;
        std::size_t k = j;
        while (k < n && d[k] == ch) ++k;
        longest = std::max(longest, k - j);
        d[w++] = ch;
        i = k;
    }
    if (maxRun) *maxRun = longest;
    return w;
}

std::size_t SweepGroups(std::size_t maxRun) noexcept {
    std::size_t groups = 0;
    while (maxRun >= 2) {
        maxRun = (maxRun + 1023) / 1024;  // ten sweeps of ceil(len / 2)
        ++groups;
    }
    return groups;
}

// Every CR became a space earlier, so the CR LF pairs of the final text are
// exactly the expanded LF: trimming spaces and one CR LF at each end can be
// decided on the text before the expansion.
template <class C>
FinalShape ShapeFinal(const C* d, std::size_t n) {
    FinalShape s;
    std::size_t b = 0, e = n;
    while (b < e && d[b] == C(' ')) ++b;
    while (e > b && d[e - 1] == C(' ')) --e;
    if (b < e && d[b] == C('\n')) ++b;
    if (b < e && d[e - 1] == C('\n')) --e;
    s.begin = b;
    s.end = e;
    s.lineFeeds = CountChar(d, b, e, C('\n'));
    return s;
}

// Works from the end, so that every unit moves once: the stretch after the
// last LF not yet expanded moves up by the number of LF before it, and the
// LF becomes CR LF. Once no LF is left before, the rest is in place.
template <class C>
std::size_t ExpandLineEnds(C* d, const FinalShape& s) {
    const std::size_t len = s.end - s.begin;
    MoveDown(d, 0, s.begin, len);
    const std::size_t out = len + s.lineFeeds;
    std::size_t i = len, o = out;
    while (o > i) {
        const std::size_t lf = FindLastChar(d, i, C('\n'));  // there is one: o > i
        const std::size_t tail = i - (lf + 1);
        MoveUpShort(d, o - tail, lf + 1, tail);
        o -= tail;
        d[--o] = C('\n');
        d[--o] = C('\r');
        i = lf;
    }
    return out;
}

template <class C, class U>
const PassSet<C, U>& Passes() noexcept {
    static constexpr PassSet<C, U> kSet{
        TESSARK_FAST_ISA_NAME, &CommentPass<C, U>, &BlockPass<C, U>, &FunctionPipeTabs<C>, &StripTags<C>,
        &TailPass<C>,          &BlankLinePass<C>,  &CollapseRuns<C>, &ShapeFinal<C>,       &ExpandLineEnds<C>,
    };
    return kSet;
}

template <class C>
const ScanSet<C>& Scans() noexcept {
    static constexpr ScanSet<C> kSet{TESSARK_FAST_ISA_NAME, &FindChar<C>,      &FindLastChar<C>, &CountChar<C>, &FindAny<C>, &FindLastAny<C>,
                                     &FindMarker<C>,        &MoveDownShort<C>, &MoveUpShort<C>};
    return kSet;
}

template const ScanSet<unsigned char>& Scans<unsigned char>() noexcept;
template const ScanSet<char16_t>& Scans<char16_t>() noexcept;

// Every compilation serves bytes, as Windows-1252 and as UTF-8; only the
// baseline's serves 16-bit text as well (baseline/Passes.cpp).
template const PassSet<unsigned char, ElementUnits>& Passes<unsigned char, ElementUnits>() noexcept;
template const PassSet<unsigned char, Utf8Units>& Passes<unsigned char, Utf8Units>() noexcept;

}  // namespace TESSARK_FAST_ISA
}  // namespace tessark::fast
