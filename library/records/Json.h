// Json: JSON text written correctly: strings quoted with the escapes JSON
// needs (quote, backslash, the control characters), as valid UTF-8 (what is
// not becomes U+FFFD, as encoding::ToValidUtf8 makes it), so that every line a
// record run writes is read back by any JSON parser as the text it holds.
//
// Thread safety: reentrant.
#pragma once

#include <string>
#include <string_view>

namespace tessark::records {

// Appends `text` to `out` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

// Appends "key":"value" (with a comma before it unless `first`).
void AppendJsonField(std::string& out, std::string_view key, std::string_view value, bool first = false);

}  // namespace tessark::records
