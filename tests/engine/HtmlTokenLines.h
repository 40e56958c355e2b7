// HtmlTokenLines: the tokens of the readable-text engine's tokenizer as lines
// of text, for its unit tests and for html_tokens (compared with html5lib by
// tokenizer_oracle.py). A tree builder's part is played too: the tokenizer
// is switched into the raw-text states after the start tags that call for
// them, with scripting off (noscript stays data).
//
// Lines: "T text" (adjacent text as one), "S name" + "/" when self-closing,
// then "A name=value" per attribute, "E name", "C data",
// "D name|quirks|public|system" ("-" for a missing identifier). Bytes below
// 0x20, 0x7F and "\" are written as \xHH.
//
// Thread safety: none needed (test code, one object per run).
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "html/HtmlTokenizer.h"

namespace tessark::test {

class TokenLines : public html::TokenSink {
public:
    std::string out;
    html::HtmlTokenizer* tokenizer = nullptr;

    void OnToken(const html::Token& t) override {
        using Kind = html::Token::Kind;
        if (t.kind == Kind::Text) {
            text_ += t.data;
            return;
        }
        FlushText();
        if (t.kind == Kind::StartTag) {
            Line("S ", t.name, t.selfClosing ? "/" : "");
            for (const auto& a : t.attributes) Line("A ", a.name + "=" + a.value, "");
            SwitchAfter(t.name);
        } else if (t.kind == Kind::EndTag) {
            Line("E ", t.name, "");
        } else if (t.kind == Kind::Comment) {
            Line("C ", t.data, "");
        } else {
            Line("D ",
                 std::string(t.name) + "|" + (t.forceQuirks ? "1" : "0") + "|" +
                     (t.hasPublicId ? std::string(t.publicId) : "-") + "|" +
                     (t.hasSystemId ? std::string(t.systemId) : "-"),
                 "");
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
        out += suffix;
        out += '\n';
    }
    void SwitchAfter(std::string_view name) {
        using State = html::HtmlTokenizer::State;
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

// The lines of page fed `chunk` bytes at a time.
inline std::string TokenLinesOf(std::string_view page, std::size_t chunk) {
    TokenLines lines;
    html::HtmlTokenizer tokenizer(lines);
    lines.tokenizer = &tokenizer;
    for (std::size_t i = 0; i < page.size(); i += chunk)
        tokenizer.Feed(page.data() + i, std::min(chunk, page.size() - i));
    tokenizer.Finish();
    lines.FlushText();
    return std::move(lines.out);
}

}  // namespace tessark::test
