// DifferentialInput: the engine tests' and the differential fuzzer's common
// ground. It builds adversarial pages from the engine's markers, character
// references, whitespace and random bytes (the choices come from the
// fuzzer's bytes or a seeded generator), and converts a page in every way the
// library can, with a counting conversion context, against an oracle:
//   Compare:           the literal engine against the fast one over 16-bit
//                      text and over Windows-1252 bytes (the page is built as
//                      such bytes; the bytes out must be the 16-bit result
//                      encoded);
//   CompareUtf8:       the UTF-8 byte path against the 16-bit engine on the
//                      decoded page, encoded back (a byte that begins no
//                      well-formed sequence decodes to the lone U+DC80 + byte);
//   CompareStream:     the byte stream against the literal engine;
//   CompareUtf8Stream: the UTF-8 stream against the whole page's UTF-8 path.
// Each returns "" when all agree, else what each way gave. The fast ways use
// the kernels of the active implementation (fast::ChooseImplementation).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ConversionContext.h"
#include "FastReferences.h"
#include "HtmlReferences.h"
#include "SpecialCharTable.h"
#include "Utf8.h"
#include "ClassicEngine.h"
#include "ReferenceEngine.h"
#include "StreamExtractor.h"
#include "kernels/Implementations.h"

namespace tessark::test {

// ------------------------------------------------------------------ options

// An option set as a bit mask (EngineOptions::FromMask): the eleven classic
// options, then DecodeAllReferences.
enum Flag : unsigned {
    kComments = 1u << 0, kScripts = 1u << 1, kStyles = 1u << 2, kFunctions = 1u << 3, kPipe = 1u << 4,
    kTabs = 1u << 5, kSpecial = 1u << 6, kTags = 1u << 7, kAllCRLF = 1u << 8, kSpaces = 1u << 9,
    kBlankLines = 1u << 10, kAllFlags = (1u << 11) - 1, kDecode = 1u << 11,
};
inline constexpr unsigned kOptionBits = 12;

inline EngineOptions Options(unsigned mask) { return EngineOptions::FromMask(mask); }

// --------------------------------------------------------------- text forms

// Windows-1252 as the job reads it: the five undefined bytes keep their code.
inline std::u16string Decode(std::string_view bytes) {
    std::u16string out;
    for (const char ch : bytes) out += Windows1252Char(static_cast<unsigned char>(ch));
    return out;
}

inline bool HighSurrogateAt(std::u16string_view t, std::size_t i) {
    return t[i] >= 0xD800 && t[i] <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF;
}

// The bytes the byte pipeline writes for a 16-bit result: a character past
// U+FFFF (a surrogate pair) is one "?", like any other the code page lacks.
inline std::string Encode(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += static_cast<char>(Windows1252Byte(text[i]));
        if (HighSurrogateAt(text, i)) ++i;
    }
    return out;
}

// The length of the well-formed UTF-8 sequence at s[i], 0 when none begins
// there (the table of well-formed byte sequences of the Unicode standard).
inline std::size_t WellFormedLength(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
    auto in = [](unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; };
    const unsigned b0 = at(0), b1 = at(1);
    const bool tail2 = in(at(2), 0x80, 0xBF), tail3 = tail2 && in(at(3), 0x80, 0xBF);
    if (b0 < 0x80) return 1;
    if (in(b0, 0xC2, 0xDF)) return in(b1, 0x80, 0xBF) ? 2 : 0;
    if (in(b0, 0xE0, 0xEF))
        return tail2 && in(b1, b0 == 0xE0 ? 0xA0 : 0x80, b0 == 0xED ? 0x9F : 0xBF) ? 3 : 0;
    if (in(b0, 0xF0, 0xF4))
        return tail3 && in(b1, b0 == 0xF0 ? 0x90 : 0x80, b0 == 0xF4 ? 0x8F : 0xBF) ? 4 : 0;
    return 0;
}

// UTF-8 to 16-bit text (also for the tests' literals).
inline std::u16string DecodeUtf8(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = WellFormedLength(s, i);
        const auto byte = [&](std::size_t k) { return char32_t{static_cast<unsigned char>(s[i + k])}; };
        char32_t cp = len == 0 ? 0xDC00 + byte(0) : len == 1 ? byte(0) : byte(0) & (0x7Fu >> len);  // 0: a lone byte
        for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (byte(k) & 0x3F);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
        }
        out += static_cast<char16_t>(cp);
        i += std::max<std::size_t>(len, 1);
    }
    return out;
}

inline std::string EncodeUtf8(std::u16string_view t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (HighSurrogateAt(t, i)) {
            AppendUtf8(out, 0x10000 + ((char32_t{t[i]} - 0xD800) << 10) + (t[i + 1] - 0xDC00u));
            ++i;
        } else if (t[i] >= 0xDC80 && t[i] <= 0xDCFF) {
            out += static_cast<char>(t[i] - 0xDC00);  // an escaped byte goes back as it was
        } else {
            AppendUtf8(out, t[i]);
        }
    }
    return out;
}

inline std::string Repeat(std::string_view s, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += s;
    return out;
}

// Bytes as units, one each.
inline std::u16string AsUnits(std::string_view bytes) {
    std::u16string out;
    for (const char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
}

// A text for failure messages: non-ASCII and controls as \uXXXX.
inline std::string Show(std::u16string_view s) {
    std::string out;
    char buf[8];
    for (const char16_t c : s) {
        std::snprintf(buf, sizeof buf, c >= 0x20 && c < 0x7F ? "%c" : "\\u%04X", static_cast<unsigned>(c));
        out += buf;
    }
    return out;
}

// ------------------------------------------------------------------ choices

// Where a page's choices come from: a seeded generator, or the fuzzer's
// bytes consumed from the front (zeros once they run out).
class Choices {
public:
    explicit Choices(std::uint32_t seed) : rng_(seed) {}
    Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned Next(unsigned bound) {  // a value in [0, bound)
        if (bound <= 1) return 0;
        if (data_ == nullptr) return static_cast<unsigned>(rng_() % bound);
        unsigned v = 0;
        for (unsigned range = 1; range < bound && pos_ < size_; range <<= 8) v = (v << 8) | data_[pos_++];
        return v % bound;
    }
    bool Exhausted() const { return data_ != nullptr && pos_ >= size_; }

private:
    std::mt19937 rng_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0, pos_ = 0;
};

template <std::size_t N>
const char* Pick(Choices& c, const char* const (&from)[N]) {
    return from[c.Next(static_cast<unsigned>(N))];
}

// -------------------------------------------------------------------- pages

// One piece of a page. A dense page holds only references, their fragments,
// letters and digits, so that references meet and cascade.
inline void AppendPiece(Choices& c, std::string& out, bool dense) {
    static const char* const kMarkers[] = {
        "<!--", "-->", "<!-->", "<!---->", "<script", "/script>", "</script>", "<SCRIPT", "</ScRiPt>",
        "<scr", "ipt", "<style", "/style>", "</STYLE>", "<sty", "le", "{", "}", "|", "\t", "<", ">",
        "!--", "--", "-", "msnavigation", "MSNavigation", "msnav", "igation", "<b>", "</p>", "<!--x-->",
        "<script>x</script>", "<style>p{}</style>", "<scr<!--xx-->ipt", "&am{x}p;",
    };
    static const char* const kFragments[] = {
        "&", "&#", "#", ";", "&&", "&amp;", "&AMP;", "&amp", "&am", "p;", "&#38;", "&#35;", "&#59;", "&#54;",
        "&#53;", "&not;", "&NOT;", "&para;", "&#172;", "&#182;", "&nbsp", "&NbSp", "&nbs", "&#1", "&#6",
        "&#", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "l", "t", "n", "s", "p", "x",
        "&#10;", "&lt;", "&gt;", "&#60;", "&#62;", "&#124;", "&brvbar;", "&#9;", "&#x41;", "&#039;",
        "&#2", "&#53;8;", "&#109;", "&#112;", "&shy;", "&l", "&a", "&&&", "&#59;",
    };
    static const char* const kSpace[] = {" ", "  ", "\r", "\n", "\r\n", "\n \n", "\r\n\r\n", "\t", "\n\n\n"};
    static const unsigned kDenseKinds[] = {2, 3, 4, 5, 4, 9};
    switch (dense ? kDenseKinds[c.Next(6)] : c.Next(10)) {
        case 0: case 1: out += Pick(c, kMarkers); break;
        case 2: case 3: {  // a reference of the table, sometimes in another case or cut short
            const SpecialCharRow& row = SpecialCharTable[c.Next(static_cast<unsigned>(SpecialCharTable.size()))];
            std::string ref(row.reference.begin(), row.reference.end());
            const bool upper = c.Next(4) == 0;
            for (char& ch : ref)
                if (upper && c.Next(2) && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
            if (c.Next(6) == 0) ref.resize(1 + c.Next(static_cast<unsigned>(ref.size())));
            out += ref;
            break;
        }
        case 4: case 5: out += Pick(c, kFragments); break;
        case 6: out += Pick(c, kSpace); break;
        case 7: out.append(1 + c.Next(40), " \n-{<&"[c.Next(6)]); break;
        case 8: out += static_cast<char>(c.Next(256)); break;
        default:
            for (unsigned k = 1 + c.Next(6); k > 0; --k)
                out += "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[c.Next(62)];
    }
}

// One piece for DecodeAllReferences: HTML character references whole or cut
// short (names of the list, numbers in and out of range), and tags, quotes
// and unclosed tags around them, which the tag removal before the decoding
// takes away or leaves.
inline void AppendReferencePiece(Choices& c, std::string& out) {
    static const char* const kTags[] = {
        "<a href=\"x>y\">", "<a href=\"?a=1&amp;b=2\">", "<img alt=\"", "<b>", "</p>", "<p<br>", "<!DOCTYPE html>",
        "\"", "'", "=", " ", "\n", "<", ">", "/",
    };
    static const char* const kReferences[] = {
        "&nbsp;", "&notin;", "&not", "&notit;", "&#x1F600;", "&#0;", "&#150;", "&#128512;", "&nGt;", "&amp;lt;",
        "&#xD800;", "&#1114112;", "&AMP", "&lt;div&gt;", "&#x", "&#", "&#65", "&amp", "&ampx", "&#10;", "&#13;",
        "&#9;", "&#124;", "&#x80;", "&#x81;", "&NonBreakingSpace;", "&CounterClockwiseContourIntegral;", "&",
    };
    const unsigned kind = c.Next(8);
    std::string name = "&" + std::string(kHtmlEntities[c.Next(static_cast<unsigned>(kHtmlEntities.size()))].name);
    if (c.Next(5) == 0) name.resize(1 + c.Next(static_cast<unsigned>(name.size())));  // cut short
    if (kind < 4) out += Pick(c, kTags);
    else if (kind == 4) out += Pick(c, kReferences);
    else if (kind == 5) out += name;  // a name of the list
    else AppendPiece(c, out, false);
}

// references: with the pieces for DecodeAllReferences.
inline std::string BuildPage(Choices& c, std::size_t maxPieces, bool references = false) {
    std::string out;
    const bool dense = !references && c.Next(3) == 0;
    const std::size_t pieces = c.Next(static_cast<unsigned>(maxPieces) + 1);
    for (std::size_t i = 0; i < pieces && !c.Exhausted(); ++i)
        references ? AppendReferencePiece(c, out) : AppendPiece(c, out, dense);
    return out;
}

// A page of the pieces of BuildPage with characters of one to four bytes
// among them, also inside short comment and script bodies and in the stretch
// that a comment's removal skips; with invalid, also bytes that begin no
// well-formed sequence and can never be joined into one.
inline std::string BuildUtf8Page(Choices& c, std::size_t maxPieces, bool invalid, bool references = false) {
    static const char* const kChars[] = {"\xC3\xA9", "\xC2\xA0", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                         "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "a"};
    static const char* const kLoneBytes[] = {"\x80", "\xBF", "\xA9", "\xC0", "\xC1", "\xF5", "\xFF", "\x82\xAC"};
    static const char* const kOpen[] = {"<!--", "<script>", "<script", "<style", "<!--", "&"};
    static const char* const kClose[] = {"-->", "</script>", "/script>", "/style>", "-->", ";"};
    std::string out;
    const bool dense = c.Next(3) == 0;
    const std::size_t pieces = c.Next(static_cast<unsigned>(maxPieces) + 1);
    auto ch = [&] { return std::string(Pick(c, kChars)); };
    for (std::size_t i = 0; i < pieces && !c.Exhausted(); ++i) {
        const unsigned kind = c.Next(invalid ? 8 : 7);
        if (kind < 3) {  // a piece, its bytes past ASCII as characters
            std::string piece;
            if (references && c.Next(2) == 0) AppendReferencePiece(c, piece);
            else AppendPiece(c, piece, dense);
            for (const char b : piece) out += static_cast<unsigned char>(b) < 0x80 ? std::string(1, b) : ch();
        } else if (kind < 5) {
            out += ch();
        } else if (kind == 5) {  // a block with a body of up to two characters
            const unsigned k = c.Next(6);
            out += kOpen[k];
            for (unsigned m = c.Next(3); m > 0; --m) out += ch();
            out += kClose[k];
        } else if (kind == 6) {
            out += "<!--" + ch() + ch() + "-->" + ch() + "<!--" + ch() + "x-->";
        } else {
            out += Pick(c, kLoneBytes);
        }
    }
    return out;
}

// True when a byte of the page that could lead a sequence begins none: a
// removal could then join it to the continuation bytes after the removed
// stretch (see ClassicEngine::ExtractUtf8).
inline bool HasBrokenLead(std::string_view page) {
    for (std::size_t i = 0; i < page.size(); ++i) {
        const auto b = static_cast<unsigned char>(page[i]);
        if (b >= 0xC2 && b <= 0xF4 && WellFormedLength(page, i) == 0) return true;
    }
    return false;
}

// ----------------------------------------------------------------- outcomes

// What one conversion did: its result, its yields and its reports.
struct Outcome {
    std::u16string text;
    long yields = 0;
    std::vector<std::string> reports;  // "source:number"
    bool operator==(const Outcome&) const = default;
};

// A conversion context that counts its yields; the failAt-th yield throws
// error 5 (or, with badAlloc, std::bad_alloc).
class Recorder {
public:
    explicit Recorder(long failAt = 0, bool badAlloc = false)
        : context([this, failAt, badAlloc] {
              if (++yields != failAt) return;
              if (badAlloc) throw std::bad_alloc();
              throw RuntimeError(5, "Invalid procedure call or argument");
          }) {}
    // The yields and reports so far, with the text given.
    Outcome Seen(std::u16string text = {}) const {
        Outcome o{std::move(text), yields, {}};
        for (const ErrorReport& r : context.Reports()) o.reports.push_back(r.source + ":" + std::to_string(r.error.number));
        return o;
    }
    long yields = 0;
    ConversionContext context;
};

// The outcome of convert(engine) on an engine of class E with the options.
template <class E = ClassicEngine, class F>
Outcome Converted(unsigned options, long failAt, F convert, bool badAlloc = false) {
    Recorder recorder(failAt, badAlloc);
    E e(Options(options), &recorder.context);
    std::u16string text = convert(e);
    return recorder.Seen(std::move(text));
}

// "" when agree, else the options and what each way gave.
inline std::string Verdict(bool agree, std::string_view page, unsigned options, long failAt,
                           std::initializer_list<std::pair<const char*, const Outcome*>> ways) {
    if (agree) return "";
    std::string s = "kernels=" + std::string(fast::ActiveImplementation().name) + " options=" +
                    std::to_string(options) + " failAt=" + std::to_string(failAt) + "\npage: " + Show(AsUnits(page));
    for (const auto& [name, o] : ways) {
        s += "\n" + std::string(name) + ": " + Show(o->text) + " yields=" + std::to_string(o->yields);
        for (const std::string& r : o->reports) s += " report " + r;
    }
    return s;
}

// The literal engine's outcome on the page read as Windows-1252, and the
// same with its text as the bytes the byte pipeline writes, one unit each.
inline std::pair<Outcome, Outcome> Literal(const std::string& page, unsigned options, long failAt) {
    const std::u16string text = Decode(page);
    std::pair<Outcome, Outcome> o;
    o.first = o.second = Converted<ReferenceEngine>(options, failAt, [&](auto& e) { return e.ExtractText(text); });
    o.second.text = AsUnits(Encode(o.first.text));
    return o;
}

inline std::string Compare(const std::string& page, unsigned options, long failAt = 0) {
    const auto [literal, literalBytes] = Literal(page, options, failAt);
    const Outcome fast = Converted(options, failAt, [&](ClassicEngine& e) { return e.ExtractText(Decode(page)); });
    const Outcome bytes = Converted(options, failAt, [&](ClassicEngine& e) { return AsUnits(e.ExtractBytes(page)); });
    return Verdict(literal == fast && literalBytes == bytes, page, options, failAt,
                   {{"literal", &literal}, {"fast", &fast}, {"bytes", &bytes}});
}

// Texts as the UTF-8 bytes, one unit per byte. Where a removal can join the
// pieces of a broken sequence (comments and scripts both on, HasBrokenLead)
// only the yields and reports must agree.
inline std::string CompareUtf8(const std::string& page, unsigned options, long failAt = 0) {
    const Outcome oracle =
        Converted(options, failAt, [&](ClassicEngine& e) { return AsUnits(EncodeUtf8(e.ExtractText(DecodeUtf8(page)))); });
    const Outcome bytes = Converted(options, failAt, [&](ClassicEngine& e) { return AsUnits(e.ExtractUtf8(page)); });
    const bool exact = !((options & 3u) == 3u && HasBrokenLead(page));
    const bool agree = exact ? oracle == bytes : oracle.yields == bytes.yields && oracle.reports == bytes.reports;
    return Verdict(agree, page, options, failAt, {{"oracle", &oracle}, {"utf-8", &bytes}});
}

// The names of the implementations this processor supports, the baseline first.
inline std::vector<std::string> SupportedImplementations() {
    std::vector<std::string> names;
    for (const fast::Implementation& impl : fast::Implementations())
        if (impl.supported()) names.emplace_back(impl.name);
    return names;
}

// ---------------------------------------------------------------- streaming

// How a streaming conversion is fed: the input goes in pieces whose sizes
// cycle through feeds, and the engine aims at chunks of chunk units.
struct Feeding {
    std::size_t chunk = 1;
    std::vector<std::size_t> feeds{1};
};

// The streaming conversion of input by an Extractor over the options, as
// units; "(failed)" when the stream failed.
template <class Extractor>
Outcome Streamed(const std::string& input, unsigned options, const Feeding& f, long failAt = 0) {
    Recorder recorder(failAt);
    std::u16string out;
    Extractor stream(Options(options), &recorder.context,
                     [&out](const unsigned char* d, std::size_t n) { out.append(d, d + n); }, f.chunk);
    for (std::size_t at = 0, k = 0; at < input.size(); ++k) {
        const std::size_t n = std::min(input.size() - at, std::max<std::size_t>(1, f.feeds[k % f.feeds.size()]));
        stream.Feed(reinterpret_cast<const unsigned char*>(input.data()) + at, n);
        at += n;
    }
    stream.Finish();
    return recorder.Seen(stream.Failed() ? std::u16string(u"(failed)") : out);
}

// A stream against its oracle: the same text, no fewer yields and no report;
// but once its failing yield came, the stream has failed with one report.
inline bool StreamAgrees(const Outcome& oracle, const Outcome& stream, long failAt) {
    if (failAt > 0 && stream.yields >= failAt) return stream.reports.size() == 1 && stream.text == u"(failed)";
    return stream.reports.empty() && stream.text == oracle.text && stream.yields >= oracle.yields;
}

inline std::string CompareStream(const std::string& page, unsigned options, const Feeding& f, long failAt = 0) {
    const auto [literal, literalBytes] = Literal(page, options, 0);
    const Outcome bytes = Streamed<ByteStreamExtractor>(page, options, f, failAt);
    return Verdict(StreamAgrees(literalBytes, bytes, failAt), page, options, failAt,
                   {{"literal", &literal}, {"byte stream", &bytes}});
}

inline std::string CompareUtf8Stream(const std::string& page, unsigned options, const Feeding& f, long failAt = 0) {
    const Outcome whole = Converted(options, 0, [&](ClassicEngine& e) { return AsUnits(e.ExtractUtf8(page)); });
    const Outcome stream = Streamed<Utf8StreamExtractor>(page, options, f, failAt);
    return Verdict(StreamAgrees(whole, stream, failAt), page, options, failAt,
                   {{"whole", &whole}, {"utf-8 stream", &stream}});
}

}  // namespace tessark::test
