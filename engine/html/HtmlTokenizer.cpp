// TEMPORARY crude tokenizer so that the readable-text engine can run before
// the real one lands; replaced by it on merge.
#include "HtmlTokenizer.h"

#include <vector>

namespace tessark::html {

struct HtmlTokenizer::Impl {
    TokenSink& sink;
    std::string buf;
    State state = State::Data;
    std::string lastStart;
    std::vector<Attribute> attrs;
    explicit Impl(TokenSink& s) : sink(s) {}

    static std::string Decode(std::string_view s) {
        std::string o;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] != '&') { o += s[i]; continue; }
            std::size_t e = s.find(';', i);
            if (e == std::string_view::npos || e - i > 10) { o += '&'; continue; }
            std::string_view n = s.substr(i + 1, e - i - 1);
            char32_t c = 0;
            if (n == "amp") c = '&'; else if (n == "lt") c = '<'; else if (n == "gt") c = '>';
            else if (n == "quot") c = '"'; else if (n == "nbsp") c = 0xA0; else if (n == "shy") c = 0xAD;
            else if (!n.empty() && n[0] == '#') {
                bool hex = n.size() > 1 && (n[1] == 'x' || n[1] == 'X');
                c = static_cast<char32_t>(std::stoul(std::string(n.substr(hex ? 2 : 1)), nullptr, hex ? 16 : 10));
            }
            if (!c) { o += '&'; continue; }
            char b[4];
            std::size_t k = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
            if (k == 1) b[0] = static_cast<char>(c);
            else if (k == 2) { b[0] = static_cast<char>(0xC0 | (c >> 6)); b[1] = static_cast<char>(0x80 | (c & 63)); }
            else if (k == 3) { b[0] = static_cast<char>(0xE0 | (c >> 12)); b[1] = static_cast<char>(0x80 | ((c >> 6) & 63)); b[2] = static_cast<char>(0x80 | (c & 63)); }
            else { b[0] = static_cast<char>(0xF0 | (c >> 18)); b[1] = static_cast<char>(0x80 | ((c >> 12) & 63)); b[2] = static_cast<char>(0x80 | ((c >> 6) & 63)); b[3] = static_cast<char>(0x80 | (c & 63)); }
            o.append(b, k);
            i = e;
        }
        return o;
    }
    void Text(std::string_view s) {
        if (s.empty()) return;
        std::string t;
        for (char c : s) if (c != '\r') t += c;
        std::string d = state == State::Data || state == State::RcData ? Decode(t) : t;
        Token k; k.kind = Token::Kind::Text; k.data = d; sink.OnToken(k);
    }
    void Run(bool fin) {
        std::size_t i = 0;
        while (i < buf.size()) {
            if (state == State::PlainText) { Text(std::string_view(buf).substr(i)); i = buf.size(); break; }
            if (state != State::Data) {
                std::string end = "</" + lastStart;
                std::size_t p = i;
                for (;;) {
                    p = buf.find("</", p);
                    if (p == std::string::npos) break;
                    bool m = buf.size() - p >= end.size() + 1;
                    if (!m) break;
                    bool eq = true;
                    for (std::size_t k = 0; k < end.size(); ++k) eq = eq && (buf[p + k] | 0x20) == (end[k] | 0x20);
                    char c = buf[p + end.size()];
                    if (eq && (c == '>' || c == ' ' || c == '/' || c == '\n' || c == '\t')) break;
                    ++p;
                }
                if (p == std::string::npos || (!fin && buf.size() - p < end.size() + 1)) {
                    if (fin) { Text(std::string_view(buf).substr(i)); i = buf.size(); }
                    break;
                }
                Text(std::string_view(buf).substr(i, p - i));
                i = p;
                state = State::Data;
                continue;
            }
            std::size_t lt = buf.find('<', i);
            if (lt == std::string::npos) {
                std::size_t amp = buf.rfind('&');
                std::size_t stop = (!fin && amp != std::string::npos && amp >= i && buf.size() - amp < 12) ? amp : buf.size();
                Text(std::string_view(buf).substr(i, stop - i)); i = stop; break;
            }
            Text(std::string_view(buf).substr(i, lt - i));
            i = lt;
            if (buf.compare(i, 4, "<!--") == 0) {
                std::size_t e = buf.find("-->", i + 4);
                if (e == std::string::npos) { if (fin) i = buf.size(); break; }
                Token k; k.kind = Token::Kind::Comment; sink.OnToken(k);
                i = e + 3; continue;
            }
            std::size_t gt = buf.find('>', i);
            if (gt == std::string::npos) { if (fin) i = buf.size(); break; }
            std::string_view tag(buf.data() + i + 1, gt - i - 1);
            i = gt + 1;
            if (tag.empty() || tag[0] == '!' || tag[0] == '?') continue;
            bool endTag = tag[0] == '/';
            if (endTag) tag.remove_prefix(1);
            std::size_t n = 0;
            while (n < tag.size() && tag[n] != ' ' && tag[n] != '\n' && tag[n] != '\t' && tag[n] != '/') ++n;
            std::string name(tag.substr(0, n));
            for (char& c : name) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (name.empty()) continue;
            attrs.clear();
            std::size_t p = n;
            while (p < tag.size()) {
                while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\n' || tag[p] == '\t' || tag[p] == '/')) ++p;
                std::size_t s = p;
                while (p < tag.size() && tag[p] != '=' && tag[p] != ' ' && tag[p] != '\n' && tag[p] != '/') ++p;
                if (p == s) break;
                Attribute a; a.name = std::string(tag.substr(s, p - s));
                for (char& c : a.name) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
                if (p < tag.size() && tag[p] == '=') {
                    ++p;
                    if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
                        char q = tag[p++]; std::size_t e = tag.find(q, p);
                        if (e == std::string_view::npos) e = tag.size();
                        a.value = Decode(tag.substr(p, e - p)); p = e + 1;
                    } else {
                        std::size_t e = p; while (e < tag.size() && tag[e] != ' ' && tag[e] != '\n') ++e;
                        a.value = Decode(tag.substr(p, e - p)); p = e;
                    }
                }
                bool dup = false;
                for (auto& x : attrs) dup = dup || x.name == a.name;
                if (!dup) attrs.push_back(a);
            }
            Token k;
            k.kind = endTag ? Token::Kind::EndTag : Token::Kind::StartTag;
            k.name = name;
            if (!endTag) { k.attributes = attrs; lastStart = name; k.selfClosing = !tag.empty() && tag.back() == '/'; }
            sink.OnToken(k);
        }
        buf.erase(0, i);
    }
};

HtmlTokenizer::HtmlTokenizer(TokenSink& sink) : impl_(std::make_unique<Impl>(sink)) {}
HtmlTokenizer::~HtmlTokenizer() = default;
void HtmlTokenizer::Feed(const char* data, std::size_t size) { impl_->buf.append(data, size); impl_->Run(false); }
void HtmlTokenizer::Finish() { impl_->Run(true); }
void HtmlTokenizer::SetState(State state) { impl_->state = state; }

}  // namespace tessark::html
