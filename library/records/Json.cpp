#include "Json.h"

#include <simdjson.h>

#include <cstdint>

namespace tessark::records {
namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when the bytes
// there begin none (the maximal subpart is then replaced byte by byte).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const bool valid = simdjson::validate_utf8(text.data(), text.size());
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && (c < 0x80 || valid)) {
            ++i;
            continue;
        }
        out.append(text, run, i - run);
        if (c >= 0x80) {
            const std::size_t length = SequenceLength(text, i);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text, i, length);
                i += length;
            }
        } else {
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
            ++i;
        }
        run = i;
    }
    out.append(text, run, text.size() - run);
    out += '"';
}

void MakeValidUtf8(std::string& text) {
    if (simdjson::validate_utf8(text.data(), text.size())) return;
    std::string valid;
    valid.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            valid += text[i++];
        } else if (const std::size_t length = SequenceLength(text, i); length > 0) {
            valid.append(text, i, length);
            i += length;
        } else {
            valid += "\xEF\xBF\xBD";
            ++i;
        }
    }
    text = std::move(valid);
}

void AppendJsonField(std::string& out, std::string_view key, std::string_view value, bool first) {
    if (!first) out += ',';
    AppendJsonString(out, key);
    out += ':';
    AppendJsonString(out, value);
}

}  // namespace tessark::records
