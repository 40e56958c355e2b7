// DifferentialInput: builds adversarial pages from the engine's markers,
// character references, whitespace and random bytes, and runs the fast and
// the literal engine on them side by side.
//
// Used by the libFuzzer target (the choices come from the fuzzer's bytes)
// and by the randomized GoogleTest (the choices come from a seeded
// generator), each once for every implementation of the kernels that the
// processor supports. A page is built as Windows-1252 bytes, so that the
// same page also checks the fast engine's byte pipeline: its output bytes
// must be the 16-bit result encoded (Encode).
//
// The UTF-8 byte path has its own pages (BuildUtf8Page: the same pieces with
// characters of two, three and four bytes among them) and its own oracle:
// the page decoded into 16-bit text (a byte that begins no well-formed
// sequence becomes the lone unit U+DC80 + byte), converted by the 16-bit
// engine and encoded back (CompareUtf8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "EngineHooks.h"
#include "kernels/Implementations.h"
#include "FastReferences.h"
#include "HtmlReferences.h"
#include "SpecialCharTable.h"
#include "Utf8.h"
#include "cTessark.h"
#include "cTessarkLiteral.h"
#include "cTessarkStream.h"

namespace tessark::differential {

// Where the choices come from.
class Choices {
public:
    virtual ~Choices() = default;
    // A value in [0, bound); bound >= 1.
    virtual unsigned Next(unsigned bound) = 0;
    virtual bool Exhausted() const = 0;
};

// The fuzzer's bytes, consumed from the front; zeros once they run out.
class BytesChoices final : public Choices {
public:
    BytesChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned Next(unsigned bound) override {
        if (bound <= 1) return 0;
        unsigned v = 0;
        for (unsigned range = 1; range < bound && pos_ < size_; range <<= 8) v = (v << 8) | data_[pos_++];
        return v % bound;
    }
    bool Exhausted() const override { return pos_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class RandomChoices final : public Choices {
public:
    explicit RandomChoices(std::uint32_t seed) : rng_(seed) {}
    unsigned Next(unsigned bound) override {
        return bound <= 1 ? 0 : static_cast<unsigned>(rng_() % bound);
    }
    bool Exhausted() const override { return false; }

private:
    std::mt19937 rng_;
};

// Windows-1252 as the job reads it: the five undefined bytes keep their code.
inline char16_t DecodeByte(unsigned char b) {
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return (b >= 0x80 && b <= 0x9F) ? high[b - 0x80] : char16_t(b);
}

inline std::u16string Decode(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = DecodeByte(static_cast<unsigned char>(bytes[i]));
    return out;
}

// The bytes the byte pipeline writes for a 16-bit result: a character past
// U+FFFF (a surrogate pair) is one "?", like any other the code page lacks.
inline std::string Encode(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        out += static_cast<char>(fast::Windows1252Byte(c));
    }
    return out;
}

// The number of option bits: the eleven classic options, then BreakAtBlocks,
// KeepLinks, KeepAltText and DecodeAllReferences.
inline constexpr unsigned kOptionBits = 15;
inline constexpr unsigned kReadableBits = 0xFu << 11;

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
        case 0:
        case 1:
            out += kMarkers[c.Next(sizeof kMarkers / sizeof *kMarkers)];
            break;
        case 2:
        case 3: {  // a reference of the table, sometimes in another case or cut short
            const SpecialCharRow& row = SpecialCharTable[c.Next(static_cast<unsigned>(SpecialCharTable.size()))];
            std::string ref(row.reference.begin(), row.reference.end());
            if (c.Next(4) == 0) {
                for (char& ch : ref)
                    if (c.Next(2)) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
            }
            if (c.Next(6) == 0) ref.resize(1 + c.Next(static_cast<unsigned>(ref.size())));
            out += ref;
            break;
        }
        case 4:
        case 5:
            out += kFragments[c.Next(sizeof kFragments / sizeof *kFragments)];
            break;
        case 6:
            out += kSpace[c.Next(sizeof kSpace / sizeof *kSpace)];
            break;
        case 7:
            out.append(1 + c.Next(40), " \n-{<&"[c.Next(6)]);
            break;
        case 8:
            out += static_cast<char>(c.Next(256));
            break;
        default: {
            static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
            for (unsigned k = 1 + c.Next(6); k > 0; --k) out += kLetters[c.Next(sizeof kLetters - 1)];
            break;
        }
    }
}

// One piece of a page for the readable-text options: tags with and without
// attributes and quotes, links (nested, unclosed, with URLs that equal their
// text), images, unclosed tags, and HTML character references whole or cut
// short.
inline void AppendReadablePiece(Choices& c, std::string& out) {
    static const char* const kTags[] = {
        "<a href=\"http://x.y/\">", "<a href='u'>", "<a href=u>", "<A HREF=\"#top\">", "<a href=\"javascript:f()\">",
        "<a>", "</a>", "</A>", "<a href=\"x>y\">", "<a href=\"\">", "<a name=n href=v>", "<a href=\" http://x.y/ \">",
        "http://x.y/", "u", "<img alt=\"pic\" src=x>", "<IMG ALT='A B'>", "<img alt=u>", "<img src=a>", "<img alt>",
        "</img>", "<br>", "<br/>", "<BR />", "<brx>", "<p>", "</p>", "<li>", "</LI>", "<td>", "</td>", "<th class=x>",
        "<tr>", "<div class=\"a\">", "<h1>", "</blockquote>", "<figcaption>", "<span>", "<a", "<img alt=\"", "\"",
        "'", "=", "href=", "alt=", " ", "\n", "<", ">", "/", "<p<br>", "< p>", "<!DOCTYPE html>",
    };
    static const char* const kReferences[] = {
        "&nbsp;", "&notin;", "&not", "&notit;", "&#x1F600;", "&#0;", "&#150;", "&#128512;", "&nGt;", "&amp;lt;",
        "&#xD800;", "&#1114112;", "&AMP", "&lt;div&gt;", "&#x", "&#", "&#65", "&amp", "&ampx", "&#10;", "&#13;",
        "&#9;", "&#124;", "&#x80;", "&#x81;", "&NonBreakingSpace;", "&CounterClockwiseContourIntegral;", "&",
    };
    switch (c.Next(4)) {
        case 0:
        case 1:
            out += kTags[c.Next(sizeof kTags / sizeof *kTags)];
            break;
        case 2:
            if (c.Next(2) == 0) {
                out += kReferences[c.Next(sizeof kReferences / sizeof *kReferences)];
            } else {  // a name of the list, sometimes cut short
                const HtmlEntity& e = kHtmlEntities[c.Next(static_cast<unsigned>(kHtmlEntities.size()))];
                std::string ref = "&" + std::string(e.name);
                if (c.Next(5) == 0) ref.resize(1 + c.Next(static_cast<unsigned>(ref.size())));
                out += ref;
            }
            break;
        default:
            AppendPiece(c, out, false);
            break;
    }
}

// readable: pages for the readable-text options (AppendReadablePiece).
inline std::string BuildPage(Choices& c, std::size_t maxPieces, bool readable = false) {
    std::string out;
    const bool dense = !readable && c.Next(3) == 0;
    const std::size_t pieces = c.Next(static_cast<unsigned>(maxPieces) + 1);
    for (std::size_t i = 0; i < pieces && !c.Exhausted(); ++i) {
        if (readable)
            AppendReadablePiece(c, out);
        else
            AppendPiece(c, out, dense);
    }
    return out;
}

template <class E>
void SetOptions(E& e, unsigned mask) {
    auto b = [mask](unsigned bit) -> Boolean { return (mask >> bit) & 1u ? True : False; };
    e.RemoveComments = b(0);
    e.RemoveScripts = b(1);
    e.RemoveStyles = b(2);
    e.RemoveFunctions = b(3);
    e.RemovePipe = b(4);
    e.RemoveTabs = b(5);
    e.GenerateSpecialChars = b(6);
    e.RemoveAllTags = b(7);
    e.RemoveAllCRLF = b(8);
    e.RemoveSpaces = b(9);
    e.RemoveBlankLines = b(10);
    e.BreakAtBlocks = b(11);
    e.KeepLinks = b(12);
    e.KeepAltText = b(13);
    e.DecodeAllReferences = b(14);
}

// What one conversion did: its result, its yields and its reports.
struct Outcome {
    std::u16string text;
    long yields = 0;
    std::vector<std::string> reports;  // "source:number"
    bool operator==(const Outcome&) const = default;
};

// Runs one conversion with counting hooks; when failAtYield > 0 that yield
// throws error 5.
class Run {
public:
    explicit Run(long failAtYield) : failAt_(failAtYield) {
        SetYieldHook([this] {
            if (++outcome.yields == failAt_) throw RuntimeError(5, "Invalid procedure call or argument");
        });
        SetErrorHook([this](std::string_view source, const ErrorInfo& e) {
            outcome.reports.push_back(std::string(source) + ":" + std::to_string(e.number));
        });
    }
    ~Run() {
        SetYieldHook({});
        SetErrorHook({});
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    Outcome outcome;

private:
    long failAt_;
};

// The ways of converting a page; all must agree. fast and bytes run the
// kernels of the active implementation (fast::ChooseImplementation).
struct Comparison {
    Outcome literal, fast, bytes;
    // The literal outcome with its text as the byte pipeline writes it.
    Outcome literalBytes;
    bool Agree() const { return literal == fast && literalBytes == bytes; }
};

inline Outcome Literal(const std::string& page, unsigned options, long failAtYield = 0) {
    Run run(failAtYield);
    cTessarkLiteral e;
    SetOptions(e, options);
    run.outcome.text = e.ExtractText(Decode(page));
    return run.outcome;
}

// literal, when given, is Literal(page, options, failAtYield) already made.
inline Comparison Compare(const std::string& page, unsigned options, long failAtYield = 0,
                          const Outcome* literal = nullptr) {
    Comparison c;
    const std::u16string text = Decode(page);
    c.literal = literal ? *literal : Literal(page, options, failAtYield);
    c.literalBytes = c.literal;
    c.literalBytes.text = Decode(Encode(c.literal.text));
    {
        Run run(failAtYield);
        cTessark e;
        SetOptions(e, options);
        run.outcome.text = e.ExtractText(text);
        c.fast = run.outcome;
    }
    {
        Run run(failAtYield);
        cTessark e;
        SetOptions(e, options);
        run.outcome.text = Decode(e.ExtractBytes(page));
        c.bytes = run.outcome;
    }
    return c;
}

// The names of the implementations this processor supports, the baseline
// first.
inline std::vector<std::string> SupportedImplementations() {
    std::vector<std::string> names;
    for (const fast::Implementation& impl : fast::Implementations())
        if (impl.supported()) names.emplace_back(impl.name);
    return names;
}

// How a streaming conversion is fed: the input goes in pieces whose sizes
// cycle through feeds (each at least 1), and the engine aims at chunks of
// chunk units.
struct Feeding {
    std::size_t chunk = 1;
    std::vector<std::size_t> feeds{1};
    // CutHTML's steps on the stream's second thread, whose yields reach
    // nobody: then only the text is compared, never with a failing yield.
    bool twoThreads = false;

    StreamThreads Threads() const { return twoThreads ? StreamThreads::Two : StreamThreads::One; }
};

// The streaming conversion of a page over 16-bit text (bytes = false) or
// Windows-1252 bytes, with counting hooks. The result is the decoded output.
inline Outcome StreamOutcome(const std::string& page, unsigned options, const Feeding& feeding, bool bytes,
                             long failAtYield = 0) {
    Run run(failAtYield);
    cTessark e;
    SetOptions(e, options);
    std::size_t at = 0, k = 0;
    auto next = [&] {
        const std::size_t size = std::min(page.size() - at, std::max<std::size_t>(1, feeding.feeds[k++ % feeding.feeds.size()]));
        const std::size_t from = at;
        at += size;
        return std::pair<std::size_t, std::size_t>(from, size);
    };
    if (bytes) {
        std::string out;
        ByteStreamExtractor stream(
            e, [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); },
            feeding.chunk, feeding.Threads());
        while (at < page.size()) {
            const auto [from, size] = next();
            stream.Feed(reinterpret_cast<const unsigned char*>(page.data()) + from, size);
        }
        stream.Finish();
        run.outcome.text = stream.Failed() ? u"(failed)" : Decode(out);
    } else {
        const std::u16string text = Decode(page);
        std::u16string out;
        TextStreamExtractor stream(
            e, [&out](const char16_t* d, std::size_t n) { out.append(d, n); }, feeding.chunk,
            feeding.Threads());
        while (at < page.size()) {
            const auto [from, size] = next();
            stream.Feed(text.data() + from, size);
        }
        stream.Finish();
        run.outcome.text = stream.Failed() ? u"(failed)" : out;
    }
    return run.outcome;
}

// The streaming conversions against the literal one: the same result, no
// fewer yields and no report. With a failing yield the stream either fails,
// reporting once (its output is then not the page's text, and the caller
// keeps its old output), or yields fewer times than that and agrees.
struct StreamComparison {
    Outcome literal, text, bytes;
    long failAt = 0;
    bool twoThreads = false;
    static bool AgreeOne(const Outcome& literal, const Outcome& stream, long failAt, bool twoThreads) {
        if (twoThreads) return stream.reports.empty() && stream.text == literal.text;
        if (stream.reports.size() == 1) return failAt > 0 && stream.text == u"(failed)";
        return stream.reports.empty() && stream.text == literal.text && stream.yields >= literal.yields;
    }
    bool Agree() const {
        return AgreeOne(literal, text, failAt, twoThreads) && AgreeOne(literal, bytes, failAt, twoThreads);
    }
};

inline StreamComparison CompareStream(const std::string& page, unsigned options, const Feeding& feeding,
                                      long failAtYield = 0) {
    StreamComparison c;
    c.failAt = failAtYield;
    c.twoThreads = feeding.twoThreads;
    {
        Run run(0);
        cTessarkLiteral e;
        SetOptions(e, options);
        run.outcome.text = e.ExtractText(Decode(page));
        c.literal = run.outcome;
    }
    c.text = StreamOutcome(page, options, feeding, false, failAtYield);
    c.bytes = StreamOutcome(page, options, feeding, true, failAtYield);
    return c;
}

// ------------------------------------------------------------------ UTF-8

// The length of the well-formed sequence at s[i], 0 when none begins there
// (the table of well-formed byte sequences of the Unicode standard).
inline std::size_t WellFormedLength(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
    auto in = [](unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; };
    const unsigned b0 = at(0), b1 = at(1), b2 = at(2), b3 = at(3);
    if (b0 < 0x80) return 1;
    if (in(b0, 0xC2, 0xDF)) return in(b1, 0x80, 0xBF) ? 2 : 0;
    const bool tail2 = in(b2, 0x80, 0xBF), tail3 = in(b3, 0x80, 0xBF);
    if (b0 == 0xE0) return in(b1, 0xA0, 0xBF) && tail2 ? 3 : 0;
    if (in(b0, 0xE1, 0xEC) || in(b0, 0xEE, 0xEF)) return in(b1, 0x80, 0xBF) && tail2 ? 3 : 0;
    if (b0 == 0xED) return in(b1, 0x80, 0x9F) && tail2 ? 3 : 0;
    if (b0 == 0xF0) return in(b1, 0x90, 0xBF) && tail2 && tail3 ? 4 : 0;
    if (in(b0, 0xF1, 0xF3)) return in(b1, 0x80, 0xBF) && tail2 && tail3 ? 4 : 0;
    if (b0 == 0xF4) return in(b1, 0x80, 0x8F) && tail2 && tail3 ? 4 : 0;
    return 0;
}

inline std::u16string DecodeUtf8(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = WellFormedLength(s, i);
        auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k])); };
        char32_t cp = 0;
        switch (len) {
            case 0:
                out += static_cast<char16_t>(0xDC00 + byte(0));  // a lone U+DC80 + byte
                ++i;
                continue;
            case 1: cp = byte(0); break;
            case 2: cp = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F); break;
            case 3: cp = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F); break;
            default:
                cp = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
                break;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

inline std::string EncodeUtf8(std::u16string_view t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        char32_t c = t[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);  // an escaped byte goes back as it was
            continue;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Characters of one to four bytes, and bytes that begin no well-formed
// sequence and can never be joined into one (stray continuation bytes and
// bytes that are never a lead).
inline const char* const kUtf8Chars[] = {"\xC3\xA9", "\xC2\xA0", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                         "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "a"};
inline const char* const kLoneBytes[] = {"\x80", "\xBF", "\xA9", "\xC0", "\xC1", "\xF5", "\xFF", "\x82\xAC"};

// A page of the pieces of BuildPage with characters of several bytes among
// them, also inside short comment and script bodies and right after a
// comment; with invalid, also lone bytes; with readable, the pieces of the
// readable-text options too.
inline std::string BuildUtf8Page(Choices& c, std::size_t maxPieces, bool invalid, bool readable = false) {
    std::string out;
    const bool dense = c.Next(3) == 0;
    const std::size_t pieces = c.Next(static_cast<unsigned>(maxPieces) + 1);
    auto ch = [&] { return std::string(kUtf8Chars[c.Next(sizeof kUtf8Chars / sizeof *kUtf8Chars)]); };
    for (std::size_t i = 0; i < pieces && !c.Exhausted(); ++i) {
        switch (c.Next(invalid ? 8 : 7)) {
            case 0:
            case 1:
            case 2: {
                std::string piece;
                if (readable && c.Next(2) == 0)
                    AppendReadablePiece(c, piece);
                else
                    AppendPiece(c, piece, dense);
                for (const char b : piece) out += static_cast<unsigned char>(b) < 0x80 ? std::string(1, b) : ch();
                break;
            }
            case 3:
            case 4:
                out += ch();
                break;
            case 5: {  // a block with a body of one or two characters
                static const char* const kOpen[] = {"<!--", "<script>", "<script", "<style", "<!--", "&"};
                static const char* const kClose[] = {"-->", "</script>", "/script>", "/style>", "-->", ";"};
                const unsigned k = c.Next(6);
                out += kOpen[k];
                for (unsigned m = c.Next(3); m > 0; --m) out += ch();
                out += kClose[k];
                break;
            }
            case 6:  // a comment and what follows it, in the stretch its removal skips
                out += "<!--" + ch() + ch() + "-->" + ch() + "<!--" + ch() + "x-->";
                break;
            default:
                out += kLoneBytes[c.Next(sizeof kLoneBytes / sizeof *kLoneBytes)];
                break;
        }
    }
    return out;
}

// True when a byte of the page that could lead a sequence begins none: a
// removal could then join it to the continuation bytes after the removed
// stretch (see cTessark::ExtractUtf8).
inline bool HasBrokenLead(std::string_view page) {
    for (std::size_t i = 0; i < page.size(); ++i) {
        const auto b = static_cast<unsigned char>(page[i]);
        if (b >= 0xC2 && b <= 0xF4 && WellFormedLength(page, i) == 0) return true;
    }
    return false;
}

// The UTF-8 path of the active implementation against the oracle.
struct Utf8Comparison {
    Outcome oracle, bytes;  // texts as the UTF-8 bytes, one unit per byte
    bool exact = true;      // whether the texts must agree (see HasBrokenLead)
    bool Agree() const {
        return oracle.yields == bytes.yields && oracle.reports == bytes.reports && (!exact || oracle.text == bytes.text);
    }
};

inline std::u16string AsUnits(const std::string& bytes) {
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return out;
}

// The UTF-8 byte path against the 16-bit engine on the decoded page.
inline Utf8Comparison CompareUtf8(const std::string& page, unsigned options, long failAtYield = 0) {
    Utf8Comparison c;
    c.exact = !((options & 3u) == 3u && HasBrokenLead(page));
    {
        Run run(failAtYield);
        cTessark e;
        SetOptions(e, options);
        run.outcome.text = AsUnits(EncodeUtf8(e.ExtractText(DecodeUtf8(page))));
        c.oracle = run.outcome;
    }
    {
        Run run(failAtYield);
        cTessark e;
        SetOptions(e, options);
        run.outcome.text = AsUnits(e.ExtractUtf8(page));
        c.bytes = run.outcome;
    }
    return c;
}

// The streaming conversion over UTF-8 bytes against the whole page's
// conversion over them (ExtractUtf8, itself proven above against the 16-bit
// engine): the same bytes, no fewer yields and no report; with a failing
// yield, as for CompareStream.
struct Utf8StreamComparison {
    Outcome whole, stream;
    long failAt = 0;
    bool twoThreads = false;
    bool Agree() const { return StreamComparison::AgreeOne(whole, stream, failAt, twoThreads); }
};

inline Utf8StreamComparison CompareUtf8Stream(const std::string& page, unsigned options, const Feeding& feeding,
                                              long failAtYield = 0) {
    Utf8StreamComparison c;
    c.failAt = failAtYield;
    c.twoThreads = feeding.twoThreads;
    {
        Run run(0);
        cTessark e;
        SetOptions(e, options);
        run.outcome.text = AsUnits(e.ExtractUtf8(page));
        c.whole = run.outcome;
    }
    Run run(failAtYield);
    cTessark e;
    SetOptions(e, options);
    std::string out;
    Utf8StreamExtractor stream(
        e, [&out](const unsigned char* d, std::size_t n) { out.append(reinterpret_cast<const char*>(d), n); },
        feeding.chunk, feeding.Threads());
    std::size_t at = 0, k = 0;
    while (at < page.size()) {
        const std::size_t size =
            std::min(page.size() - at, std::max<std::size_t>(1, feeding.feeds[k++ % feeding.feeds.size()]));
        stream.Feed(reinterpret_cast<const unsigned char*>(page.data()) + at, size);
        at += size;
    }
    stream.Finish();
    run.outcome.text = stream.Failed() ? u"(failed)" : AsUnits(out);
    c.stream = run.outcome;
    return c;
}

}  // namespace tessark::differential
