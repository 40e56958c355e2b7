#include "Json.h"

#include <simdjson.h>

#include "encoding/Encoding.h"

namespace tessark::records {

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string valid;
    if (!simdjson::validate_utf8(text.data(), text.size())) {
        valid = encoding::ToValidUtf8(text);
        text = valid;
    }
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text, run, i - run);
        out += '\\';
        switch (c) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '\n': out += 'n'; break;
        case '\r': out += 'r'; break;
        case '\t': out += 't'; break;
        case '\b': out += 'b'; break;
        case '\f': out += 'f'; break;
        default:
            out += "u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
        run = i + 1;
    }
    out.append(text, run, text.size() - run);
    out += '"';
}

void AppendJsonField(std::string& out, std::string_view key, std::string_view value, bool first) {
    if (!first) out += ',';
    AppendJsonString(out, key);
    out += ':';
    AppendJsonString(out, value);
}

}  // namespace tessark::records
