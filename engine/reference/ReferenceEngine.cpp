#include "ReferenceEngine.h"

#include <string_view>
#include <utility>

#include "ConversionContext.h"
#include "HtmlReferences.h"
#include "SpecialCharTable.h"
#include "TextOps.h"
#include "Windows1252.h"

namespace tessark {

namespace {
constexpr std::size_t npos = std::u16string::npos;
constexpr std::u16string_view kCR = u"\r";
constexpr std::u16string_view kLF = u"\n";
constexpr std::u16string_view kCRLF = u"\r\n";
constexpr std::u16string_view kSpace = u" ";
}  // namespace

std::u16string ReferenceEngine::ExtractText(const std::u16string& sIn) {
    // 1. Nothing to do, nothing yields, nothing is reported.
    if (sIn.empty()) return {};

    std::u16string work;
    try {
        work = CutHTML(sIn);                                    // 2.
        work = ReplaceAll(work, kCR, kSpace, Match::Exact);     // 3.
        if (options.RemoveAllCRLF) work = ReplaceAll(work, kLF, kSpace, Match::Exact);  // 4.
        if (options.RemoveSpaces) work = ConsolidateChar(work, std::u16string(kSpace));  // 5.
        Yield();                                                // 6.
        if (options.RemoveBlankLines) {                                 // 7.
            constexpr std::u16string_view blank = u"\n \n";
            while (FindFrom(work, blank, 0, Match::Exact) != npos)
                work = ReplaceAll(work, blank, kLF, Match::Exact);
            work = ConsolidateChar(work, std::u16string(kLF));
        }
        if (options.RemoveSpaces) work = ConsolidateChar(work, std::u16string(kSpace));  // 8.
        Yield();                                                // 9.
        work = ReplaceAll(work, kLF, kCRLF, Match::Exact);      // 10.
        {                                                       // 11.
            const std::size_t first = work.find_first_not_of(u' ');
            if (first == npos) {
                work = std::u16string();
            } else {
                const std::size_t last = work.find_last_not_of(u' ');
                work = work.substr(first, last - first + 1);
            }
        }
        if (work.size() >= 2 && std::u16string_view(work).substr(0, 2) == kCRLF)  // 12.
            work = work.substr(2);
        if (work.size() >= 2 && std::u16string_view(work).substr(work.size() - 2) == kCRLF)  // 13.
            work = work.substr(0, work.size() - 2);
    } catch (...) {
        Report("ExtractText");
    }
    return work;  // 14.
}

std::u16string ReferenceEngine::CutHTML(const std::u16string& text) {
    if (text.empty()) return {};  // 1.
    try {
        std::u16string work = text;
        if (options.RemoveComments) work = CommentPass(std::move(work));  // 2.
        Yield();                                                  // 3.
        if (options.RemoveScripts) work = BlockPass(std::move(work), u"<script", u"/script>", 9);  // 4.
        Yield();                                                  // 5.
        if (options.RemoveStyles) work = BlockPass(std::move(work), u"<style", u"/style>", 7);  // 6.
        Yield();                                                  // 7.
        if (options.RemoveFunctions) work = FunctionPass(std::move(work));  // 8.
        if (options.RemovePipe) work = ReplaceAll(work, u"|", kSpace, Match::Exact);  // 9.
        if (options.RemoveTabs) work = ReplaceAll(work, u"\t", kSpace, Match::Exact);  // 10.
        Yield();                                                  // 11.
        if (options.GenerateSpecialChars && !options.DecodeAllReferences) ReplaceSpecialChars(work);  // 12.
        Yield();                                                  // 13.
        if (options.RemoveAllTags) work = StripTags(work);               // 14.
        if (options.DecodeAllReferences) work = DecodeReferences(work);  // 14a.
        if (options.RemoveComments) {                                     // 15.
            work = ReplaceAll(work, u"!--", kSpace, Match::Exact);
            work = ReplaceAll(work, u"-->", kSpace, Match::Exact);
        }
        work = ReplaceAll(work, u"msnavigation", kSpace, Match::IgnoreCase);  // 16.
        return work;                                              // 17.
    } catch (...) {
        Report("CutHTML");
        return {};
    }
}

// Comment pass: the search position carries over, so after a removal the
// units that followed the removed block, up to the old closing position, are
// not searched again. A comment body shorter than two units is skipped.
std::u16string ReferenceEngine::CommentPass(std::u16string text) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t h = FindFrom(text, u"<!--", start, Match::IgnoreCase);
        if (h == npos) break;
        const std::size_t g = FindFrom(text, u"-->", h, Match::IgnoreCase);
        if (g == npos) break;
        if (g > h + 5) text = RemoveRange(text, h, g + 3);
        start = g;
    }
    return text;
}

// Script and style passes: the first opening marker is paired with the first
// closing marker at or after it; the pair and everything between go, and the
// search starts again from the beginning. A pair whose closing marker begins
// fewer than minGap units after the opening marker stays in the text; the
// search for an opening marker then resumes just after that closing marker.
std::u16string ReferenceEngine::BlockPass(std::u16string text, std::u16string_view open,
                                   std::u16string_view close, std::size_t minGap) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t h = FindFrom(text, open, from, Match::IgnoreCase);
        if (h == npos) break;
        const std::size_t g = FindFrom(text, close, h, Match::IgnoreCase);
        if (g == npos) break;
        if (g >= h + minGap) {
            text = RemoveRange(text, h, g + close.size());
            from = 0;
        } else {
            from = g + close.size();
        }
    }
    return text;
}

// Function pass: braces do not nest; the first "{" pairs with the first "}"
// after it.
std::u16string ReferenceEngine::FunctionPass(std::u16string text) {
    for (;;) {
        const std::size_t h = FindFrom(text, u"{", 0, Match::IgnoreCase);
        if (h == npos) break;
        const std::size_t g = FindFrom(text, u"}", h, Match::IgnoreCase);
        if (g == npos) break;
        text = RemoveRange(text, h, g + 1);
    }
    return text;
}

void ReferenceEngine::ReplaceSpecialChars(std::u16string& text) {
    std::size_t nextYield = 0;
    for (std::size_t row = 0; row < SpecialCharTable.size(); ++row) {
        const SpecialCharRow& r = SpecialCharTable[row];
        text = ReplaceAll(text, r.reference, r.replacement, r.match);
        if (nextYield < kSpecialCharYieldAfterRows.size() &&
            row + 1 == kSpecialCharYieldAfterRows[nextYield]) {
            ++nextYield;
            Yield();
        }
    }
}

std::u16string ReferenceEngine::StripTags(const std::u16string& text) {
    if (text.empty()) return {};
    std::u16string out(text.size(), u'\0');
    std::size_t used = 0;
    bool inside = false;
    for (const char16_t c : text) {
        if (!inside) {
            if (c == u'<')
                inside = true;
            else
                out[used++] = c;
        } else if (c == u'>') {
            inside = false;
        }
    }
    out.resize(used);
    return out;
}

// ------------------------------------------------------ all references

namespace {

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c == 0xA0) c = 0x20;  // a no-break space becomes a plain space
    if (c >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

}  // namespace

std::u16string ReferenceEngine::DecodeReferences(const std::u16string& text) {
    std::u16string out;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (text[i] != u'&') {
            out += text[i++];
            continue;
        }
        if (i + 1 < n && text[i + 1] == u'#') {  // numeric
            std::size_t k = i + 2;
            const bool hex = k < n && (text[k] == u'x' || text[k] == u'X');
            if (hex) ++k;
            std::u16string digits;
            while (k < n && (hex ? std::u16string_view(u"0123456789abcdefABCDEF").find(text[k]) != npos
                                 : (text[k] >= u'0' && text[k] <= u'9')))
                digits += text[k++];
            if (digits.empty()) {
                out += text[i++];
                continue;
            }
            if (k < n && text[k] == u';') ++k;
            // The value, held past 10FFFF as "too large".
            std::uint64_t v = 0;
            for (const char16_t c : digits) {
                const unsigned dv = c <= u'9' ? unsigned(c - u'0') : (unsigned(c | 0x20) - u'a' + 10);
                v = v * (hex ? 16 : 10) + dv;
                if (v > 0x10FFFF) v = 0x110000;
            }
            char32_t ch = static_cast<char32_t>(v);
            if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
                ch = 0xFFFD;
            else if (v >= 0x80 && v <= 0x9F)
                ch = kWindows1252High[v - 0x80];  // the numbers 80-9F, as windows-1252
            AppendCodePoint(out, ch);
            i = k;
            continue;
        }
        // The longest name of the list that the text continues with.
        const HtmlEntity* best = nullptr;
        std::string candidate;
        for (std::size_t k = i + 1; k < n && k <= i + 33 && text[k] < 0x80; ++k) {
            candidate += static_cast<char>(text[k]);
            if (const HtmlEntity* e = FindHtmlEntity(candidate)) best = e;
        }
        if (best == nullptr) {
            out += text[i++];
            continue;
        }
        AppendCodePoint(out, best->first);
        if (best->second != 0) AppendCodePoint(out, best->second);
        i += 1 + best->name.size();
    }
    return out;
}

std::u16string ReferenceEngine::ConsolidateChar(std::u16string text, const std::u16string& ch) {
    if (ch.size() != 1) return {};
    if (text.empty()) return {};
    try {
        const std::u16string pair = ch + ch;
        while (FindFrom(text, pair, 0, Match::Exact) != npos) {
            for (int sweep = 0; sweep < 10; ++sweep) text = ReplaceAll(text, pair, ch, Match::Exact);
            Yield();
        }
        return text;
    } catch (...) {
        Report("ConsolidateChar");
        return {};
    }
}

}  // namespace tessark
