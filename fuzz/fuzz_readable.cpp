// libFuzzer target: the readable-text engine (ReadableText.h) on pages from
// the fuzzer's bytes. The first bytes choose the options (the links' mode,
// the alt text, the width, CR LF, a base URL) and the pieces in which the
// page is fed; the page is then either the remaining bytes as they are or
// built from them out of tags that open, close and misnest blocks, lists,
// tables, preformatted text, links and images, character references,
// whitespace and text. Aborts, with the page and the options printed, when
// the output is not valid UTF-8, when the page fed in pieces gives another
// text than the page fed whole, or when a conversion fails (nothing here
// can fail: no yield throws and memory suffices); the sanitizers catch the
// rest.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DifferentialInput.h"
#include "readable/ReadableText.h"

namespace {

using tessark::ReadableConverter;
using tessark::ReadableOptions;
using tessark::test::Choices;

// One piece of a built page.
void AppendPiece(Choices& c, std::string& out) {
    static const char* const kTags[] = {
        "<p>", "</p>", "<div>", "</div>", "<br>", "<hr>", "<h1>", "</h1>", "<blockquote>", "</blockquote>",
        "<ul>", "</ul>", "<ol start=3>", "<ol>", "</ol>", "<li>", "</li>", "<dl>", "<dt>", "<dd>",
        "<table>", "</table>", "<tr>", "</tr>", "<td>", "</td>", "<th colspan=2>", "<td rowspan=3>", "<caption>",
        "<pre>", "</pre>", "<textarea>", "</textarea>", "<a href=\"http://x.y/a b\">", "<a href=/rel>", "<a href=#top>",
        "<a href='javascript:f()'>", "<a>", "</a>", "<img alt=\"A pic\">", "<img src=i.png>", "<img alt=''>",
        "<base href=\"http://b.c/d/\">", "<b>", "</b>", "<span hidden>", "<div style=\"display:none\">", "</span>",
        "<script>", "</script>", "<style>", "</style>", "<!--", "-->", "<template>", "</template>", "<title>",
        "<svg>", "</svg>", "<math>", "<select><option>", "<button>", "<input value=v>", "<noscript>", "<wbr>",
        "<", ">", "</", "=", "\"", "'", "<p<p>", "</ p>", "<!DOCTYPE html>", "<head>", "<body>", "</html>",
    };
    static const char* const kText[] = {
        "word", "Two words", "\xC3\xA9t\xC3\xA9", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80", "\xD7\xA9\xD7\x9C",
        "&amp;", "&lt;", "&nbsp;", "&#x1F600;", "&#0;", "&#150;", "&notin", "&", "&#x110000;", "\xE2\x80\x8B",
        " ", "  ", "\n", "\r\n", "\t", "\r", "\x0C", "\xC3", "\xFF", "\xED\xA0\x80", "\xC0\xAF", "x", "\0",
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    };
    if (c.Next(2) == 0) out += tessark::test::Pick(c, kTags);
    else if (c.Next(4) == 0) out += static_cast<char>(c.Next(256));
    else out += tessark::test::Pick(c, kText);
}

// Whether s is well-formed UTF-8: no stray continuation byte, no overlong
// form, no surrogate, nothing past U+10FFFF, no sequence cut short.
bool IsValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        char32_t c = n == 1 ? b : static_cast<char32_t>(b & (0x7F >> n));
        for (std::size_t k = 1; k < n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3Fu);
        }
        if ((n == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)))
            return false;
        i += n;
    }
    return true;
}

struct Run {
    std::string text;
    bool ok;
};

// The page fed in pieces whose sizes cycle through sizes (0: the whole page
// at once).
Run Convert(const std::string& page, const ReadableOptions& options, const std::size_t (&sizes)[3]) {
    Run run{{}, true};
    ReadableConverter converter(options, nullptr, [&run](const char* d, std::size_t n) { run.text.append(d, n); });
    for (std::size_t at = 0, k = 0; at < page.size(); ++k) {
        const std::size_t size = sizes[k % 3] == 0 ? page.size() : sizes[k % 3];
        const std::size_t n = std::min(page.size() - at, size);
        run.ok = converter.Feed(page.data() + at, n) && run.ok;
        at += n;
    }
    run.ok = converter.Finish() && run.ok;
    return run;
}

[[noreturn]] void Fail(const char* what, const std::string& page, const ReadableOptions& o, const std::string& a,
                       const std::string& b) {
    std::fprintf(stderr, "%s\nlinks=%d alt=%d width=%zu crlf=%d base=%s\npage: %s\nwhole: %s\npieces: %s\n", what,
                 static_cast<int>(o.links), o.altText, o.width, o.crlf, o.baseUrl.c_str(),
                 tessark::test::Show(tessark::test::AsUnits(page)).c_str(),
                 tessark::test::Show(tessark::test::AsUnits(a)).c_str(),
                 tessark::test::Show(tessark::test::AsUnits(b)).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    static const char* const kBases[] = {"", "http://e.com/a/b", "https://h/", "not a url"};
    Choices c(data, 4);
    ReadableOptions options;
    options.links = static_cast<ReadableOptions::Links>(c.Next(3));
    options.altText = c.Next(2) == 0;
    options.crlf = c.Next(2) == 0;
    options.baseUrl = kBases[c.Next(4)];
    options.width = c.Next(3) == 0 ? 0 : 1 + c.Next(120);
    const std::size_t sizes[3] = {1 + c.Next(7), 1 + c.Next(300), 1 + c.Next(5000)};
    std::string page;
    if (c.Next(2) == 0) {
        page.assign(reinterpret_cast<const char*>(data) + 4, size - 4);
    } else {
        Choices build(data + 4, size - 4);
        while (!build.Exhausted()) AppendPiece(build, page);
    }
    const Run whole = Convert(page, options, {0, 0, 0});
    const Run pieces = Convert(page, options, sizes);
    if (!whole.ok || !pieces.ok) Fail("a conversion failed", page, options, whole.text, pieces.text);
    if (!IsValidUtf8(whole.text)) Fail("not valid UTF-8", page, options, whole.text, pieces.text);
    if (whole.text != pieces.text) Fail("fed in pieces, another text", page, options, whole.text, pieces.text);
    return 0;
}
