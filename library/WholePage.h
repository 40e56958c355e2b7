// WholePage: one page converted whole by the classic engine, in the text
// encoding that the Encoding setting (or a charset label) asks for, in place
// in the page's own buffer where the path allows. The one copy of this
// logic for the program's job (over a QByteArray) and the library's
// PageStream (over a std::string).
//
//   "windows-1252": the classic byte path (ClassicEngine::ExtractBytes), output in
//                   Windows-1252, byte for byte as it always was.
//   "utf-8":        the UTF-8 byte path (ClassicEngine::ExtractUtf8); a UTF-8
//                   byte-order mark at the start is dropped; bytes that are
//                   not UTF-8 pass through.
//   "auto":         encoding::Detect over the page; any other charset label:
//                   that encoding. Input that is well-formed UTF-8 (after a
//                   byte-order mark) takes the UTF-8 byte path; any other is
//                   decoded into 16-bit text (U+FFFD for what the encoding
//                   does not define), converted by ExtractText and encoded
//                   as UTF-8. The output is UTF-8 without a byte-order mark.
//
// Reentrant: it touches nothing but its arguments (and the engine's
// conversion context, through the engine).
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "ClassicEngine.h"
#include "encoding/Encoding.h"

namespace tessark {

// Converts `bytes` (the whole page; any buffer with data(), size() and
// resize(), such as std::string or QByteArray) into the output bytes and
// returns the encoding it was read in and why (bomLength 0). Throws
// RuntimeError 5 for an encoding that encoding::IsUsableEncoding refuses;
// std::bad_alloc propagates. The engine reports its own failures, as
// ExtractText does.
template <class Buffer>
encoding::Detection ConvertWhole(ClassicEngine& engine, Buffer& bytes, std::string_view encodingName) {
    using Size = decltype(bytes.size());
    using encoding::Reason;
    const auto size = [&bytes] { return static_cast<std::size_t>(bytes.size()); };
    // A byte path of the engine over bytes[skip, size); the result ends up
    // at the start of the buffer.
    const auto inPlace = [&](std::size_t skip, bool utf8) {
        if (skip > 0) {
            std::memmove(bytes.data(), bytes.data() + skip, size() - skip);
            bytes.resize(static_cast<Size>(size() - skip));
        }
        const ClassicEngine::GrowBuffer grow = [&bytes](std::size_t grown) {
            bytes.resize(static_cast<Size>(grown));
            return reinterpret_cast<unsigned char*>(bytes.data());
        };
        auto* data = reinterpret_cast<unsigned char*>(bytes.data());
        const std::size_t length = utf8 ? engine.ExtractUtf8(data, size(), grow) : engine.ExtractBytes(data, size(), grow);
        bytes.resize(static_cast<Size>(length));
    };
    const auto setting = encoding::ParseSetting(encodingName);
    if (setting == encoding::Setting::Windows1252) {
        inPlace(0, false);
        return {"windows-1252", Reason::Chosen, 0};
    }
    const std::string_view all(bytes.data(), size());
    if (setting == encoding::Setting::Utf8) {
        inPlace(all.starts_with("\xEF\xBB\xBF") ? 3 : 0, true);
        return {"UTF-8", Reason::Chosen, 0};
    }
    encoding::Detection found = encoding::DecideEncoding(all, encodingName);
    const std::string_view body = all.substr(found.bomLength);
    if (found.encoding == "UTF-8" && (found.reason == Reason::ValidUtf8 || encoding::IsValidUtf8(body))) {
        inPlace(found.bomLength, true);
    } else {
        std::u16string text = encoding::Decode(body, found.encoding);
        bytes = Buffer();  // the page's bytes are no longer needed
        text = engine.ExtractText(text);
        const std::string utf8 = encoding::EncodeUtf8(text);
        bytes.resize(static_cast<Size>(utf8.size()));
        if (!utf8.empty()) std::memcpy(bytes.data(), utf8.data(), utf8.size());
    }
    found.bomLength = 0;
    return found;
}

}  // namespace tessark
