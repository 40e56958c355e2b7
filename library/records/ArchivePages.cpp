#include "ArchivePages.h"

#include <nettle/sha1.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "ConversionContext.h"
#include "Http.h"
#include "Json.h"

namespace tessark::records {
namespace {

std::string Base32(const unsigned char* bytes, std::size_t size) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (std::size_t k = 0; k < size; ++k) {
        buffer = (buffer << 8) | bytes[k];
        bits += 8;
        while (bits >= 5) {
            out += kAlphabet[(buffer >> (bits - 5)) & 31];
            bits -= 5;
        }
    }
    if (bits > 0) out += kAlphabet[(buffer << (5 - bits)) & 31];
    return out;
}

void Sha1(std::string_view bytes, unsigned char (&digest)[20]) {
    sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    sha1_digest(&context, sizeof digest, digest);
}

// "<urn:uuid:xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx>" of 16 bytes.
std::string UuidUrn(const unsigned char* b) {
    char text[64];
    std::snprintf(text, sizeof text,
                  "<urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x>", b[0], b[1], b[2],
                  b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::string RandomRecordId() {
    std::random_device random;
    unsigned char bytes[16];
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    return UuidUrn(bytes);
}

std::string Now() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<seconds> time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string Record(std::string_view type, const std::vector<std::pair<std::string_view, std::string_view>>& fields,
                   std::string_view contentType, std::string_view block) {
    std::string out;
    out.reserve(block.size() + 512);
    out.append("WARC/1.0\r\nWARC-Type: ").append(type).append("\r\n");
    for (const auto& [name, value] : fields) out.append(name).append(": ").append(value).append("\r\n");
    out.append("Content-Type: ").append(contentType).append("\r\n");
    out.append("Content-Length: ").append(std::to_string(block.size())).append("\r\n\r\n");
    out.append(block).append("\r\n\r\n");
    return out;
}

}  // namespace

std::string Sha1Digest(std::string_view bytes) {
    unsigned char digest[20];
    Sha1(bytes, digest);
    return "sha1:" + Base32(digest, sizeof digest);
}

std::string RecordIdFor(std::string_view name) {
    // RFC 4122's namespace for URLs, then the name; version 5.
    static constexpr unsigned char kNamespace[16] = {0x6b, 0xa7, 0xb8, 0x11, 0x9d, 0xad, 0x11, 0xd1,
                                                     0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    std::string input(reinterpret_cast<const char*>(kNamespace), sizeof kNamespace);
    input.append(name);
    unsigned char digest[20];
    Sha1(input, digest);
    digest[6] = static_cast<unsigned char>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<unsigned char>((digest[8] & 0x3F) | 0x80);
    return UuidUrn(digest);
}

ArchivePages::ArchivePages(ByteSource& source, WarcLimits limits) : reader_(source, limits), limits_(limits) {}

bool ArchivePages::Next(ArchivePage& page, std::vector<WarcProblem>& problems) {
    // Every problem is a record skipped, the reader's and the bodies' alike;
    // those the reader skips were not counted as records yet.
    std::size_t seen = problems.size();
    const auto tally = [&](bool reader) {
        counts_.problems += problems.size() - seen;
        if (reader) counts_.records += problems.size() - seen;
        seen = problems.size();
    };
    for (;;) {
        const bool more = reader_.Next(record_, problems);
        tally(true);
        if (!more) return false;
        ++counts_.records;
        if (!SameName(record_.Field("WARC-Type"), "response")) {
            ++counts_.notResponse;
            continue;
        }
        const auto problem = [&](const std::string& why) {
            problems.push_back({record_.offset, why + ": skipped"});
            tally(false);
        };
        HttpResponse response;
        std::string why;
        if (!ParseHttpResponse(record_.block, response, why)) {
            // A response of another protocol (dns:, ftp:) holds no page.
            ++counts_.notHtml;
            continue;
        }
        if (response.status < 200 || response.status > 299) {
            ++counts_.notSuccess;
            continue;
        }
        std::string body;
        if (!DecodeHttpBody(response, limits_.block, body, why)) {
            if (response.mediaType.empty() || IsHtml(response, {})) {
                problem(std::string(record_.Field("WARC-Target-URI")) + ": " + why);
            } else {
                ++counts_.notHtml;
            }
            continue;
        }
        if (!IsHtml(response, body)) {
            ++counts_.notHtml;
            continue;
        }
        page.offset = record_.offset;
        page.url = record_.Field("WARC-Target-URI");
        // WARC 1.0 wrote the address in angle brackets.
        if (page.url.size() >= 2 && page.url.front() == '<' && page.url.back() == '>') page.url = page.url.substr(1, page.url.size() - 2);
        page.date = record_.Field("WARC-Date");
        page.recordId = record_.Field("WARC-Record-ID");
        page.charset = response.charset;
        page.html = std::move(body);
        ++counts_.pages;
        return true;
    }
}

PageText ConvertPage(const ArchivePage& page, const PageOptions& options) {
    PageOptions chosen = options;
    const auto declared = encoding::ParseSetting(page.charset);
    if (!page.charset.empty() && declared != encoding::Setting::Auto && encoding::IsUsableEncoding(page.charset))
        chosen.encoding = page.charset;
    // The windows-1252 setting writes the classic bytes; as a label it is
    // decoded, and the text is UTF-8.
    if (encoding::ParseSetting(chosen.encoding) == encoding::Setting::Windows1252) chosen.encoding = "cp1252";
    PageText result;
    ConversionContext context;
    UnixLines lines;
    // The classic text's CR LF lines become LF lines unless CR LF is asked
    // for (readable text makes its own).
    const bool classic = !chosen.readable && !chosen.layout.crlf;
    PageStream stream(chosen, &context, [&](const char* data, std::size_t size) {
        if (classic)
            result.text += lines.Convert(std::string_view(data, size), false);
        else
            result.text.append(data, size);
    });
    result.converted = stream.Feed(page.html.data(), page.html.size()) && stream.Finish();
    if (classic) result.text += lines.Convert({}, true);
    // The classic conversion passes a page's bytes through as they are:
    // what is not UTF-8 in them cannot go into a record.
    if (!encoding::IsValidUtf8(result.text)) result.text = encoding::ToValidUtf8(result.text);
    result.charset = stream.Used().encoding;
    if (!result.converted) {
        result.text.clear();
        result.problem = context.Reports().empty() ? "the page could not be converted"
                                                   : context.Reports().front().error.description;
    }
    return result;
}

std::string WetInfoRecord(std::string_view fileName, std::string_view software, std::string_view description) {
    std::string fields;
    fields.append("software: ").append(software).append("\r\n");
    fields.append("format: WARC File Format 1.0\r\n");
    fields.append("description: ").append(description).append("\r\n");
    const std::string date = Now(), id = RandomRecordId();
    std::vector<std::pair<std::string_view, std::string_view>> header{{"WARC-Date", date}};
    if (!fileName.empty()) header.emplace_back("WARC-Filename", fileName);
    header.emplace_back("WARC-Record-ID", id);
    return Record("warcinfo", header, "application/warc-fields", fields);
}

std::string WetConversionRecord(const ArchivePage& page, std::string_view text) {
    const std::string digest = Sha1Digest(text);
    const std::string id = RecordIdFor(page.recordId + ' ' + digest);
    return Record("conversion",
                  {{"WARC-Target-URI", page.url},
                   {"WARC-Date", page.date},
                   {"WARC-Record-ID", id},
                   {"WARC-Refers-To", page.recordId},
                   {"WARC-Block-Digest", digest}},
                  "text/plain", text);
}

std::string JsonPageLine(const ArchivePage& page, const PageText& text) {
    std::string out;
    out.reserve(text.text.size() + page.url.size() + 128);
    out += '{';
    AppendJsonField(out, "url", page.url, true);
    AppendJsonField(out, "date", page.date);
    AppendJsonField(out, "record_id", page.recordId);
    AppendJsonField(out, "charset", text.charset);
    AppendJsonField(out, "text", text.text);
    out += "}\n";
    return out;
}

}  // namespace tessark::records
