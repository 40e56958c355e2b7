#include "FastReferences.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "FastScan.h"
#include "SpecialCharTable.h"
#include "Utf8.h"

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

// The exact simulation of the rows on one cluster (see the header).
template <class C, class U>
class ClusterSim {
public:
    explicit ClusterSim(const Table<C, U>& t) : t_(t) {}

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

    const Table<C, U>& t_;
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
template <class C, class U>
std::size_t SingleReference(const Table<C, U>& t, const C* src, std::size_t len, C* out) {
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

}  // namespace

unsigned char Windows1252Byte(char16_t c) noexcept {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == c) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

bool IsReferenceUnit(char16_t c) noexcept { return Sigma(c); }

template <class C, class U>
std::size_t ReplaceReferences(C* d, std::size_t n, void (*yield)()) {
    const Table<C, U>& t = TheTable<C, U>();
    std::vector<ClusterSim<C, U>> sim;  // made on the first cluster that needs it
    std::size_t w = 0, r = 0;
    for (int part = 0; part < 10; ++part) {
        const std::size_t end = part == 9 ? n : n / 10 * static_cast<std::size_t>(part + 1);
        while (r < end) {
            const std::size_t p = FindChar(d, r, end, C('&'));
            MoveDownShort(d, w, r, p - r, n);
            w += p - r;
            r = p;
            if (p >= end) break;
            std::size_t e = p + 1;
            int amps = 1;
            while (e < n && Sigma(d[e])) {
                if (d[e] == C('&')) ++amps;
                ++e;
            }
            if (amps == 1) {
                w += SingleReference(t, d + p, e - p, d + w);
            } else {
                if (sim.empty()) sim.emplace_back(t);
                w += sim.front().Run(d + p, e - p, d + w);
            }
            r = e;
        }
        if (part < 9) yield();
    }
    return w;
}

template std::size_t ReplaceReferences<char16_t, ElementUnits>(char16_t*, std::size_t, void (*)());
template std::size_t ReplaceReferences<unsigned char, ElementUnits>(unsigned char*, std::size_t, void (*)());
template std::size_t ReplaceReferences<unsigned char, Utf8Units>(unsigned char*, std::size_t, void (*)());

}  // namespace tessark::fast
