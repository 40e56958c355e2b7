#include "html/HtmlTokenizer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "HtmlReferences.h"
#include "Utf8.h"
#include "Windows1252.h"
#include "kernels/Implementations.h"

namespace tessark::html {
namespace {

// The tokenizer's states. The RCDATA, RAWTEXT, script data and script data
// escaped "less-than sign", "end tag open" and "end tag name" states are
// one state each (Lt, EndOpen, EndName), told apart by the text state they
// came from. The comment's "less-than sign" states are left out: they only
// report nested comments, the comment's data is the same without them.
enum class S : std::uint8_t {
    Data, RcData, RawText, ScriptData, PlainText,
    TagOpen, EndTagOpen, TagName, Lt, EndOpen, EndName,
    EscStart, EscStartDash, Esc, EscDash, EscDashDash,
    DblStart, Dbl, DblDash, DblDashDash, DblLt, DblEnd,
    BeforeAttrName, AttrName, AfterAttrName, BeforeAttrValue, ValueDq, ValueSq, ValueUnq, AfterValue, SelfClosing,
    BogusComment, MarkupOpen, CommentStart, CommentStartDash, Comment, CommentEndDash, CommentEnd, CommentEndBang,
    Doctype, BeforeDoctypeName, DoctypeName, AfterDoctypeName, DoctypeKeyword,
    AfterPublicKeyword, BeforePublicId, PublicIdDq, PublicIdSq, AfterPublicId, BetweenIds,
    AfterSystemKeyword, BeforeSystemId, SystemIdDq, SystemIdSq, AfterSystemId, BogusDoctype,
    CharRef, NamedRef, NumRef, HexStart, DecStart, HexRef, DecRef,
};

constexpr std::string_view kFffd{"\xEF\xBF\xBD", 3};
// A start tag keeps at most this many attributes; further ones are read and
// dropped (memory stays bounded, and the duplicate check stays cheap).
constexpr std::size_t kMaxAttributes = 1024;
// The longest reference name has 31 letters and digits before its ";".
constexpr std::size_t kMaxNameBody = 32;
// Text shorter than this is gathered behind references (see Gather).
constexpr std::size_t kGatherBytes = 256;

constexpr unsigned char U(char c) noexcept { return static_cast<unsigned char>(c); }
constexpr bool IsAlpha(unsigned char c) noexcept { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsDigit(unsigned char c) noexcept { return c >= '0' && c <= '9'; }
constexpr bool IsAlnum(unsigned char c) noexcept { return IsAlpha(c) || IsDigit(c); }
constexpr bool IsSpace(unsigned char c) noexcept { return c == '\t' || c == '\n' || c == '\f' || c == ' '; }
constexpr char Lower(unsigned char c) noexcept { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); }
constexpr int HexValue(unsigned char c) noexcept {
    if (IsDigit(c)) return c - '0';
    const int l = c | 0x20;
    return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}
// Ends a tag name or an end tag's name.
constexpr bool EndsName(unsigned char c) noexcept { return IsSpace(c) || c == '/' || c == '>'; }

enum class Seq { Valid, Invalid, Incomplete };

// The UTF-8 sequence at d[0, n), d[0] >= 0x80: len is its length when it is
// valid, the length of its maximal subpart when not, what there is of it
// when the input ends inside it.
Seq CheckSequence(const unsigned char* d, std::size_t n, std::size_t& len) noexcept {
    const unsigned char b = d[0];
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        len = 1;
        return Seq::Invalid;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        len = k;
        if (k >= n) return Seq::Incomplete;
        if (d[k] < lo || d[k] > hi) return Seq::Invalid;
        lo = 0x80;
        hi = 0xBF;
    }
    len = need + 1;
    return Seq::Valid;
}

// First k >= i with d[k] not ASCII or a CR (16 bytes per step while there
// is none).
std::size_t PlainEnd(const unsigned char* d, std::size_t i, std::size_t n) noexcept {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = kOnes * 0x80u, kCr = kOnes * '\r';
    for (; i + 16 <= n; i += 16) {
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, d + i, 8);
        std::memcpy(&b, d + i + 8, 8);
        const std::uint64_t ca = a ^ kCr, cb = b ^ kCr;
        if (((a | b | ((ca - kOnes) & ~ca) | ((cb - kOnes) & ~cb)) & kHigh) != 0) break;
    }
    for (; i < n; ++i)
        if (d[i] >= 0x80 || d[i] == '\r') return i;
    return n;
}

bool IsAttributeValue(S s) noexcept { return s == S::ValueDq || s == S::ValueSq || s == S::ValueUnq; }

}  // namespace

struct HtmlTokenizer::Impl {
    explicit Impl(TokenSink& s) : sink(s), scans(fast::ScansFor<unsigned char>()) {}

    TokenSink& sink;
    const fast::ScanSet<unsigned char>& scans;
    S state = S::Data;
    S textState = S::Data;    // Lt, EndOpen, EndName: the text state they return to
    S returnState = S::Data;  // the references' states: where the characters go
    // The input's preprocessing: a UTF-8 sequence cut by the end of a Feed,
    // whether the byte-order mark may still come, whether a CR ended the
    // last Feed (an LF starting the next is then dropped).
    std::string carry;
    bool bomPending = true, afterCr = false;
    // The token in progress.
    bool endTag = false, selfClosing = false;
    std::string tagName, lastStartTag, temp;
    std::vector<Attribute> attrs;
    std::size_t attrCount = 0;
    Attribute scratch;  // a dropped attribute's name and value go here
    Attribute* attr = &scratch;
    std::string comment;  // a comment's data or a doctype's name
    std::string publicId, systemId;
    bool hasPublic = false, hasSystem = false, quirks = false;
    std::string pending;  // the letters after "<!", a doctype's keyword, a reference's name
    // A reference's name: the table's names it may still become, the
    // longest entry it has passed and that entry's length in pending.
    HtmlEntityPrefix prefix;
    const HtmlEntity* match = nullptr;
    std::size_t matchLength = 0;
    std::uint32_t number = 0;
    Token token;  // see NewToken
    std::string gathered;  // see Gather

    void Feed(const unsigned char* d, std::size_t n);
    void Finish();
    void Run(const char* d, std::size_t n);
    void Tokenize(const char* d, std::size_t n);
    void RunPiece(const unsigned char* d, std::size_t from, std::size_t to) {
        if (to > from) Run(reinterpret_cast<const char*>(d) + from, to - from);
    }
    void EndOfInput();

    std::size_t Find(const char* d, std::size_t i, std::size_t n, const char* set, int count) const noexcept {
        // Most runs end within a few bytes (a tag's name, a short text
        // between tags): those are looked at here, the rest by the kernels.
        const std::size_t stop = std::min(n, i + fast::kNearUnits);
        for (; i < stop; ++i)
            for (int k = 0; k < count; ++k)
                if (d[i] == set[k]) return i;
        if (i >= n) return n;
        const auto* b = reinterpret_cast<const unsigned char*>(d);
        return scans.FindAny(b, i, n, reinterpret_cast<const unsigned char*>(set), count);
    }

    static void Append(std::string& s, const char* p, std::size_t n) {
        if (s.size() < kMaxHeldBytes) s.append(p, std::min(n, kMaxHeldBytes - s.size()));
    }
    static void Append(std::string& s, std::string_view v) { Append(s, v.data(), v.size()); }
    static void Put(std::string& s, char c) {
        if (s.size() < kMaxHeldBytes) s += c;
    }
    // Appends d[i, k) lowered.
    static void AppendLower(std::string& s, const char* d, std::size_t i, std::size_t k) {
        std::size_t at = s.size();
        Append(s, d + i, k - i);
        for (; at < s.size(); ++at) s[at] = Lower(U(s[at]));
    }

    // The token handed over next, cleared but for its kind. One member for
    // all tokens: a fresh local Token costs a block clear of its 100 bytes
    // per token, a third of the time on pages made of tags only.
    Token& NewToken(Token::Kind kind) {
        token.kind = kind;
        token.name = {};
        token.data = {};
        token.publicId = {};
        token.systemId = {};
        token.attributes = {};
        token.selfClosing = false;
        token.forceQuirks = false;
        token.hasPublicId = false;
        token.hasSystemId = false;
        return token;
    }

    void Text(const char* p, std::size_t n) {
        if (n == 0) return;
        if (!gathered.empty()) {
            if (n < kGatherBytes) {
                Gather(p, n);
                return;
            }
            Deliver();
        }
        Token& t = NewToken(Token::Kind::Text);
        t.data = std::string_view(p, n);
        sink.OnToken(t);
    }
    void Text(std::string_view v) { Text(v.data(), v.size()); }
    // What references give, and the short text after them, is gathered and
    // handed over in one token (a page of references would otherwise cost a
    // token for every few bytes); it leaves before any other token, at the
    // end of each piece of input, and when kGatherBytes are held.
    void Gather(const char* p, std::size_t n) {
        gathered.append(p, n);
        if (gathered.size() >= kGatherBytes) Deliver();
    }
    void Deliver() {
        if (gathered.empty()) return;
        Token& t = NewToken(Token::Kind::Text);
        t.data = gathered;
        sink.OnToken(t);
        gathered.clear();
    }

    void StartTag(bool end) {
        endTag = end;
        selfClosing = false;
        tagName.clear();
        attrCount = 0;
        attr = &scratch;
    }
    void NewAttr() {
        if (attrCount < kMaxAttributes) {
            if (attrs.size() == attrCount) attrs.emplace_back();
            attr = &attrs[attrCount++];
        } else {
            attr = &scratch;
        }
        attr->name.clear();
        attr->value.clear();
    }
    // The attribute's name is complete: a duplicate is dropped.
    void NameDone() {
        if (attr == &scratch) return;
        for (std::size_t k = 0; k + 1 < attrCount; ++k) {
            if (attrs[k].name != attr->name) continue;
            --attrCount;
            attr = &scratch;
            return;
        }
    }
    void EmitTag() {
        Deliver();
        state = S::Data;  // before the sink, which may switch it with SetState
        Token& t = NewToken(endTag ? Token::Kind::EndTag : Token::Kind::StartTag);
        t.name = tagName;
        if (!endTag) {
            t.attributes = std::span<const Attribute>(attrs.data(), attrCount);
            t.selfClosing = selfClosing;
            lastStartTag = tagName;
        }
        sink.OnToken(t);
    }
    void EmitComment() {
        Deliver();
        state = S::Data;
        Token& t = NewToken(Token::Kind::Comment);
        t.data = comment;
        sink.OnToken(t);
    }
    void StartDoctype() {
        comment.clear();
        publicId.clear();
        systemId.clear();
        hasPublic = hasSystem = quirks = false;
    }
    void EmitDoctype() {
        Deliver();
        state = S::Data;
        Token& t = NewToken(Token::Kind::Doctype);
        t.name = comment;
        t.forceQuirks = quirks;
        t.hasPublicId = hasPublic;
        t.hasSystemId = hasSystem;
        t.publicId = publicId;
        t.systemId = systemId;
        sink.OnToken(t);
    }
    void Quirks(S next) {
        quirks = true;
        state = next;
    }
    // A quote after a doctype's keyword or identifier: its identifier starts.
    bool StartId(unsigned char c, bool system) {
        if (c != '"' && c != '\'') return false;
        (system ? hasSystem : hasPublic) = true;
        (system ? systemId : publicId).clear();
        state = system ? (c == '"' ? S::SystemIdDq : S::SystemIdSq) : (c == '"' ? S::PublicIdDq : S::PublicIdSq);
        return true;
    }
    // A doctype's quoted identifier.
    void IdChar(unsigned char c, unsigned char quote, std::string& id, S after) {
        if (c == quote)
            state = after;
        else if (c == '>')
            quirks = true, EmitDoctype();
        else if (c == 0)
            Append(id, kFffd);
        else
            Put(id, static_cast<char>(c));
    }

    // The characters of a reference (or of what was not one) go where the
    // reference stood: into the attribute's value or the text.
    void RefOut(std::string_view v) {
        if (IsAttributeValue(returnState))
            Append(attr->value, v);
        else
            Gather(v.data(), v.size());
    }
    void RefOut(char32_t c) {
        char buf[4];
        RefOut(std::string_view(buf, PutUtf8(c, buf)));
    }
    // pending holds the letters and digits after "&" (and a ";" that ended
    // them); next is the character after them, -1 at the end of the input.
    void ResolveNamed(int next) {
        state = returnState;
        const HtmlEntity* e = match;
        const std::size_t len = matchLength;
        const bool semicolon = e != nullptr && pending[len - 1] == ';';
        const int after = len < pending.size() ? U(pending[len]) : next;
        if (e == nullptr || (IsAttributeValue(returnState) && !semicolon &&
                             (after == '=' || (after >= 0 && IsAlnum(static_cast<unsigned char>(after)))))) {
            RefOut("&");
            RefOut(pending);
            return;
        }
        RefOut(e->first);
        if (e->second != 0) RefOut(e->second);
        RefOut(std::string_view(pending).substr(len));
    }
    // The character of a numeric reference's number.
    char32_t NumericCharacter() const {
        const char32_t c = number;
        if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
        return c >= 0x80 && c <= 0x9F ? kWindows1252High[c - 0x80] : c;
    }
    void NumericEnd() {
        state = returnState;
        RefOut(NumericCharacter());
    }
    void GatherCharacter(char32_t c) {
        char buf[4];
        Gather(buf, PutUtf8(c, buf));
    }
    void Digit(unsigned char c, int base) {
        const int v = base == 16 ? HexValue(c) : (IsDigit(c) ? c - '0' : -1);
        if (v >= 0)
            number = std::min<std::uint32_t>(number * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(v),
                                             0x110000);
        else if (c == ';')
            NumericEnd();
    }

    // A reference in text at d[i] (after its "&") that ends before n,
    // decoded at once as the reference states would: returns the index after
    // what it takes, 0 when the states have to read it (it may go on past n).
    // The letters and digits after a matched name are left as the text they are.
    std::size_t WholeReference(const char* d, std::size_t i, std::size_t n) {
        if (i >= n) return 0;
        if (d[i] == '#') return WholeNumber(d, i + 1, n);
        HtmlEntityPrefix names;
        const HtmlEntity* e = nullptr;
        std::size_t end = i, k = i;
        for (; k < n && names.Open() && (IsAlnum(U(d[k])) || d[k] == ';'); ++k) {
            if (const HtmlEntity* m = names.Add(d[k])) {
                e = m;
                end = k + 1;
            }
        }
        if (k == n && names.Open()) return 0;
        if (e == nullptr) {
            Gather("&", 1);
            return i;
        }
        GatherCharacter(e->first);
        if (e->second != 0) GatherCharacter(e->second);
        return end;
    }
    std::size_t WholeNumber(const char* d, std::size_t i, std::size_t n) {
        const bool hex = i < n && (d[i] | 0x20) == 'x';
        std::size_t k = hex ? i + 1 : i;
        number = 0;
        for (; k < n && (hex ? HexValue(U(d[k])) >= 0 : IsDigit(U(d[k]))); ++k) Digit(U(d[k]), hex ? 16 : 10);
        if (k == n) return 0;
        if (k == (hex ? i + 1 : i)) {  // no digit: "&#" or "&#x" stay as they are
            Gather("&#", 1 + 1);
            return i;
        }
        GatherCharacter(NumericCharacter());
        return d[k] == ';' ? k + 1 : k;
    }

    // One character in the states outside the text's fast paths; returns
    // whether it was consumed (false: reconsumed in the new state).
    bool Step(unsigned char c);
    bool StepScript(unsigned char c, const char* at);
    bool StepDoctype(unsigned char c);
    bool StepReference(unsigned char c);
};

void HtmlTokenizer::Impl::Feed(const unsigned char* d, std::size_t n) {
    std::size_t i = 0;
    if (bomPending) {
        static constexpr unsigned char kBom[] = {0xEF, 0xBB, 0xBF};
        while (carry.size() < 3 && i < n && d[i] == kBom[carry.size()]) carry += static_cast<char>(d[i++]);
        if (carry.size() == 3) {
            carry.clear();
            bomPending = false;
        } else if (i < n) {
            bomPending = false;  // what was held of it is an incomplete sequence, taken up below
        } else {
            return;
        }
    }
    if (afterCr && i < n) {
        afterCr = false;
        if (d[i] == '\n') ++i;
    }
    while (!carry.empty() && i < n) {
        carry += static_cast<char>(d[i]);
        std::size_t len = 0;
        const Seq s = CheckSequence(reinterpret_cast<const unsigned char*>(carry.data()), carry.size(), len);
        if (s == Seq::Incomplete) {
            ++i;
            continue;
        }
        if (s == Seq::Valid) {
            ++i;
            Run(carry.data(), carry.size());
        } else {
            Run(kFffd.data(), kFffd.size());  // the byte just added is not part of it: it is read again
        }
        carry.clear();
    }
    std::size_t start = i;
    while (i < n) {
        i = PlainEnd(d, i, n);
        if (i == n) break;
        if (d[i] == '\r') {
            RunPiece(d, start, i);
            Run("\n", 1);
            ++i;
            if (i == n)
                afterCr = true;
            else if (d[i] == '\n')
                ++i;
            start = i;
            continue;
        }
        std::size_t len = 0;
        const Seq s = CheckSequence(d + i, n - i, len);
        if (s == Seq::Valid) {
            i += len;
            continue;
        }
        RunPiece(d, start, i);
        if (s == Seq::Incomplete) {
            carry.assign(reinterpret_cast<const char*>(d) + i, n - i);
            return;
        }
        Run(kFffd.data(), kFffd.size());
        i += len;
        start = i;
    }
    RunPiece(d, start, n);
}

void HtmlTokenizer::Impl::Finish() {
    bomPending = afterCr = false;
    if (!carry.empty()) Run(kFffd.data(), kFffd.size());
    carry.clear();
    EndOfInput();
    Deliver();
    state = S::Data;
}

void HtmlTokenizer::Impl::Run(const char* d, std::size_t n) {
    Tokenize(d, n);
    Deliver();
}

void HtmlTokenizer::Impl::Tokenize(const char* d, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = U(d[i]);
        switch (state) {
        case S::Data:
        case S::RcData:
        case S::RawText:
        case S::ScriptData:
        case S::PlainText: {
            static constexpr char kStops[] = {'<', '&', '\0'};
            static constexpr char kRawStops[] = {'<', '\0'};
            const std::size_t k = state == S::Data        ? Find(d, i, n, kStops, 2)
                                  : state == S::RcData    ? Find(d, i, n, kStops, 3)
                                  : state == S::PlainText ? Find(d, i, n, kStops + 2, 1)
                                                          : Find(d, i, n, kRawStops, 2);
            Text(d + i, k - i);
            i = k;
            if (k == n) break;
            ++i;
            if (d[k] == '\0') {
                Text(kFffd);
            } else if (d[k] == '&') {
                if (const std::size_t end = WholeReference(d, i, n); end != 0) {
                    i = end;
                } else {
                    returnState = state;
                    state = S::CharRef;
                }
            } else {
                textState = state;
                state = state == S::Data ? S::TagOpen : S::Lt;
                // A tag's name right there: straight to it, as the tag open
                // states would go.
                if (state == S::TagOpen && i < n && IsAlpha(U(d[i]))) {
                    StartTag(false);
                    state = S::TagName;
                } else if (state == S::TagOpen && i + 1 < n && d[i] == '/' && IsAlpha(U(d[i + 1]))) {
                    StartTag(true);
                    state = S::TagName;
                    ++i;
                }
            }
            break;
        }
        case S::TagName: {
            std::size_t k = i;
            while (k < n && !EndsName(U(d[k])) && d[k] != '\0') ++k;
            AppendLower(tagName, d, i, k);
            i = k;
            if (k == n) break;
            ++i;
            if (d[k] == '\0')
                Append(tagName, kFffd);
            else if (d[k] == '>')
                EmitTag();
            else
                state = d[k] == '/' ? S::SelfClosing : S::BeforeAttrName;
            break;
        }
        case S::AttrName: {
            std::size_t k = i;
            while (k < n && !EndsName(U(d[k])) && d[k] != '=' && d[k] != '\0') ++k;
            AppendLower(attr->name, d, i, k);
            i = k;
            if (k == n) break;
            if (d[k] == '\0') {
                Append(attr->name, kFffd);
                ++i;
            } else {
                NameDone();
                if (d[k] == '=') ++i;
                state = d[k] == '=' ? S::BeforeAttrValue : S::AfterAttrName;
            }
            break;
        }
        case S::ValueDq:
        case S::ValueSq:
        case S::ValueUnq: {
            const char quote = state == S::ValueDq ? '"' : '\'';
            const char set[] = {quote, '&', '\0'};
            std::size_t k = i;
            if (state == S::ValueUnq)
                while (k < n && !IsSpace(U(d[k])) && d[k] != '&' && d[k] != '>' && d[k] != '\0') ++k;
            else
                k = Find(d, i, n, set, 3);
            Append(attr->value, d + i, k - i);
            i = k;
            if (k == n) break;
            ++i;
            if (d[k] == '\0') {
                Append(attr->value, kFffd);
            } else if (d[k] == '&') {
                returnState = state;
                state = S::CharRef;
            } else if (d[k] == '>') {
                EmitTag();
            } else {
                state = state == S::ValueUnq ? S::BeforeAttrName : S::AfterValue;
            }
            break;
        }
        case S::BogusComment:
        case S::Comment: {
            static constexpr char kBogusStops[] = {'>', '\0'};
            static constexpr char kCommentStops[] = {'-', '\0'};
            const std::size_t k = Find(d, i, n, state == S::Comment ? kCommentStops : kBogusStops, 2);
            Append(comment, d + i, k - i);
            i = k;
            if (k == n) break;
            ++i;
            if (d[k] == '\0')
                Append(comment, kFffd);
            else if (d[k] == '>')
                EmitComment();
            else
                state = S::CommentEndDash;
            break;
        }
        case S::Esc:
        case S::Dbl: {
            static constexpr char kEscStops[] = {'-', '<', '\0'};
            const std::size_t k = Find(d, i, n, kEscStops, 3);
            Text(d + i, k - i);
            i = k;
            if (k < n && StepScript(U(d[k]), d + k)) ++i;
            break;
        }
        case S::EscStart:
        case S::EscStartDash:
        case S::EscDash:
        case S::EscDashDash:
        case S::DblStart:
        case S::DblDash:
        case S::DblDashDash:
        case S::DblLt:
        case S::DblEnd:
            if (StepScript(c, d + i)) ++i;
            break;
        case S::CharRef:
        case S::NamedRef:
        case S::NumRef:
        case S::HexStart:
        case S::DecStart:
        case S::HexRef:
        case S::DecRef:
            if (StepReference(c)) ++i;
            break;
        default:
            if (Step(c)) ++i;
            break;
        }
    }
}

bool HtmlTokenizer::Impl::StepScript(unsigned char c, const char* at) {
    const std::string_view self(at, 1);
    switch (state) {
    case S::EscStart:
    case S::EscStartDash:
        if (c != '-') {
            state = S::ScriptData;
            return false;
        }
        Text(self);
        state = state == S::EscStart ? S::EscStartDash : S::EscDashDash;
        return true;
    case S::Esc:
    case S::EscDash:
    case S::EscDashDash:
        if (c == '<') {
            textState = S::Esc;
            state = S::Lt;
            return true;
        }
        if (c == '-') {
            state = state == S::Esc ? S::EscDash : S::EscDashDash;
        } else {
            state = c == '>' && state == S::EscDashDash ? S::ScriptData : S::Esc;
        }
        Text(c == 0 ? kFffd : self);
        return true;
    case S::Dbl:
    case S::DblDash:
    case S::DblDashDash:
        if (c == '-')
            state = state == S::Dbl ? S::DblDash : S::DblDashDash;
        else if (c == '<')
            state = S::DblLt;
        else
            state = c == '>' && state == S::DblDashDash ? S::ScriptData : S::Dbl;
        Text(c == 0 ? kFffd : self);
        return true;
    case S::DblLt:
        if (c != '/') {
            state = S::Dbl;
            return false;
        }
        temp.clear();
        Text(self);
        state = S::DblEnd;
        return true;
    default:  // DblStart, DblEnd: "script" switches between the escaped and the double escaped states
        if (EndsName(c)) {
            const bool script = temp == "script";
            state = (state == S::DblStart) == script ? S::Dbl : S::Esc;
        } else if (IsAlpha(c)) {
            if (temp.size() < 7) temp += Lower(c);
        } else {
            state = state == S::DblStart ? S::Esc : S::Dbl;
            return false;
        }
        Text(self);
        return true;
    }
}

bool HtmlTokenizer::Impl::Step(unsigned char c) {
    switch (state) {
    case S::TagOpen:
        if (c == '!') {
            pending.clear();
            state = S::MarkupOpen;
            return true;
        }
        if (c == '/') {
            state = S::EndTagOpen;
            return true;
        }
        if (IsAlpha(c)) {
            StartTag(false);
            state = S::TagName;
        } else if (c == '?') {
            comment.clear();
            state = S::BogusComment;
        } else {
            Text("<");
            state = S::Data;
        }
        return false;
    case S::EndTagOpen:
        if (IsAlpha(c)) {
            StartTag(true);
            state = S::TagName;
            return false;
        }
        if (c == '>') {
            state = S::Data;
            return true;
        }
        comment.clear();
        state = S::BogusComment;
        return false;
    case S::Lt:
        if (c == '/') {
            temp.clear();
            state = S::EndOpen;
            return true;
        }
        if (textState == S::ScriptData && c == '!') {
            Text("<!");
            state = S::EscStart;
            return true;
        }
        Text("<");
        if (textState == S::Esc && IsAlpha(c)) {
            temp.clear();
            state = S::DblStart;
        } else {
            state = textState;
        }
        return false;
    case S::EndOpen:
        if (IsAlpha(c)) {
            StartTag(true);
            state = S::EndName;
        } else {
            Text("</");
            state = textState;
        }
        return false;
    case S::EndName:
        // Letters while they may still make the last start tag's name.
        if (IsAlpha(c) && temp.size() < lastStartTag.size()) {
            tagName += Lower(c);
            temp += static_cast<char>(c);
            return true;
        }
        if (EndsName(c) && tagName == lastStartTag) {
            if (c == '>')
                EmitTag();
            else
                state = c == '/' ? S::SelfClosing : S::BeforeAttrName;
            return true;
        }
        Text("</");
        Text(temp);
        state = textState;
        return false;
    case S::BeforeAttrName:
        if (IsSpace(c)) return true;
        if (c == '/' || c == '>') {
            state = S::AfterAttrName;
            return false;
        }
        NewAttr();
        state = S::AttrName;
        if (c != '=') return false;
        attr->name.assign(1, '=');
        return true;
    case S::AfterAttrName:
        if (IsSpace(c)) return true;
        if (c == '/' || c == '=') {
            state = c == '/' ? S::SelfClosing : S::BeforeAttrValue;
            return true;
        }
        if (c == '>') {
            EmitTag();
            return true;
        }
        NewAttr();
        state = S::AttrName;
        return false;
    case S::BeforeAttrValue:
        if (IsSpace(c)) return true;
        if (c == '>') {
            EmitTag();
            return true;
        }
        state = c == '"' ? S::ValueDq : c == '\'' ? S::ValueSq : S::ValueUnq;
        return state != S::ValueUnq;
    case S::AfterValue:
    case S::SelfClosing:
        if (c == '>') {
            selfClosing = state == S::SelfClosing;
            EmitTag();
            return true;
        }
        if (c == '/' && state == S::AfterValue) {
            state = S::SelfClosing;
            return true;
        }
        {
            const bool consumed = state == S::AfterValue && IsSpace(c);
            state = S::BeforeAttrName;
            return consumed;
        }
    case S::MarkupOpen: {
        // The letters after "<!" while they may still make "--", "doctype"
        // (in any case) or "[CDATA[".
        pending += static_cast<char>(c);
        std::string lowered = pending;
        std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](char x) { return Lower(U(x)); });
        if (pending == "--") {
            comment.clear();
            state = S::CommentStart;
        } else if (lowered == "doctype") {
            StartDoctype();
            state = S::Doctype;
        } else if (pending == "[CDATA[") {
            comment = pending;  // no foreign content here: a bogus comment
            state = S::BogusComment;
        } else if (!std::string_view("--").starts_with(pending) && !std::string_view("doctype").starts_with(lowered) &&
                   !std::string_view("[CDATA[").starts_with(pending)) {
            pending.pop_back();
            comment = pending;
            state = S::BogusComment;
            return false;
        }
        return true;
    }
    case S::CommentStart:
    case S::CommentStartDash:
        if (c == '>') {
            EmitComment();
            return true;
        }
        if (c == '-') {
            state = state == S::CommentStart ? S::CommentStartDash : S::CommentEnd;
            return true;
        }
        if (state == S::CommentStartDash) Put(comment, '-');
        state = S::Comment;
        return false;
    case S::CommentEndDash:
        if (c == '-') {
            state = S::CommentEnd;
            return true;
        }
        Put(comment, '-');
        state = S::Comment;
        return false;
    case S::CommentEnd:
        if (c == '>') {
            EmitComment();
            return true;
        }
        if (c == '-' || c == '!') {
            if (c == '-') Put(comment, '-');
            if (c == '!') state = S::CommentEndBang;
            return true;
        }
        Append(comment, "--");
        state = S::Comment;
        return false;
    case S::CommentEndBang:
        if (c == '>') {
            EmitComment();
            return true;
        }
        Append(comment, "--!");
        state = c == '-' ? S::CommentEndDash : S::Comment;
        return c == '-';
    default:
        return StepDoctype(c);
    }
}

bool HtmlTokenizer::Impl::StepDoctype(unsigned char c) {
    switch (state) {
    case S::Doctype:
        state = S::BeforeDoctypeName;
        return IsSpace(c);
    case S::BeforeDoctypeName:
        if (IsSpace(c)) return true;
        if (c == '>') {
            quirks = true;
            EmitDoctype();
            return true;
        }
        state = S::DoctypeName;
        return false;
    case S::DoctypeName:
        if (IsSpace(c))
            state = S::AfterDoctypeName;
        else if (c == '>')
            EmitDoctype();
        else if (c == 0)
            Append(comment, kFffd);
        else
            Put(comment, Lower(c));
        return true;
    case S::AfterDoctypeName:
        if (IsSpace(c)) return true;
        if (c == '>') {
            EmitDoctype();
            return true;
        }
        pending.clear();
        state = S::DoctypeKeyword;
        return false;
    case S::DoctypeKeyword:
        // The letters after the name while they may still make "public" or
        // "system" (in any case); held letters are ignored by the bogus state.
        pending += Lower(c);
        if (pending == "public" || pending == "system") {
            state = pending == "public" ? S::AfterPublicKeyword : S::AfterSystemKeyword;
        } else if (!std::string_view("public").starts_with(pending) && !std::string_view("system").starts_with(pending)) {
            Quirks(S::BogusDoctype);
            return false;
        }
        return true;
    case S::AfterPublicKeyword:
    case S::BeforePublicId:
    case S::AfterSystemKeyword:
    case S::BeforeSystemId: {
        const bool system = state == S::AfterSystemKeyword || state == S::BeforeSystemId;
        if (IsSpace(c)) {
            if (state == S::AfterPublicKeyword) state = S::BeforePublicId;
            if (state == S::AfterSystemKeyword) state = S::BeforeSystemId;
            return true;
        }
        if (StartId(c, system)) return true;
        quirks = true;
        if (c == '>') {
            EmitDoctype();
            return true;
        }
        state = S::BogusDoctype;
        return false;
    }
    case S::PublicIdDq:
    case S::PublicIdSq:
        IdChar(c, state == S::PublicIdDq ? '"' : '\'', publicId, S::AfterPublicId);
        return true;
    case S::SystemIdDq:
    case S::SystemIdSq:
        IdChar(c, state == S::SystemIdDq ? '"' : '\'', systemId, S::AfterSystemId);
        return true;
    case S::AfterPublicId:
    case S::BetweenIds:
        if (IsSpace(c)) {
            state = S::BetweenIds;
            return true;
        }
        if (c == '>') {
            EmitDoctype();
            return true;
        }
        if (StartId(c, true)) return true;
        Quirks(S::BogusDoctype);
        return false;
    case S::AfterSystemId:
        if (IsSpace(c)) return true;
        state = S::BogusDoctype;
        return false;
    case S::BogusDoctype:
        if (c == '>') EmitDoctype();
        return true;
    default:
        return StepReference(c);
    }
}

bool HtmlTokenizer::Impl::StepReference(unsigned char c) {
    switch (state) {
    case S::CharRef:
        pending.clear();
        if (c == '#') {
            pending.assign(1, '#');
            state = S::NumRef;
            return true;
        }
        if (IsAlnum(c)) {
            state = S::NamedRef;
            prefix = {};
            match = nullptr;
            matchLength = 0;
        } else {
            RefOut("&");
            state = returnState;
        }
        return false;
    case S::NamedRef:
        if ((IsAlnum(c) && pending.size() < kMaxNameBody) || c == ';') {
            pending += static_cast<char>(c);
            if (prefix.Open()) {
                if (const HtmlEntity* e = prefix.Add(static_cast<char>(c))) {
                    match = e;
                    matchLength = pending.size();
                }
            }
            if (c == ';') ResolveNamed(-1);
            return true;
        }
        ResolveNamed(c);
        return false;
    case S::NumRef:
        if ((c | 0x20) == 'x') {
            pending += static_cast<char>(c);
            state = S::HexStart;
            return true;
        }
        state = S::DecStart;
        return false;
    case S::HexStart:
    case S::DecStart:
        number = 0;
        if (state == S::HexStart ? HexValue(c) >= 0 : IsDigit(c)) {
            state = state == S::HexStart ? S::HexRef : S::DecRef;
        } else {
            RefOut("&");
            RefOut(pending);
            state = returnState;
        }
        return false;
    case S::HexRef:
    case S::DecRef:
        Digit(c, state == S::HexRef ? 16 : 10);
        if (c == ';' || (state == S::HexRef ? HexValue(c) >= 0 : IsDigit(c))) return true;
        NumericEnd();
        return false;
    default:
        return true;  // the states Run handles itself never come here
    }
}

void HtmlTokenizer::Impl::EndOfInput() {
    switch (state) {
    case S::CharRef:
        RefOut("&");
        state = returnState;
        break;
    case S::NamedRef:
        ResolveNamed(-1);
        break;
    case S::NumRef:
    case S::HexStart:
    case S::DecStart:
        RefOut("&");
        RefOut(pending);
        state = returnState;
        break;
    case S::HexRef:
    case S::DecRef:
        NumericEnd();
        break;
    default:
        break;
    }
    switch (state) {
    case S::TagOpen:
    case S::Lt:
        Text("<");
        break;
    case S::EndTagOpen:
    case S::EndOpen:
        Text("</");
        break;
    case S::EndName:
        Text("</");
        Text(temp);
        break;
    case S::MarkupOpen:
        comment = pending;
        EmitComment();
        break;
    case S::BogusComment:
    case S::CommentStart:
    case S::CommentStartDash:
    case S::Comment:
    case S::CommentEndDash:
    case S::CommentEnd:
    case S::CommentEndBang:
        EmitComment();
        break;
    case S::BogusDoctype:
        EmitDoctype();
        break;
    default:
        if (state >= S::Doctype && state <= S::AfterSystemId) {
            quirks = true;
            EmitDoctype();
        }
        break;
    }
}

HtmlTokenizer::HtmlTokenizer(TokenSink& sink) : impl_(std::make_unique<Impl>(sink)) {}
HtmlTokenizer::~HtmlTokenizer() = default;

void HtmlTokenizer::Feed(const char* data, std::size_t size) {
    impl_->Feed(reinterpret_cast<const unsigned char*>(data), size);
}

void HtmlTokenizer::Finish() { impl_->Finish(); }

void HtmlTokenizer::SetState(State state) {
    static constexpr S kStates[] = {S::Data, S::RcData, S::RawText, S::ScriptData, S::PlainText};
    impl_->state = kStates[static_cast<int>(state)];
}

}  // namespace tessark::html
