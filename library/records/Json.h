// Json: JSON text written correctly: strings quoted with the escapes JSON
// needs (quote, backslash, the control characters), as valid UTF-8 (a byte
// that is not part of valid UTF-8 becomes U+FFFD), so that every line a
// record run writes is read back by any JSON parser as the text it holds.
//
// Thread safety: reentrant.
#pragma once

#include <string>
#include <string_view>

namespace tessark::records {

// Appends `text` to `out` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

// Replaces each byte of `text` that is not part of valid UTF-8 by U+FFFD,
// as AppendJsonString does: text bound for records that must be UTF-8.
void MakeValidUtf8(std::string& text);

// Appends "key":"value" (with a comma before it unless `first`).
void AppendJsonField(std::string& out, std::string_view key, std::string_view value, bool first = false);

}  // namespace tessark::records
