#include "FastReadable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "kernels/Implementations.h"

namespace tessark::fast {

namespace {

// A tag name is read up to this many units: one more than the longest name
// that matters, so that a longer name is seen to be longer.
constexpr std::size_t kNameWindow = 11;
// What a state keeps of an open tag whose attributes do not matter.
constexpr std::size_t kKeptTagPrefix = kNameWindow + 1;

enum class Kind { Other, Block, Cell, A, Img };

// Lower-case ASCII letters and digits, six bits each: a name of up to ten
// units as one number.
constexpr std::uint64_t NameKey(std::string_view name) noexcept {
    std::uint64_t key = 0;
    for (const char c : name) {
        const unsigned v = (c >= '0' && c <= '9') ? unsigned(c - '0') + 1 : unsigned(c - 'a') + 11;
        key = (key << 6) | v;
    }
    return key;
}

constexpr std::array<std::uint64_t, kBlockTagNames.size()> SortedBlockKeys() {
    std::array<std::uint64_t, kBlockTagNames.size()> keys{};
    for (std::size_t k = 0; k < keys.size(); ++k) keys[k] = NameKey(kBlockTagNames[k]);
    std::sort(keys.begin(), keys.end());
    return keys;
}
constexpr auto kBlockKeys = SortedBlockKeys();

template <class C>
constexpr bool IsSpace(C c) noexcept {
    return c == C(' ') || c == C('\t') || c == C('\n') || c == C('\r') || c == C('\f');
}

template <class C>
constexpr C Lower(C c) noexcept {
    return (c >= C('A') && c <= C('Z')) ? C(c + ('a' - 'A')) : c;
}

// The tag p[0, len) (what lay between "<" and ">"): closing or not, and what
// its name makes it; *nameEnd receives where the name ends.
template <class C>
Kind Classify(const C* p, std::size_t len, bool& closing, std::size_t* nameEnd) noexcept {
    std::size_t q = 0;
    closing = len > 0 && p[0] == C('/');
    if (closing) q = 1;
    const std::size_t begin = q;
    std::uint64_t key = 0;
    const std::size_t stop = std::min(len, begin + kNameWindow);
    for (; q < stop; ++q) {
        const C c = p[q];
        unsigned v;
        if (c >= C('0') && c <= C('9'))
            v = unsigned(c - C('0')) + 1;
        else if (c >= C('a') && c <= C('z'))
            v = unsigned(c - C('a')) + 11;
        else if (c >= C('A') && c <= C('Z'))
            v = unsigned(c - C('A')) + 11;
        else
            break;
        key = (key << 6) | v;
    }
    if (nameEnd) *nameEnd = q;
    const std::size_t m = q - begin;
    if (m == 0 || m >= kNameWindow) return Kind::Other;
    constexpr std::uint64_t kA = NameKey("a"), kImg = NameKey("img"), kTd = NameKey("td"), kTh = NameKey("th");
    if (key == kA) return Kind::A;
    if (key == kImg) return Kind::Img;
    if (key == kTd || key == kTh) return Kind::Cell;
    return std::binary_search(kBlockKeys.begin(), kBlockKeys.end(), key) ? Kind::Block : Kind::Other;
}

template <class C>
bool NameIs(const C* p, std::size_t len, std::string_view want) noexcept {
    if (len != want.size()) return false;
    for (std::size_t k = 0; k < len; ++k)
        if (Lower(p[k]) != C(static_cast<unsigned char>(want[k]))) return false;
    return true;
}

// The value of the first attribute named `want` (lower case) in p[q, len),
// as [*b, *e); false when there is none.
template <class C>
bool FindAttribute(const C* p, std::size_t len, std::size_t q, std::string_view want, std::size_t* b,
                   std::size_t* e) noexcept {
    for (;;) {
        while (q < len && (IsSpace(p[q]) || p[q] == C('/'))) ++q;
        if (q >= len) return false;
        const std::size_t nb = q++;  // a name's first unit may be anything, "=" too
        while (q < len && !IsSpace(p[q]) && p[q] != C('/') && p[q] != C('=')) ++q;
        const std::size_t ne = q;
        while (q < len && IsSpace(p[q])) ++q;
        std::size_t vb = q, ve = q;
        if (q < len && p[q] == C('=')) {
            ++q;
            while (q < len && IsSpace(p[q])) ++q;
            if (q < len && (p[q] == C('"') || p[q] == C('\''))) {
                const C quote = p[q++];
                vb = q;
                while (q < len && p[q] != quote) ++q;
                ve = q;
                if (q < len) ++q;
            } else {
                vb = q;
                while (q < len && !IsSpace(p[q])) ++q;
                ve = q;
            }
        }
        if (NameIs(p + nb, ne - nb, want)) {
            *b = vb;
            *e = ve;
            return true;
        }
    }
}

template <class C>
bool StartsWithFolded(const std::basic_string<C>& s, std::string_view prefix) noexcept {
    if (s.size() < prefix.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (Lower(s[k]) != C(static_cast<unsigned char>(prefix[k]))) return false;
    return true;
}

template <class C>
void TrackLinkText(ReadableTagState<C>& s, const C* p, std::size_t len) {
    if (s.url.empty() || s.longer) return;
    for (std::size_t k = 0; k < len; ++k) {
        const C c = p[k];
        if (IsSpace(c)) {
            if (s.linkText.empty()) continue;  // leading whitespace
            if (s.linkText.size() < s.url.size())
                s.linkText.push_back(c);
            else
                ++s.spaces;  // no room: only trailing whitespace can still match
        } else {
            if (s.spaces > 0 || s.linkText.size() >= s.url.size()) {
                s.longer = true;
                s.linkText.clear();
                return;
            }
            s.linkText.push_back(c);
        }
    }
}

template <class C>
void OpenLink(ReadableTagState<C>& s, const C* p, std::size_t len, std::size_t nameEnd) {
    s.url.clear();
    s.linkText.clear();
    s.spaces = 0;
    s.longer = false;
    std::size_t b = 0, e = 0;
    if (!FindAttribute(p, len, nameEnd, "href", &b, &e)) return;
    while (b < e && IsSpace(p[b])) ++b;
    while (e > b && IsSpace(p[e - 1])) --e;
    s.url.assign(p + b, p + e);
    if (!s.url.empty() && (s.url[0] == C('#') || StartsWithFolded(s.url, "javascript:"))) s.url.clear();
}

// Writes what the tag p[0, len) becomes at out (room for at least the
// state's URL plus three units, or len units); returns the units written.
// out may be where the tag itself lay: p is read before anything is written
// over it, except for alt text, which is moved down.
template <class C>
std::size_t Decide(const C* p, std::size_t len, const ReadableTagOptions& o, ReadableTagState<C>& s, C* out) {
    bool closing = false;
    std::size_t nameEnd = 0;
    switch (Classify(p, len, closing, &nameEnd)) {
        case Kind::Block:
            if (!o.breakAtBlocks) return 0;
            out[0] = C('\n');
            return 1;
        case Kind::Cell:
            if (!o.breakAtBlocks || closing) return 0;
            out[0] = C('\t');
            return 1;
        case Kind::A: {
            if (!o.keepLinks) return 0;
            if (!closing) {
                OpenLink(s, p, len, nameEnd);
                return 0;
            }
            if (s.url.empty()) return 0;
            std::size_t t = s.linkText.size();
            while (t > 0 && IsSpace(s.linkText[t - 1])) --t;
            const bool same = !s.longer && std::basic_string_view<C>(s.linkText.data(), t) == s.url;
            std::size_t w = 0;
            if (!same) {
                out[w++] = C(' ');
                out[w++] = C('[');
                std::copy(s.url.begin(), s.url.end(), out + w);
                w += s.url.size();
                out[w++] = C(']');
            }
            s.url.clear();
            s.linkText.clear();
            s.spaces = 0;
            s.longer = false;
            return w;
        }
        case Kind::Img: {
            if (!o.keepAltText || closing) return 0;
            std::size_t b = 0, e = 0;
            if (!FindAttribute(p, len, nameEnd, "alt", &b, &e) || e == b) return 0;
            out[0] = C(' ');
            std::copy(p + b, p + e, out + 1);  // out + 1 <= p + b: a move down
            out[1 + (e - b)] = C(' ');
            return e - b + 2;
        }
        case Kind::Other:
            return 0;
    }
    return 0;
}

// Whether the state must keep the whole of an open tag that begins with
// p[0, len): only an opening "a" or "img" whose attributes matter.
template <class C>
bool NeedsWholeTag(const C* p, std::size_t len, const ReadableTagOptions& o) noexcept {
    bool closing = false;
    const Kind k = Classify(p, len, closing, nullptr);
    return !closing && ((k == Kind::A && o.keepLinks) || (k == Kind::Img && o.keepAltText));
}

template <class C>
void KeepOpenTag(ReadableTagState<C>& s, const C* p, std::size_t len, const ReadableTagOptions& o) {
    s.inside = true;
    if (s.tag.size() >= kKeptTagPrefix && !NeedsWholeTag(s.tag.data(), s.tag.size(), o)) return;
    s.tag.append(p, len);
    if (s.tag.size() > kKeptTagPrefix && !NeedsWholeTag(s.tag.data(), s.tag.size(), o))
        s.tag.resize(kKeptTagPrefix);
}

// Makes room for `need` units before the unread rest d[k + 1, n): when need
// passes k + 1, the rest moves up by the difference (n and k with it).
template <class C>
void ShiftRestUp(C* d, std::size_t& n, std::size_t& k, std::size_t need) noexcept {
    if (need <= k + 1) return;
    const std::size_t extra = need - (k + 1);
    std::memmove(d + k + 1 + extra, d + k + 1, (n - (k + 1)) * sizeof(C));
    n += extra;
    k += extra;
}

// keepOpen: whether a tag still open at the end is kept in the state for a
// later chunk (a whole text just drops it).
template <class C>
std::size_t Run(C* d, std::size_t n, const ReadableTagOptions& o, ReadableTagState<C>& s, bool keepOpen) {
    const ScanSet<C>& scans = ScansFor<C>();
    std::size_t w = 0, i = 0;
    if (s.inside) {  // a tag goes on from the chunk before
        std::size_t k = FindCharNear(scans, d, 0, n, C('>'));
        KeepOpenTag(s, d, k, o);
        if (k >= n) return 0;
        s.inside = false;
        const std::basic_string<C> tag = std::move(s.tag);
        s.tag.clear();
        std::basic_string<C> out(tag.size() + s.url.size() + 3, C(0));
        const std::size_t len = Decide(tag.data(), tag.size(), o, s, out.data());
        ShiftRestUp(d, n, k, len);
        std::copy(out.data(), out.data() + len, d);
        w = len;
        i = k + 1;
    }
    while (i < n) {
        const std::size_t j = FindCharNear(scans, d, i, n, C('<'));
        TrackLinkText(s, d + i, j - i);
        MoveDownNear(scans, d, w, i, j - i, n);
        w += j - i;
        if (j >= n) break;
        std::size_t k = FindCharNear(scans, d, j + 1, n, C('>'));
        if (k >= n) {  // never closed: the rest goes, and a later chunk may close it
            if (keepOpen) KeepOpenTag(s, d + j + 1, n - (j + 1), o);
            break;
        }
        // The tag's replacement is at most as long as the tag, or a URL
        // charged to its earlier opening tag, whose units were dropped: in a
        // whole text it never passes k + 1. Only a URL whose opening tag lay
        // in an earlier chunk can, once.
        if (keepOpen && !s.url.empty()) ShiftRestUp(d, n, k, w + s.url.size() + 3);
        const std::size_t len = Decide(d + j + 1, k - (j + 1), o, s, d + w);
        TrackLinkText(s, d + w, len);
        w += len;
        i = k + 1;
    }
    return w;
}

}  // namespace

template <class C>
std::size_t ReadableTags(C* d, std::size_t n, const ReadableTagOptions& options, ReadableTagState<C>& state) {
    return Run(d, n, options, state, true);
}

template <class C>
std::size_t ReadableTags(C* d, std::size_t n, const ReadableTagOptions& options) {
    ReadableTagState<C> state;
    return Run(d, n, options, state, false);
}

template std::size_t ReadableTags<char16_t>(char16_t*, std::size_t, const ReadableTagOptions&,
                                            ReadableTagState<char16_t>&);
template std::size_t ReadableTags<unsigned char>(unsigned char*, std::size_t, const ReadableTagOptions&,
                                                 ReadableTagState<unsigned char>&);
template std::size_t ReadableTags<char16_t>(char16_t*, std::size_t, const ReadableTagOptions&);
template std::size_t ReadableTags<unsigned char>(unsigned char*, std::size_t, const ReadableTagOptions&);

}  // namespace tessark::fast
