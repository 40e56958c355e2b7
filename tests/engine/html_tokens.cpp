// html_tokens: the tokens of HTML files, one a line, for the comparison with
// html5lib's tokenizer (tokenizer_oracle.py). The tokenizer is switched into
// the raw-text states after the start tags that call for it, as a tree
// builder with scripting off does.
//
// Usage: html_tokens [--chunk N] FILE...   Each file's tokens follow a line
// "F FILE". Adjacent text is printed as one token. Every file is also fed N
// bytes at a time (1 by default for files under 64 KiB, 61 for larger ones);
// when that gives other tokens, the program says so and exits with 1.
//
// Lines: "T text", "S name" + "/" when self-closing, then "A name=value" per
// attribute, "E name", "C data", "D name|quirks|public|system" ("-" for a
// missing identifier). Bytes below 0x20, 0x7F and "\" are written as \xHH.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "html/HtmlTokenizer.h"

namespace {

using tessark::html::HtmlTokenizer;
using tessark::html::Token;

void Escaped(std::string& out, std::string_view s) {
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += ch;
        }
    }
}

class Printer : public tessark::html::TokenSink {
public:
    std::string out;
    HtmlTokenizer* tokenizer = nullptr;

    void OnToken(const Token& t) override {
        if (t.kind == Token::Kind::Text) {
            text_ += t.data;
            return;
        }
        FlushText();
        switch (t.kind) {
        case Token::Kind::StartTag:
            Line("S ", t.name, t.selfClosing ? "/" : "");
            for (const auto& a : t.attributes) Line("A ", a.name + "=" + a.value, "");
            SwitchAfter(t.name);
            break;
        case Token::Kind::EndTag:
            Line("E ", t.name, "");
            break;
        case Token::Kind::Comment:
            Line("C ", t.data, "");
            break;
        default:
            Line("D ", std::string(t.name) + "|" + (t.forceQuirks ? "1" : "0") + "|" +
                           (t.hasPublicId ? std::string(t.publicId) : "-") + "|" +
                           (t.hasSystemId ? std::string(t.systemId) : "-"),
                 "");
            break;
        }
    }
    void FlushText() {
        if (!text_.empty()) Line("T ", text_, "");
        text_.clear();
    }

private:
    std::string text_;

    void Line(const char* tag, std::string_view s, const char* suffix) {
        out += tag;
        Escaped(out, s);
        out += suffix;
        out += '\n';
    }
    void SwitchAfter(std::string_view name) {
        using State = HtmlTokenizer::State;
        if (name == "script")
            tokenizer->SetState(State::ScriptData);
        else if (name == "style" || name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes")
            tokenizer->SetState(State::RawText);
        else if (name == "title" || name == "textarea")
            tokenizer->SetState(State::RcData);
        else if (name == "plaintext")
            tokenizer->SetState(State::PlainText);
    }
};

std::string Tokens(const std::string& page, std::size_t chunk) {
    Printer printer;
    HtmlTokenizer tokenizer(printer);
    printer.tokenizer = &tokenizer;
    for (std::size_t i = 0; i < page.size(); i += chunk)
        tokenizer.Feed(page.data() + i, std::min(chunk, page.size() - i));
    tokenizer.Finish();
    printer.FlushText();
    return std::move(printer.out);
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t chunk = 0;
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--chunk") == 0 && a + 1 < argc) {
            chunk = std::stoul(argv[++a]);
            continue;
        }
        std::ifstream in(argv[a], std::ios::binary);
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string whole = Tokens(page, page.size() + 1);
        std::fputs("F ", stdout);
        std::fputs(argv[a], stdout);
        std::fputs("\n", stdout);
        std::fwrite(whole.data(), 1, whole.size(), stdout);
        const std::size_t piece = chunk != 0 ? chunk : page.size() < 65536 ? 1 : 61;
        if (Tokens(page, piece) != whole) {
            std::fprintf(stderr, "%s: fed %zu bytes at a time, the tokens differ\n", argv[a], piece);
            status = 1;
        }
    }
    return status;
}
