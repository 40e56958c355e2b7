#include "FastReferences.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FastScan.h"
#include "SpecialCharTable.h"

namespace tessark::fast {

using scan::FindChar;
using scan::Fold;
using scan::MoveDown;
using scan::MoveDownShort;

namespace {

constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

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

// Rows are numbered from 1 as in the table; 0 means none.
template <class C>
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
            row.outLen = static_cast<std::uint8_t>(src.replacement.size());
            row.ignoreCase = src.match == Match::IgnoreCase;
            std::uint64_t key = 0;
            for (std::size_t k = 0; k < src.reference.size(); ++k) {
                const char16_t c = row.ignoreCase ? Fold(src.reference[k]) : src.reference[k];
                row.ref[k] = C(c);
                if (k > 0) key |= static_cast<std::uint64_t>(c & 0xFF) << (8 * (k - 1));
            }
            for (std::size_t k = 0; k < src.replacement.size(); ++k) row.out[k] = Encode<C>(src.replacement[k]);
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

template <class C>
const Table<C>& TheTable() {
    static const Table<C> table;
    return table;
}

// The exact simulation of the rows on one cluster (see the header).
template <class C>
class ClusterSim {
public:
    explicit ClusterSim(const Table<C>& t) : t_(t) {}

    // Simulates src[0, len) (which begins with "&") and writes the result to
    // out, which may be src itself. Returns the result's length.
    std::size_t Run(const C* src, std::size_t len, C* out) {
        const auto n = static_cast<std::int32_t>(len);
        ch_.assign(src, src + len);
        next_.resize(len);
        prev_.resize(len);
        stamp_.assign(len, 0);
        for (std::int32_t i = 0; i < n; ++i) {
            next_[static_cast<std::size_t>(i)] = i + 1 < n ? i + 1 : -1;
            prev_[static_cast<std::size_t>(i)] = i - 1;
        }
        head_ = 0;
        for (std::int32_t i = 0; i < n; ++i)
            if (ch_[static_cast<std::size_t>(i)] == C('&')) Register(i, 0);
        for (int row = NextRow(1); row <= kRows; row = NextRow(row + 1)) {
            std::vector<std::int32_t>& bucket = buckets_[static_cast<std::size_t>(row)];
            valid_.clear();
            for (const std::int32_t x : bucket) {
                const auto ux = static_cast<std::size_t>(x);
                if (stamp_[ux] == kDead || stamp_[ux] == row || ch_[ux] != C('&')) continue;
                if (!Matches(x, t_.rows[static_cast<std::size_t>(row)])) continue;
                stamp_[ux] = static_cast<std::uint16_t>(row);
                valid_.push_back(x);
            }
            bucket.clear();
            pending_[static_cast<std::size_t>(row) / 64] &= ~(1ull << (row % 64));
            for (const std::int32_t x : valid_) Replace(x, row);
        }
        std::size_t w = 0;
        for (std::int32_t i = head_; i >= 0; i = next_[static_cast<std::size_t>(i)])
            out[w++] = ch_[static_cast<std::size_t>(i)];
        return w;
    }

private:
    static constexpr std::uint16_t kDead = 0xFFFF;

    int NextRow(int from) const noexcept {
        for (int word = from / 64; word < static_cast<int>(pending_.size()); ++word) {
            std::uint64_t bits = pending_[static_cast<std::size_t>(word)];
            if (word == from / 64) bits &= ~0ull << (from % 64);
            if (bits) return word * 64 + std::countr_zero(bits);
        }
        return kRows + 1;
    }

    bool Matches(std::int32_t x, const Row<C>& row) const noexcept {
        std::int32_t node = next_[static_cast<std::size_t>(x)];
        for (int k = 1; k < row.refLen; ++k) {
            if (node < 0) return false;
            C c = ch_[static_cast<std::size_t>(node)];
            if (row.ignoreCase) c = Fold(c);
            if (c != row.ref[k]) return false;
            node = next_[static_cast<std::size_t>(node)];
        }
        return true;
    }

    // Files the "&" at s under every row after `after` that matches there now.
    void Register(std::int32_t s, int after) {
        C body[kMaxBody];
        int m = 0;
        for (std::int32_t node = next_[static_cast<std::size_t>(s)]; node >= 0 && m < kMaxBody;
             node = next_[static_cast<std::size_t>(node)])
            body[m++] = ch_[static_cast<std::size_t>(node)];
        std::uint16_t rows[4];
        const int count = t_.Matching(body, m, rows);
        for (int k = 0; k < count; ++k) {
            const int r = rows[k];
            if (r <= after) continue;
            buckets_[static_cast<std::size_t>(r)].push_back(s);
            pending_[static_cast<std::size_t>(r) / 64] |= 1ull << (r % 64);
        }
    }

    void Replace(std::int32_t x, int rowNumber) {
        const Row<C>& row = t_.rows[static_cast<std::size_t>(rowNumber)];
        std::int32_t nodes[8];
        std::int32_t node = x;
        for (int k = 0; k < row.refLen; ++k) {
            nodes[k] = node;
            node = next_[static_cast<std::size_t>(node)];
        }
        const std::int32_t after = node;
        for (int k = 0; k < row.outLen; ++k) ch_[static_cast<std::size_t>(nodes[k])] = row.out[k];
        const std::int32_t before = row.outLen > 0 ? nodes[row.outLen - 1] : prev_[static_cast<std::size_t>(x)];
        for (int k = row.outLen; k < row.refLen; ++k) stamp_[static_cast<std::size_t>(nodes[k])] = kDead;
        if (before >= 0)
            next_[static_cast<std::size_t>(before)] = after;
        else
            head_ = after;
        if (after >= 0) prev_[static_cast<std::size_t>(after)] = before;

        // New matches for later rows hold a unit written here or span the
        // join; they begin at the new "&" or at the nearest "&" before.
        if (row.outLen > 0 && row.out[0] == C('&')) Register(nodes[0], rowNumber);
        std::int32_t s = row.outLen > 0 ? prev_[static_cast<std::size_t>(nodes[0])] : before;
        for (int steps = 0; steps < kMaxBody && s >= 0; ++steps, s = prev_[static_cast<std::size_t>(s)]) {
            const C c = ch_[static_cast<std::size_t>(s)];
            if (!Sigma(c)) break;
            if (c == C('&')) {
                Register(s, rowNumber);
                break;
            }
        }
    }

    const Table<C>& t_;
    std::vector<C> ch_;
    std::vector<std::int32_t> next_, prev_;
    std::vector<std::uint16_t> stamp_;  // kDead, or the last row that matched at an "&"
    std::array<std::vector<std::int32_t>, kRows + 1> buckets_{};
    std::array<std::uint64_t, (kRows + 64) / 64> pending_{};
    std::vector<std::int32_t> valid_;
    std::int32_t head_ = 0;
};

// A cluster with one "&": the reference at its start is replaced by the
// first row that matches; a replacement "&" is tried against later rows.
// Writes the result at out (<= src) and returns its length.
template <class C>
std::size_t SingleReference(const Table<C>& t, const C* src, std::size_t len, C* out) {
    std::size_t pos = 1;  // the units after the current "&"
    int after = 0;
    for (;;) {
        const int m = static_cast<int>(std::min<std::size_t>(kMaxBody, len - pos));
        std::uint16_t rows[4];
        const int count = t.Matching(src + pos, m, rows);
        int chosen = 0;
        for (int k = 0; k < count && !chosen; ++k)
            if (rows[k] > after) chosen = rows[k];
        if (!chosen) {
            out[0] = C('&');
            MoveDown(out, 1, static_cast<std::size_t>(src - out) + pos, len - pos);
            return 1 + (len - pos);
        }
        const Row<C>& row = t.rows[static_cast<std::size_t>(chosen)];
        pos += row.refLen - 1u;
        if (row.outLen == 1 && row.out[0] == C('&')) {
            after = chosen;
            continue;
        }
        for (int k = 0; k < row.outLen; ++k) out[k] = row.out[k];
        MoveDown(out, row.outLen, static_cast<std::size_t>(src - out) + pos, len - pos);
        return row.outLen + (len - pos);
    }
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
// becomes "&#65;" at row 88 and "A" at row 174).
template <class C>
struct SegmentFate {
    std::uint64_t key = 0;  // 0: an empty slot of the memo
    bool barrier = false;
    std::uint8_t consumed = 1;
    std::uint8_t outLen = 1;
    C out[4]{C('&')};
};

// Computes the fate; `examined` receives one past the last body unit it
// depended on (the length of the body when it depended on where it ends).
template <class C>
SegmentFate<C> ComputeFate(const Table<C>& t, const C* body, std::size_t n, std::size_t* examined) noexcept {
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

// Memos of segment fates and of the results of short windows, for one call
// of ReplaceReferences (the same few references recur through a page).
// Keys pack the units of a cluster, which are all ASCII, one per byte.
template <class C>
struct Memo {
    static constexpr std::size_t kSegmentSlots = 1024;
    static constexpr std::size_t kWindowSlots = 512;
    static constexpr std::size_t kWindowUnits = 16;
    struct Window {
        std::uint64_t key[2] = {0, 0};
        std::uint8_t len = 0;  // 0: an empty slot
        std::uint8_t outLen = 0;
        C out[kWindowUnits]{};
    };
    std::vector<SegmentFate<C>> segments = std::vector<SegmentFate<C>>(kSegmentSlots);
    std::vector<Window> windows = std::vector<Window>(kWindowSlots);

    static std::size_t Slot(std::uint64_t key, int bits) noexcept {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
    }

    // The body's first seven units and its length (8 standing for more).
    static std::uint64_t SegmentKey(const C* body, std::size_t n) noexcept {
        const std::size_t m = std::min<std::size_t>(n, kMaxBody);
        std::uint64_t key = static_cast<std::uint64_t>(std::min<std::size_t>(n, 8) + 1) << 56;
        for (std::size_t k = 0; k < m; ++k) key |= static_cast<std::uint64_t>(body[k] & 0xFF) << (8 * k);
        return key;
    }

    const SegmentFate<C>& Fate(const Table<C>& t, const C* body, std::size_t n) noexcept {
        const std::uint64_t key = SegmentKey(body, n);
        SegmentFate<C>& slot = segments[Slot(key, 10)];
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

// The exact simulation of the rows on a short window (at most kSmallWindow
// units), in a local buffer: the next matching row of every "&" is kept and
// recomputed only when its body changed; the smallest is applied everywhere
// it is due, which is what the rows one after another do.
constexpr std::size_t kSmallWindow = 96;

template <class C>
std::size_t SmallWindow(const Table<C>& t, const C* src, std::size_t len, C* out) {
    constexpr std::uint16_t kNone = kRows + 1;
    constexpr std::uint16_t kStale = 0;
    C buf[2][kSmallWindow];
    std::uint16_t next[2][kSmallWindow];
    int cur = 0;
    for (std::size_t i = 0; i < len; ++i) {
        buf[0][i] = src[i];
        next[0][i] = kStale;
    }
    int time = 0;  // the rows up to this one are applied
    for (;;) {
        int best = kNone;
        for (std::size_t q = 0; q < len; ++q) {
            if (buf[cur][q] != C('&')) continue;
            if (next[cur][q] == kStale) {
                std::uint16_t rows[4];
                const int m = static_cast<int>(std::min<std::size_t>(kMaxBody, len - q - 1));
                const int count = t.Matching(&buf[cur][q + 1], m, rows);
                std::uint16_t chosen = kNone;
                for (int k = 0; k < count && chosen == kNone; ++k)
                    if (rows[k] > time) chosen = rows[k];
                next[cur][q] = chosen;
            }
            best = std::min<int>(best, next[cur][q]);
        }
        if (best == kNone) break;
        const Row<C>& row = t.rows[static_cast<std::size_t>(best)];
        const int to = 1 - cur;
        std::size_t w = 0, lastAmp = kSmallWindow;
        for (std::size_t q = 0; q < len;) {
            const C c = buf[cur][q];
            if (c == C('&') && next[cur][q] == best) {
                if (lastAmp != kSmallWindow) next[to][lastAmp] = kStale;
                for (int k = 0; k < row.outLen; ++k) {
                    buf[to][w + static_cast<std::size_t>(k)] = row.out[k];
                    next[to][w + static_cast<std::size_t>(k)] = kStale;
                }
                if (row.outLen > 0 && row.out[0] == C('&')) lastAmp = w;
                w += row.outLen;
                q += row.refLen;
            } else {
                if (c == C('&')) lastAmp = w;
                buf[to][w] = c;
                next[to][w++] = next[cur][q++];
            }
        }
        len = w;
        cur = to;
        time = best;
    }
    for (std::size_t i = 0; i < len; ++i) out[i] = buf[cur][i];
    return len;
}

// Converts the cluster src[0, len) (which begins with "&") window by window,
// each window ending after a barrier's units or at the end of the cluster,
// and writes the result at out (<= src). `reached` is called with the number
// of units of src consumed after each window.
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

template <class C, class Reached>
std::size_t ReplaceCluster(const Table<C>& t, Memo<C>& memo, std::vector<ClusterSim<C>>& sim, C* src,
                           std::size_t len, C* out, const Reached& reached) {
    using Window = typename Memo<C>::Window;
    std::size_t w = 0, start = 0;
    while (start < len) {
        std::size_t q = start, segments = 0, end = len;
        const SegmentFate<C>* fate = nullptr;
        for (;;) {
            const std::size_t e = FindChar(src, q + 1, len, C('&'));
            ++segments;
            fate = &memo.Fate(t, src + q + 1, e - q - 1);
            if (e == len || fate->barrier) {
                end = e;
                break;
            }
            q = e;
        }
        const std::size_t size = end - start;
        if (segments == 1) {
            // out + w <= src + start: the fate's units go first, then the rest
            for (int k = 0; k < fate->outLen; ++k) out[w + static_cast<std::size_t>(k)] = fate->out[k];
            const std::size_t rest = size - fate->consumed;
            MoveDown(out, w + fate->outLen, static_cast<std::size_t>(src - out) + start + fate->consumed, rest);
            w += fate->outLen + rest;
        } else if (size <= Memo<C>::kWindowUnits) {
            std::uint64_t key[2];
            PackWindow(src + start, size, len - start, key);
            Window& slot = memo.windows[Memo<C>::Slot(key[0] ^ (key[1] * 31) ^ size, 9)];
            if (slot.len != size || slot.key[0] != key[0] || slot.key[1] != key[1]) {
                slot.outLen = static_cast<std::uint8_t>(SmallWindow(t, src + start, size, slot.out));
                slot.key[0] = key[0];
                slot.key[1] = key[1];
                slot.len = static_cast<std::uint8_t>(size);
            }
            for (std::size_t k = 0; k < slot.outLen; ++k) out[w + k] = slot.out[k];
            w += slot.outLen;
        } else if (size <= kSmallWindow) {
            w += SmallWindow(t, src + start, size, out + w);
        } else {
            if (sim.empty()) sim.emplace_back(t);
            w += sim.front().Run(src + start, size, out + w);
        }
        start = end;
        reached(start);
    }
    return w;
}

}  // namespace

unsigned char Windows1252Byte(char16_t c) noexcept {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == c) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

bool IsReferenceUnit(char16_t c) noexcept { return Sigma(c); }

template <class C>
std::size_t ReplaceReferences(C* d, std::size_t n, void (*yield)()) {
    const Table<C>& t = TheTable<C>();
    std::vector<ClusterSim<C>> sim;  // made on the first window that needs it
    std::vector<Memo<C>> memo;       // made on the first cluster
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
        const std::size_t p = FindChar(d, r, std::max(next, r + 1), C('&'));
        MoveDownShort(d, w, r, p - r, n);
        w += p - r;
        r = p;
        if (r >= n) break;
        if (d[r] != C('&')) {
            reached(r);
            continue;
        }
        const std::size_t e = ClusterEnd(d, p + 1, n);
        if (memo.empty()) memo.emplace_back();
        w += ReplaceCluster(t, memo.front(), sim, d + p, e - p, d + w, [&](std::size_t consumed) { reached(p + consumed); });
        r = e;
    }
    reached(n);
    return w;
}

template std::size_t ReplaceReferences<char16_t>(char16_t*, std::size_t, void (*)());
template std::size_t ReplaceReferences<unsigned char>(unsigned char*, std::size_t, void (*)());

}  // namespace tessark::fast
