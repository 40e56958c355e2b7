#include "Http.h"

#include <algorithm>
#include <array>

#include "Gzip.h"
#include "Warc.h"

namespace tessark::records {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The body without its chunked transfer coding. A body that does not begin
// with a chunk size is taken as it is (some archivers store it decoded but
// keep the header); one cut short keeps the chunks that arrived.
std::string Unchunk(std::string_view raw) {
    std::string out;
    std::string_view rest = raw;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t lineEnd = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, lineEnd));
        std::size_t size = 0, digits = 0;
        for (const char c : line) {
            const int digit = HexDigit(c);
            if (digit < 0 || digits == 15) break;
            size = size * 16 + static_cast<std::size_t>(digit);
            ++digits;
        }
        if (digits == 0 || lineEnd == std::string_view::npos) {
            if (first) return std::string(raw);
            break;
        }
        first = false;
        rest.remove_prefix(lineEnd + 1);
        if (size == 0) break;  // the last chunk; trailers follow
        out.append(rest.substr(0, size));
        if (size >= rest.size()) break;
        rest.remove_prefix(size);
        if (rest.substr(0, 2) == "\r\n") rest.remove_prefix(2);
        else if (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
    }
    return out;
}

// The HTML standard's byte patterns for a page, after leading whitespace;
// each must be followed by a space or ">".
constexpr std::array<std::string_view, 17> kHtmlStarts = {
    "<!doctype html", "<html", "<head", "<script", "<iframe", "<h1", "<div", "<font", "<table",
    "<a", "<style", "<title", "<b", "<body", "<br", "<p", "<!--"};

}  // namespace

std::string_view HttpResponse::Field(std::string_view name) const {
    for (const auto& [key, value] : fields)
        if (SameName(key, name)) return value;
    return {};
}

void ParseContentType(std::string_view value, std::string& mediaType, std::string& charset) {
    const std::size_t semicolon = value.find(';');
    mediaType = LowerCase(Trim(value.substr(0, semicolon)));
    charset.clear();
    std::string_view rest = semicolon == std::string_view::npos ? std::string_view() : value.substr(semicolon + 1);
    while (!rest.empty()) {
        const std::size_t next = rest.find(';');
        const std::string_view parameter = Trim(rest.substr(0, next));
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        const std::size_t equals = parameter.find('=');
        if (equals == std::string_view::npos || LowerCase(Trim(parameter.substr(0, equals))) != "charset") continue;
        std::string_view given = Trim(parameter.substr(equals + 1));
        if (given.size() >= 2 && (given.front() == '"' || given.front() == '\'') && given.back() == given.front())
            given = given.substr(1, given.size() - 2);
        charset = std::string(Trim(given));
        return;
    }
}

bool ParseHttpResponse(std::string_view block, HttpResponse& response, std::string& why) {
    response = HttpResponse();
    std::size_t lineEnd = block.find('\n');
    const std::string_view status = Trim(block.substr(0, lineEnd));
    // "HTTP/1.1 200 OK", "HTTP/2 200": the version, a space, three digits.
    const std::size_t space = status.find(' ');
    if (status.substr(0, 5) != "HTTP/" || space == std::string_view::npos || status.size() < space + 4) {
        why = "not an HTTP response";
        return false;
    }
    response.status = 0;
    for (std::size_t k = space + 1; k < space + 4; ++k) {
        if (status[k] < '0' || status[k] > '9') {
            why = "not an HTTP status";
            return false;
        }
        response.status = response.status * 10 + (status[k] - '0');
    }
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 1;
        lineEnd = block.find('\n', start);
        const std::string_view line = Trim(block.substr(start, lineEnd == std::string_view::npos ? block.npos : lineEnd - start));
        if (line.empty()) {
            response.rawBody = lineEnd == std::string_view::npos ? std::string_view() : block.substr(lineEnd + 1);
            break;
        }
        if ((block[start] == ' ' || block[start] == '\t') && !response.fields.empty()) {
            response.fields.back().second.append(" ").append(line);
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;  // as browsers do, a line without a name is ignored
        response.fields.emplace_back(std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1))));
    }
    const std::string_view type = response.Field("Content-Type");
    if (!type.empty()) ParseContentType(type, response.mediaType, response.charset);
    return true;
}

bool DecodeHttpBody(const HttpResponse& response, std::size_t limit, std::string& body, std::string& why) {
    const std::string transfer = LowerCase(response.Field("Transfer-Encoding"));
    body = transfer.find("chunked") != std::string::npos ? Unchunk(response.rawBody) : std::string(response.rawBody);
    // Content codings are listed in the order they were applied.
    std::vector<std::string> codings;
    std::string_view list = response.Field("Content-Encoding");
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string coding = LowerCase(Trim(list.substr(0, comma)));
        if (!coding.empty() && coding != "identity") codings.push_back(coding);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    for (auto coding = codings.rbegin(); coding != codings.rend(); ++coding) {
        const bool gzip = *coding == "gzip" || *coding == "x-gzip";
        if (!gzip && *coding != "deflate") {
            why = "content coding '" + coding->substr(0, 40) + "' is not supported";
            return false;
        }
        // A body stored decoded under its coding's name is taken as it is.
        const bool compressed = gzip ? body.size() >= 2 && static_cast<unsigned char>(body[0]) == 0x1f &&
                                           static_cast<unsigned char>(body[1]) == 0x8b
                                     : !body.empty() && (static_cast<unsigned char>(body[0]) & 0x0f) == 8;
        if (!compressed && gzip) continue;
        std::string problem;
        std::optional<std::string> plain = Inflate(body, gzip ? Wrapper::Gzip : Wrapper::Zlib, limit, problem);
        // "deflate" is zlib's format, but some servers send raw deflate.
        if (!plain && !gzip) plain = Inflate(body, Wrapper::Raw, limit, problem);
        if (!plain) {
            if (!gzip && !compressed) continue;
            why = "the " + *coding + " body cannot be decoded: " + problem;
            return false;
        }
        body = std::move(*plain);
    }
    if (body.size() > limit) {
        why = "the body is over the limit of " + std::to_string(limit) + " bytes";
        return false;
    }
    return true;
}

bool IsHtml(const HttpResponse& response, std::string_view body) {
    if (!response.mediaType.empty())
        return response.mediaType == "text/html" || response.mediaType == "application/xhtml+xml";
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    while (!body.empty() && IsBlank(body.front())) body.remove_prefix(1);
    for (const std::string_view start : kHtmlStarts) {
        if (body.size() <= start.size()) continue;
        if (!std::equal(start.begin(), start.end(), body.begin(), [](char a, char b) { return a == Lower(b); })) continue;
        const char next = body[start.size()];
        if (next == ' ' || next == '>') return true;
    }
    return false;
}

}  // namespace tessark::records
