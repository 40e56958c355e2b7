#include "FastReferences.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "kernels/UnitOps.h"
#include "SpecialCharTable.h"
#include "Utf8.h"

namespace tessark::fast {

using scan::Fold;
using scan::MoveDown;

namespace {

constexpr int kRows = static_cast<int>(kSpecialCharRowCount);
constexpr int kMaxBody = 7;  // units after the "&" of the longest reference

constexpr bool UnitOfReference(unsigned c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '#' || c == '&' ||
           c == ';';
}

template <class C>
bool Sigma(C c) noexcept {
    return static_cast<unsigned>(c) < 128 && UnitOfReference(static_cast<unsigned>(c));
}

// A small open-addressing map from a packed reference body to its row.
struct BodyMap {
    static constexpr std::size_t kSlots = 1024;
    std::array<std::uint64_t, kSlots> keys{};
    std::array<std::uint16_t, kSlots> rows{};
    static std::size_t Slot(std::uint64_t key) noexcept {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 54);
    }
    void Put(std::uint64_t key, std::uint16_t row) noexcept {
        std::size_t s = Slot(key);
        while (keys[s] != 0 && keys[s] != key) s = (s + 1) % kSlots;
        if (keys[s] == 0) {
            keys[s] = key;
            rows[s] = row;
        }
    }
    std::uint16_t Get(std::uint64_t key) const noexcept {
        for (std::size_t s = Slot(key);; s = (s + 1) % kSlots) {
            if (keys[s] == key) return rows[s];
            if (keys[s] == 0) return 0;
        }
    }
};

template <class C>
struct Row {
    std::uint8_t refLen = 0;
    std::uint8_t outLen = 0;
    bool ignoreCase = false;
    C ref[8]{};  // folded when ignoreCase
    C out[4]{};
};

template <class C>
C Encode(char16_t c) noexcept {
    if constexpr (sizeof(C) == 1)
        return C(Windows1252Byte(c));
    else
        return c;
}

// The replacement of a row in the units of the text; throws when it would
// be longer than the reference (the passes rewrite in place).
template <class C, class U>
void SetReplacement(Row<C>& row, std::u16string_view text) {
    C out[16];
    std::size_t len = 0;
    for (const char16_t c : text) {
        if constexpr (std::is_same_v<U, Utf8Units>) {  // the table holds BMP characters only
            len += PutUtf8(c, out + len);
        } else {
            out[len++] = Encode<C>(c);
        }
    }
    if (len > row.refLen || len > sizeof row.out / sizeof row.out[0])
        throw std::length_error("character reference replacement longer than its reference");
    for (std::size_t k = 0; k < len; ++k) row.out[k] = out[k];
    row.outLen = static_cast<std::uint8_t>(len);
}

// Rows are numbered from 1 as in the table; 0 means none.
template <class C, class U>
struct Table {
    std::array<Row<C>, kRows + 1> rows{};
    BodyMap exact, folded;
    std::vector<std::uint16_t> unterminated;  // rows whose reference has no ";"
    // Every replacement holding an "&" is exactly "&" (what the windows of
    // ReplaceCluster rely on; without it a cluster is simulated whole).
    bool simpleOutputs = true;

    Table() {
        for (int i = 1; i <= kRows; ++i) {
            const SpecialCharRow& src = SpecialCharTable[static_cast<std::size_t>(i - 1)];
            Row<C>& row = rows[static_cast<std::size_t>(i)];
            row.refLen = static_cast<std::uint8_t>(src.reference.size());
            row.ignoreCase = src.match == Match::IgnoreCase;
            std::uint64_t key = 0;
            for (std::size_t k = 0; k < src.reference.size(); ++k) {
                const char16_t c = row.ignoreCase ? Fold(src.reference[k]) : src.reference[k];
                row.ref[k] = C(c);
                if (k > 0) key |= static_cast<std::uint64_t>(c & 0xFF) << (8 * (k - 1));
            }
            SetReplacement<C, U>(row, src.replacement);
            if (src.replacement.find(u'&') != std::u16string_view::npos && src.replacement != u"&")
                simpleOutputs = false;
            if (src.reference.back() != u';')
                unterminated.push_back(static_cast<std::uint16_t>(i));
            else
                (row.ignoreCase ? folded : exact).Put(key, static_cast<std::uint16_t>(i));
        }
    }

    // The rows whose reference matches "&" followed by body[0, m), in
    // ascending order; at most one ends in ";" and the others are rows
    // without it. Returns their count.
    int Matching(const C* body, int m, std::uint16_t* out) const noexcept {
        int count = 0;
        std::uint64_t key = 0, foldedKey = 0;
        for (int j = 0; j < m; ++j) {
            const C c = body[j];
            if (!Sigma(c) || c == C('&')) break;
            const auto u = static_cast<std::uint64_t>(c);
            key |= u << (8 * j);
            foldedKey |= static_cast<std::uint64_t>(Fold(c)) << (8 * j);
            if (c == C(';')) {
                if (const std::uint16_t r = exact.Get(key)) out[count++] = r;
                if (const std::uint16_t r = folded.Get(foldedKey)) out[count++] = r;
                break;
            }
        }
        for (const std::uint16_t r : unterminated) {
            const Row<C>& row = rows[r];
            const int len = row.refLen - 1;
            if (m < len) continue;
            bool ok = true;
            for (int k = 0; k < len && ok; ++k) {
                const C c = row.ignoreCase ? Fold(body[k]) : body[k];
                ok = c == row.ref[k + 1];
            }
            if (ok) out[count++] = r;
        }
        for (int a = 1; a < count; ++a)  // at most three rows: insertion sort
            for (int b = a; b > 0 && out[b - 1] > out[b]; --b) std::swap(out[b - 1], out[b]);
        return count;
    }
};

template <class C, class U>
const Table<C, U>& TheTable() {
    static const Table<C, U> table;
    return table;
}

// A unit that can stand inside a reference's body before its end: a letter,
// a digit or "#". Anything else (";", or a unit no reference holds) ends
// every body that reaches it.
template <class C>
bool InnerUnit(C c) noexcept {
    return Sigma(c) && c != C(';') && c != C('&');
}

// True when no reference's body can reach past the end of a[0, na) followed
// by b[0, nb): the two hold kMaxBody units, or a unit that ends every body
// before that. What is appended after such a text never changes which rows
// match at the "&" in front of it.
template <class C>
bool Closed(const C* a, std::size_t na, const C* b, std::size_t nb) noexcept {
    for (std::size_t k = 0; k < na; ++k)
        if (k >= kMaxBody || !InnerUnit(a[k])) return true;
    for (std::size_t k = 0; k < nb; ++k)
        if (na + k >= kMaxBody || !InnerUnit(b[k])) return true;
    return na + nb >= kMaxBody;
}

// The fate of one segment (an "&" and the n units of its body up to the
// next "&" or the end of the cluster) when nothing joins it: it turns into
// out[0, outLen) followed by its units from `consumed` on (counted from the
// "&"). A segment that matches nothing keeps "&": consumed 1, out "&".
//
// `barrier` tells whether the segment's fate is decided by its own units and
// what it leaves behind closes every body on its left.
//
// Why this splits a cluster: the rows act on a cluster as a row of
// segments. A match lies inside one segment (no body holds "&"), so the rows
// act on each segment's "&" by that segment's units alone. A segment changes
// its neighbours in one way only: when a replacement not beginning with "&"
// takes its "&" away, its remaining units join the body of the segment on
// its left, at that row. Influence therefore runs from right to left, and a
// barrier stops it: a segment whose body is closed from the start, stays
// closed after every replacement that keeps its "&" (a closed body does not
// care what joins it), and either keeps its "&" to the end or leaves a
// closed text to its left. The text up to the end of a barrier's units then
// converts exactly as if nothing followed it, and what follows converts as
// if it stood alone.
//
// Worked example, "&amp;&lt;&#&not;65;": "&amp;" (row 63) becomes "&" with an
// empty body, which is open; "&lt;" (row 81) leaves "<", which is closed: a
// barrier. "&#" is open; "&not;65;" (row 88) leaves "65;", closed by its
// ";": a barrier. The windows are "&amp;&lt;" and "&#&not;65;" (the second
// becomes "&#65;" at row 88 and "A" at row 144).
template <class C>
struct SegmentFate {
    std::uint64_t key = 0;  // 0: an empty slot of the memo
    bool barrier = false;
    std::uint16_t row = 0;  // the row that took the "&" away; 0 when it stays
    std::uint8_t consumed = 1;
    std::uint8_t outLen = 1;
    C out[4]{C('&')};
};

// Computes the fate; `examined` receives one past the last body unit it
// depended on (the length of the body when it depended on where it ends).
template <class C, class U>
SegmentFate<C> ComputeFate(const Table<C, U>& t, const C* body, std::size_t n, std::size_t* examined) noexcept {
    SegmentFate<C> f;
    std::size_t seen = 0;
    const auto look = [&](std::size_t from) { seen = std::max(seen, std::min(n, from + kMaxBody)); };
    look(0);
    bool closed = Closed(body, n, body, 0);
    std::size_t pos = 0;
    int after = 0;
    for (;;) {
        std::uint16_t rows[4];
        const int count = t.Matching(body + pos, static_cast<int>(std::min<std::size_t>(kMaxBody, n - pos)), rows);
        look(pos);
        int chosen = 0;
        for (int k = 0; k < count && !chosen; ++k)
            if (rows[k] > after) chosen = rows[k];
        if (!chosen) {  // the "&" stays to the end
            f.consumed = static_cast<std::uint8_t>(1 + pos);
            f.barrier = closed;
            break;
        }
        const Row<C>& row = t.rows[static_cast<std::size_t>(chosen)];
        const std::size_t used = row.refLen - 1u;
        if (row.outLen == 1 && row.out[0] == C('&')) {
            pos += used;
            after = chosen;
            closed = closed && Closed(body + pos, n - pos, body, 0);
            look(pos);
            continue;
        }
        f.consumed = static_cast<std::uint8_t>(1 + pos + used);
        f.row = static_cast<std::uint16_t>(chosen);
        f.outLen = row.outLen;
        for (int k = 0; k < row.outLen; ++k) f.out[k] = row.out[k];
        f.barrier = closed && Closed(row.out, row.outLen, body + pos + used, n - pos - used);
        look(pos + used);
        break;
    }
    f.barrier = f.barrier && t.simpleOutputs;
    *examined = seen;
    return f;
}

// Memos of segment fates and of the results of short windows (the same few
// references recur through a page); each thread has its own (ThreadMemo),
// one for each unit type and policy, since what they hold is written in the
// units of the text (a replacement is one byte in Windows-1252 and up to
// three in UTF-8). Keys pack the units of a cluster, which are all ASCII,
// one per byte.
template <class C, class U>
struct Memo {
    static constexpr std::size_t kSegmentSlots = 4096;
    static constexpr std::size_t kWindowSlots = 1024;
    static constexpr std::size_t kWindowUnits = 16;
    static constexpr std::size_t kMinWindowUnits = 4;
    struct Window {
        std::uint64_t key[2] = {0, 0};
        std::uint8_t len = 0;  // 0: an empty slot
        std::uint8_t outLen = 0;
        bool barrier = false;  // ends with a barrier, not only with the cluster
        C out[kWindowUnits]{};
    };
    // The rows that match "&" followed by a body's first units, in ascending
    // order (Table::Matching).
    struct Rows {
        std::uint64_t key = 0;  // 0: an empty slot
        std::uint16_t rows[3] = {0, 0, 0};
        int count = 0;
    };
    static constexpr std::size_t kRowsSlots = 1024;
    std::vector<SegmentFate<C>> segments = std::vector<SegmentFate<C>>(kSegmentSlots);
    std::vector<Rows> candidates = std::vector<Rows>(kRowsSlots);

    // g[0, m), m <= 7: what Matching depends on, one byte per unit (a unit no
    // reference holds as 0x80) and m.
    const Rows& Candidates(const Table<C, U>& t, const C* g, int m) noexcept {
        std::uint64_t key = static_cast<std::uint64_t>(m + 1) << 56;
        for (int k = 0; k < m; ++k)
            key |= static_cast<std::uint64_t>(Sigma(g[k]) ? static_cast<unsigned>(g[k]) : 0x80u) << (8 * k);
        Rows& slot = candidates[Slot(key, 10)];
        if (slot.key != key) {
            std::uint16_t rows[4];
            slot.count = t.Matching(g, m, rows);
            for (int k = 0; k < slot.count; ++k) slot.rows[k] = rows[k];
            slot.key = key;
        }
        return slot;
    }

    std::vector<Window> windows = std::vector<Window>(kWindowSlots);      // under 8 units
    std::vector<Window> longWindows = std::vector<Window>(kWindowSlots);  // 8 units or more

    static std::size_t Slot(std::uint64_t key, int bits) noexcept {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
    }

    // A window is not known to be long before it is found: windows of 8
    // units or more are found by their first 8 units, shorter ones by their
    // first kMinWindowUnits, and compared in whole.
    static std::size_t WindowSlot(const std::uint64_t key[2]) noexcept { return Slot(key[0] & 0xFFFFFFFFull, 10); }
    static std::size_t LongWindowSlot(const std::uint64_t key[2]) noexcept { return Slot(key[0], 10); }
    Window& SlotFor(const std::uint64_t key[2], std::size_t units) noexcept {
        return units >= 8 ? longWindows[LongWindowSlot(key)] : windows[WindowSlot(key)];
    }
    static void Mask(const std::uint64_t key[2], std::size_t units, std::uint64_t masked[2]) noexcept {
        masked[0] = units >= 8 ? key[0] : key[0] & ((1ull << (8 * units)) - 1);
        masked[1] = units >= 16 ? key[1] : units <= 8 ? 0 : key[1] & ((1ull << (8 * (units - 8))) - 1);
    }
    static bool SameUnits(const std::uint64_t key[2], const std::uint64_t window[2], std::size_t units) noexcept {
        std::uint64_t masked[2];
        Mask(key, units, masked);
        return masked[0] == window[0] && masked[1] == window[1];
    }

    // The body's first seven units and its length (8 standing for more).
    static std::uint64_t SegmentKey(const C* body, std::size_t n) noexcept {
        const std::size_t m = std::min<std::size_t>(n, kMaxBody);
        std::uint64_t key = static_cast<std::uint64_t>(std::min<std::size_t>(n, 8) + 1) << 56;
        if constexpr (sizeof(C) == 1) {
            if (n >= 8) {  // eight units can be read: one load
                std::uint64_t units;
                std::memcpy(&units, body, 8);
                return key | (units & 0x00FFFFFFFFFFFFFFull);
            }
        }
        for (std::size_t k = 0; k < m; ++k) key |= static_cast<std::uint64_t>(body[k] & 0xFF) << (8 * k);
        return key;
    }

    const SegmentFate<C>& Fate(const Table<C, U>& t, const C* body, std::size_t n) noexcept {
        const std::uint64_t key = SegmentKey(body, n);
        SegmentFate<C>& slot = segments[Slot(key, 12)];
        if (slot.key == key) return slot;
        std::size_t examined = 0;
        scratch = ComputeFate(t, body, n, &examined);
        if (n < 8 || examined <= kMaxBody) {
            slot = scratch;
            slot.key = key;
            return slot;
        }
        return scratch;
    }

    SegmentFate<C> scratch;
};

// The exact conversion of a window that no barrier splits, from its last
// segment to its first, in place, in one pass (see SegmentFate for the
// segments and why influence runs from right to left only).
//
// The text already converted, right of the segment in hand, begins with the
// "free" text that has lost its "&": the units of segments that vanished,
// which join the nearest segment on their left that still has its "&". The
// free text is a row of pieces, each with the row at which it joins; from
// left to right their rows increase (a piece that vanished before the one on
// its left joined that one instead). The segment in hand takes, row by row,
// the first of: its next match (at or before the next piece's row, since a
// row matches on the text before its own replacements) and the next piece.
// A replacement that keeps the "&" goes on; one that does not ends the
// segment, which becomes a piece itself, joined with a piece of the same
// row; a segment that matches nothing more after the last piece keeps its
// "&", and the free text is then empty. Every piece is taken once, so the
// work is linear, and the memory is the stack of at most 323 pieces.
//
// Worked example, "&#2&not;&#53;8;": "&#53;8;" matches row 132 ("&#53;" ->
// "5") and becomes the piece (132, "58;"). "&not;" matches row 88 before that
// piece joins it, and becomes (88, ""), in front of it. "&#2" takes (88, ""),
// matches nothing, takes (132, "58;") and is then "&#258;", which row 318
// turns into the code page's letter: the result is that one letter.
template <class C, class U>
class ReverseWindow {
public:
    explicit ReverseWindow(const ScanSet<C>& scans) : scans_(scans) {}

    // Converts s[0, len) (which begins with "&" and lies inside a cluster)
    // and leaves the result at s[o, len); returns o.
    std::size_t Run(const Table<C, U>& t, Memo<C, U>& memo, C* s, std::size_t len) {
        constexpr int kNone = kRows + 1;
        pieces_.clear();
        std::size_t o = len, e = len;
        while (e > 0) {
            const std::size_t q = FindLastCharNear(scans_, s, e, C('&'));
            const C* body = s + q + 1;
            const std::size_t nb = e - q - 1;
            if (nb == 0 && pieces_.empty()) {  // "&" before "&" or the end stays
                s[--o] = C('&');
                e = q;
                continue;
            }
            if (pieces_.empty()) {  // nothing joins: the segment's own fate
                const SegmentFate<C>& f = memo.Fate(t, body, nb);
                const std::size_t rest = nb + 1 - f.consumed;
                std::size_t to = o - rest;
                MoveDown(s, to, q + f.consumed, rest);
                to -= f.outLen;
                for (int k = 0; k < f.outLen; ++k) s[to + static_cast<std::size_t>(k)] = f.out[k];
                if (f.row) pieces_.push_back({f.row, o - to});
                o = to;
                e = q;
                continue;
            }
            std::size_t kb = 0, ka = 0, arrived = 0;  // body units used, piece units used and taken
            int time = 0;
            C head[4] = {C('&')};
            int headLen = 1;
            bool vanished = false;
            int vanishedAt = 0;
            for (;;) {
                C g[kMaxBody];
                int m = 0;
                for (std::size_t k = kb; k < nb && m < static_cast<int>(kMaxBody); ++k) g[m++] = body[k];
                for (std::size_t k = o + ka; k < o + arrived && m < static_cast<int>(kMaxBody); ++k) g[m++] = s[k];
                const typename Memo<C, U>::Rows& rows = memo.Candidates(t, g, m);
                int match = kNone;
                for (int k = 0; k < rows.count && match == kNone; ++k)
                    if (rows.rows[k] > time) match = rows.rows[k];
                const int piece = pieces_.empty() ? kNone : pieces_.back().row;
                if (match != kNone && match <= piece) {
                    const Row<C>& row = t.rows[static_cast<std::size_t>(match)];
                    std::size_t used = row.refLen - 1u;
                    const std::size_t fromBody = std::min(used, nb - kb);
                    kb += fromBody;
                    ka += used - fromBody;
                    time = match;
                    if (row.outLen == 1 && row.out[0] == C('&')) continue;
                    headLen = row.outLen;
                    for (int k = 0; k < headLen; ++k) head[k] = row.out[k];
                    vanished = true;
                    vanishedAt = match;
                    break;
                }
                if (piece == kNone) break;  // the "&" stays
                arrived += pieces_.back().len;
                pieces_.pop_back();
                time = piece;
            }
            // The segment's text: head, the rest of its body, the rest of
            // what joined it; written right-aligned before the pieces that
            // did not join it.
            std::size_t to = o + ka;
            const std::size_t restBody = nb - kb;
            to -= restBody;
            MoveDown(s, to, q + 1 + kb, restBody);  // to >= q + 1 + kb: an upward move
            to -= static_cast<std::size_t>(headLen);
            for (int k = 0; k < headLen; ++k) s[to + static_cast<std::size_t>(k)] = head[k];
            if (vanished) {
                const std::size_t textLen = o + arrived - to;
                if (!pieces_.empty() && pieces_.back().row == vanishedAt)
                    pieces_.back().len += textLen;
                else
                    pieces_.push_back({vanishedAt, textLen});
            }
            o = to;
            e = q;
        }
        return o;
    }

private:
    struct Piece {
        int row;
        std::size_t len;
    };
    const ScanSet<C>& scans_;
    std::vector<Piece> pieces_;  // the top is the leftmost piece
};

// The memos of this thread, made on its first cluster and kept for its
// later calls: what they hold depends on the table alone.
template <class C, class U>
Memo<C, U>& ThreadMemo() {
    thread_local std::unique_ptr<Memo<C, U>> memo;
    if (!memo) memo = std::make_unique<Memo<C, U>>();
    return *memo;
}

// The first k >= i with d[k] not a unit of a reference, or n.
constexpr auto kSigmaTable = [] {
    std::array<bool, 256> table{};
    for (unsigned c = 0; c < 128; ++c) table[c] = UnitOfReference(c);
    return table;
}();

template <class C>
std::size_t ClusterEnd(const C* d, std::size_t i, std::size_t n) noexcept {
    if constexpr (sizeof(C) == 1) {
        while (i + 4 <= n && kSigmaTable[d[i]] && kSigmaTable[d[i + 1]] && kSigmaTable[d[i + 2]] &&
               kSigmaTable[d[i + 3]])
            i += 4;
        while (i < n && kSigmaTable[d[i]]) ++i;
    } else {
        while (i < n && Sigma(d[i])) ++i;
    }
    return i;
}

template <class C>
bool HasSemicolon(const C* d, std::size_t n) noexcept {
    for (std::size_t k = 0; k < n; ++k)
        if (d[k] == C(';')) return true;
    return false;
}

// The units of a short window, one per byte (they are all ASCII).
template <class C>
void PackWindow(const C* src, std::size_t size, std::size_t available, std::uint64_t key[2]) noexcept {
    if constexpr (sizeof(C) == 1) {
        if (available >= 16) {
            std::memcpy(key, src, 16);
            if (size < 8) {
                key[0] &= size == 0 ? 0 : ~0ull >> (64 - 8 * size);
                key[1] = 0;
            } else if (size < 16) {
                key[1] &= size == 8 ? 0 : ~0ull >> (64 - 8 * (size - 8));
            }
            return;
        }
    }
    key[0] = key[1] = 0;
    for (std::size_t k = 0; k < size; ++k) key[k / 8] |= static_cast<std::uint64_t>(src[k] & 0xFF) << (8 * (k % 8));
}

template <class C, class U, class Reached>
std::size_t ReplaceCluster(const Table<C, U>& t, Memo<C, U>& memo, const ScanSet<C>& scans, ReverseWindow<C, U>& reverse, C* src,
                           std::size_t len, C* out, const Reached& reached) {
    using Window = typename Memo<C, U>::Window;
    constexpr std::size_t kUnits = Memo<C, U>::kWindowUnits, kMinUnits = Memo<C, U>::kMinWindowUnits;
    std::size_t w = 0, start = 0;
    while (start < len) {
        // A window met before: the same units, followed by the end of the
        // cluster or (when the window ends with a barrier) by "&", split the
        // same way and convert the same way.
        const std::size_t available = len - start;
        std::uint64_t key[2];
        PackWindow(src + start, std::min(available, kUnits), available, key);
        const auto found = [&](const Window& slot) {
            return slot.len != 0 && slot.len <= available &&
                   (slot.len == available || (slot.barrier && src[start + slot.len] == C('&'))) &&
                   Memo<C, U>::SameUnits(key, slot.key, slot.len);
        };
        const Window* hit = nullptr;
        if (available >= 8 && found(memo.longWindows[Memo<C, U>::LongWindowSlot(key)]))
            hit = &memo.longWindows[Memo<C, U>::LongWindowSlot(key)];
        else if (found(memo.windows[Memo<C, U>::WindowSlot(key)]))
            hit = &memo.windows[Memo<C, U>::WindowSlot(key)];
        if (hit) {
            for (std::size_t k = 0; k < hit->outLen; ++k) out[w + k] = hit->out[k];
            w += hit->outLen;
            start += hit->len;
            reached(start);
            continue;
        }

        std::size_t q = start, segments = 0, end = len;
        const SegmentFate<C>* fate = nullptr;
        for (;;) {
            const std::size_t e = FindCharNear(scans, src, q + 1, len, C('&'));
            ++segments;
            // A body that is open from the start (under seven units, no
            // ";": the cluster holds nothing else) never makes a barrier.
            if (e != len && e - q - 1 < kMaxBody && !HasSemicolon(src + q + 1, e - q - 1)) {
                q = e;
                continue;
            }
            fate = &memo.Fate(t, src + q + 1, e - q - 1);
            if (e == len || fate->barrier) {
                end = e;
                break;
            }
            q = e;
        }
        const std::size_t size = end - start;
        if (size >= kMinUnits && size <= kUnits) {  // converted once, kept in the memo
            Window& slot = memo.SlotFor(key, size);
            C copy[kUnits];
            for (std::size_t k = 0; k < size; ++k) copy[k] = src[start + k];
            std::size_t o = 0;
            if (segments == 1) {
                o = fate->consumed - fate->outLen;
                for (int k = 0; k < fate->outLen; ++k) copy[o + static_cast<std::size_t>(k)] = fate->out[k];
            } else {
                o = reverse.Run(t, memo, copy, size);
            }
            slot.outLen = static_cast<std::uint8_t>(size - o);
            for (std::size_t k = o; k < size; ++k) slot.out[k - o] = copy[k];
            Memo<C, U>::Mask(key, size, slot.key);
            slot.len = static_cast<std::uint8_t>(size);
            slot.barrier = fate->barrier;
            for (std::size_t k = 0; k < slot.outLen; ++k) out[w + k] = slot.out[k];
            w += slot.outLen;
        } else if (segments == 1) {
            // out + w <= src + start: the fate's units go first, then the rest
            for (int k = 0; k < fate->outLen; ++k) out[w + static_cast<std::size_t>(k)] = fate->out[k];
            const std::size_t rest = size - fate->consumed;
            const C* from = src + start + fate->consumed;
            C* to = out + w + fate->outLen;
            if (rest <= 16)
                for (std::size_t k = 0; k < rest; ++k) to[k] = from[k];
            else
                std::memmove(to, from, rest * sizeof(C));
            w += fate->outLen + rest;
        } else {
            const std::size_t o = reverse.Run(t, memo, src + start, size);
            MoveDown(out, w, static_cast<std::size_t>(src - out) + start + o, size - o);
            w += size - o;
        }
        start = end;
        reached(start);
    }
    return w;
}

}  // namespace

bool IsReferenceUnit(char16_t c) noexcept { return Sigma(c); }

template <class C, class U>
std::size_t ReplaceReferences(C* d, std::size_t n, const std::function<void()>& yield) {
    const Table<C, U>& t = TheTable<C, U>();
    const ScanSet<C>& scans = ScansFor<C>();
    ReverseWindow<C, U> reverse(scans);
    Memo<C, U>* memo = nullptr;  // the thread's, found on the first cluster
    // The nine yields fall when the scan passes each tenth of the text, also
    // between the windows of a long cluster.
    int yields = 0;
    const auto reached = [&](std::size_t r) {
        while (yields < 9 && r >= n / 10 * static_cast<std::size_t>(yields + 1)) {
            ++yields;
            yield();
        }
    };
    std::size_t w = 0, r = 0;
    reached(0);
    while (r < n) {
        const std::size_t next = yields < 9 ? n / 10 * static_cast<std::size_t>(yields + 1) : n;
        const std::size_t p = FindCharNear(scans, d, r, std::max(next, r + 1), C('&'));
        MoveDownNear(scans, d, w, r, p - r, n);
        w += p - r;
        r = p;
        if (r >= n) break;
        if (d[r] != C('&')) {
            reached(r);
            continue;
        }
        const std::size_t e = ClusterEnd(d, p + 1, n);
        if (!memo) memo = &ThreadMemo<C, U>();
        w += ReplaceCluster(t, *memo, scans, reverse, d + p, e - p, d + w, [&](std::size_t consumed) { reached(p + consumed); });
        r = e;
    }
    reached(n);
    return w;
}

template std::size_t ReplaceReferences<char16_t, ElementUnits>(char16_t*, std::size_t, const std::function<void()>&);
template std::size_t ReplaceReferences<unsigned char, ElementUnits>(unsigned char*, std::size_t, const std::function<void()>&);
template std::size_t ReplaceReferences<unsigned char, Utf8Units>(unsigned char*, std::size_t, const std::function<void()>&);

}  // namespace tessark::fast
