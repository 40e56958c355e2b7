// Http: the HTTP response stored in a web archive's response record, taken
// apart: the status, the header fields, and the body with its transfer
// coding (chunked) and content codings (gzip, x-gzip, deflate) undone; the
// media type and charset of Content-Type; whether the body is HTML (by its
// type, or sniffed from its first bytes when there is none, as the HTML
// standard's MIME sniffing does for pages).
//
// Errors: ParseHttpResponse returns false with a reason for a response it
// cannot read; a body it cannot decode is a reason as well. std::bad_alloc
// propagates.
//
// Thread safety: pure functions, reentrant.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessark::records {

struct HttpResponse {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string_view rawBody;  // into the block given to ParseHttpResponse
    std::string mediaType;     // lower case, without parameters; empty when no Content-Type
    std::string charset;       // Content-Type's charset parameter as written, unquoted; empty when none
    std::string_view Field(std::string_view name) const;
};

// Reads the status line and header of `block` (CR LF or LF lines).
bool ParseHttpResponse(std::string_view block, HttpResponse& response, std::string& why);

// The body with chunked transfer coding and the content codings undone, at
// most `limit` bytes; false with `why` when it cannot be decoded (an unknown
// coding such as br, damaged data, over the limit).
bool DecodeHttpBody(const HttpResponse& response, std::size_t limit, std::string& body, std::string& why);

// True for a media type that is HTML (text/html, application/xhtml+xml), or,
// with no type, for a body whose first bytes are a page's.
bool IsHtml(const HttpResponse& response, std::string_view body);

// Splits a Content-Type value: the media type in lower case, and the
// charset parameter (unquoted) or empty.
void ParseContentType(std::string_view value, std::string& mediaType, std::string& charset);

}  // namespace tessark::records
