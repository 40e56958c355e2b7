// libFuzzer target: web archives and JSON Lines from the fuzzer's bytes
// (library/records). The bytes choose the pieces of an archive that is
// nearly right, so that the reader gets past its first checks: a few
// records (response, request, warcinfo, metadata) whose version lines,
// header fields and Content-Lengths may lie or be missing, whose headers may
// never end; responses with broken status lines and headers, HTML or binary
// bodies, chunked with sizes that lie, gzip or raw deflate cut short or with
// a byte flipped; garbage between records. The archive is then stored plain,
// as a gzip member per record or as one gzip stream, and may be cut short or
// have a byte flipped.
//
// ArchivePages reads it with small limits (so the limit paths run), once
// from one read and once fed in pieces of a size the bytes choose. Aborts,
// with what differed printed, when
//  - the pages, their problems or the counts differ between the two reads
//    (only the pages for a compressed file with a byte flipped);
//  - a page's text (ConvertPage, readable or classic) is not valid UTF-8, or
//    its conversion fails;
//  - the kinds of records counted do not add up to the records read, or, for
//    an archive without a flipped byte, more records and problems come out
//    than the archive holds places where a record can begin;
// and, with the same bytes cut into lines (with JSON lines of pieces of the
// archive added), when JsonLineConverter writes a line that simdjson does not read as
// JSON, or not one line for each line that holds something. The sanitizers
// catch the rest; -timeout catches a hang. FUZZ_WARC_SHOW=1 in the
// environment prints what each input read (to look at a reproducer), and
// FUZZ_WARC_FILE=PATH writes the archive built to PATH.
//
// Thread safety: libFuzzer calls it on one thread.
#include <simdjson.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "DifferentialInput.h"
#include "records/ArchivePages.h"
#include "records/Gzip.h"
#include "records/Json.h"
#include "records/JsonLines.h"

namespace {

using namespace tessark::records;
using tessark::test::Choices;
using tessark::test::Pick;

// What an archive was built from, for the checks.
struct Built {
    std::string plain;        // the records as written, before storage
    std::string file;         // as stored (and damaged)
    std::size_t records = 0;    // records written
    std::size_t versioned = 0;  // of them, those whose version line begins "WARC/"
    std::size_t lies = 0;       // of them, those whose Content-Length lies
    std::size_t garbage = 0;    // stretches of garbage put between records
    bool flipped = false;     // a byte of a compressed file was changed
};

// Bytes taken from the input: up to `most` of them, any value.
std::string RawBytes(Choices& c, unsigned most) {
    std::string out;
    for (unsigned n = c.Next(most + 1); n > 0 && !c.Exhausted(); --n) out += static_cast<char>(c.Next(256));
    return out;
}

// A gzip member of `data`, sometimes as raw deflate (the member without its
// header and trailer), sometimes cut short or with a byte flipped.
std::string Compressed(Choices& c, std::string_view data, bool raw) {
    std::string out;
    AppendGzipMember(out, data);
    if (raw && out.size() > 18) out = out.substr(10, out.size() - 18);
    switch (c.Next(6)) {
        case 4: out.resize(c.Next(static_cast<unsigned>(out.size()))); break;
        case 5: {
            const std::size_t at = c.Next(static_cast<unsigned>(out.size()));
            out[at] = static_cast<char>(static_cast<unsigned char>(out[at]) ^ (1 + c.Next(255)));
            break;
        }
        default: break;
    }
    return out;
}

// The body in chunks of sizes chosen by the input; sizes may lie, the last
// chunk may be missing.
std::string Chunked(Choices& c, std::string_view body) {
    static const char* const kBadSizes[] = {"zz", "-1", "ffffffffffffffff", "", "7;ext=1", " 3 ", "100000"};
    std::string out;
    while (!body.empty()) {
        const std::size_t n = std::min<std::size_t>(body.size(), 1 + c.Next(64));
        char size[32];
        const unsigned lie = c.Next(8);
        if (lie == 7)
            out += Pick(c, kBadSizes);
        else {
            const std::size_t said = lie == 6 ? n + 1 + c.Next(8) : lie == 5 ? n - std::min<std::size_t>(n, 1 + c.Next(4)) : n;
            std::snprintf(size, sizeof size, "%zx", said);
            out += size;
        }
        out.append(c.Next(6) == 5 ? "\n" : "\r\n").append(body.substr(0, n)).append("\r\n");
        body.remove_prefix(n);
    }
    if (c.Next(4) != 3) out += c.Next(3) == 2 ? "0\r\nX-Trailer: 1\r\n\r\n" : "0\r\n\r\n";
    return out;
}

// An HTTP response: status line, header, body (HTML or binary, coded).
std::string HttpBlock(Choices& c) {
    static const char* const kStatus[] = {"HTTP/1.1 200 OK",  "HTTP/1.0 200", "HTTP/1.1 204 No Content", "HTTP/1.1 301 Moved",
                                          "HTTP/1.1 404 Not Found", "HTTP/1.1 2000 OK", "HTTP/1.1 abc", "HTTP/2 200",
                                          "ICY 200 OK", "", "HTTP/1.1 200 OK\r\n\r\n", "HTTP/1.1 200\rOK"};
    static const char* const kTypes[] = {"text/html", "text/html; charset=utf-8", "text/html; charset=\"iso-8859-1\"",
                                         "text/html;charset=koi8-r", "text/html; charset=bogus", "text/html; charset=utf-16le",
                                         "application/xhtml+xml", "image/png", "text/plain", "TEXT/HTML; Charset=Windows-1251",
                                         "text/html; charset=", "text/html; charset=auto"};
    static const char* const kCodings[] = {"gzip", "x-gzip", "deflate", "br", "gzip, gzip", "identity", "GZIP"};
    static const char* const kBroken[] = {"Broken header", ": no name", " continued", "X-Long: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                                          "Content-Length: 5"};
    std::string body;
    if (c.Next(4) == 3)
        body = RawBytes(c, 300);
    else
        body = tessark::test::BuildPage(c, 1 + c.Next(24));
    std::string header = Pick(c, kStatus);
    header += "\r\n";
    if (c.Next(5) != 4) header.append("Content-Type: ").append(Pick(c, kTypes)).append("\r\n");
    if (c.Next(3) == 2) {
        const char* coding = Pick(c, kCodings);
        header.append("Content-Encoding: ").append(coding).append("\r\n");
        const std::string_view name(coding);
        if (name != "br" && name != "identity") body = Compressed(c, body, name == "deflate" && c.Next(2) == 1);
    }
    if (c.Next(3) == 2) {
        header += "Transfer-Encoding: chunked\r\n";
        body = Chunked(c, body);
    }
    if (c.Next(6) == 5) header.append(Pick(c, kBroken)).append("\r\n");
    if (c.Next(8) != 7) header += c.Next(5) == 4 ? "\n" : "\r\n";  // else the header never ends
    return header + body;
}

// One record, each of its parts chosen by the input, most of them right.
void AppendRecord(Choices& c, std::string& out, Built& built) {
    static const char* const kTypes[] = {"response", "response", "response", "request", "warcinfo", "metadata", "resource",
                                         "RESPONSE", "revisit"};
    static const char* const kVersions[] = {"WARC/1.0", "WARC/1.1", "WARC/1.0", "WARC/0.18", "WARC/2.0", "WARC/1.0 x",
                                            "WARC/", "WARX/1.0", ""};
    static const char* const kUris[] = {"http://e.com/", "<http://e.com/a>", "https://h/p?q=1", "", "dns:e.com", "<>"};
    const char* type = Pick(c, kTypes);
    std::string block = std::string_view(type) == "warcinfo" ? "software: x\r\nformat: WARC File Format 1.0\r\n"
                        : std::string_view(type) == "request" ? "GET / HTTP/1.1\r\nHost: e.com\r\n\r\n"
                                                              : HttpBlock(c);
    std::string length = std::to_string(block.size());
    const unsigned lie = c.Next(10);
    built.lies += lie == 5 || lie == 8 || lie == 9 ? 1 : 0;
    switch (lie) {
        case 9: length = std::to_string(block.size() - std::min<std::size_t>(block.size(), 1 + c.Next(40))); break;
        case 8: length = std::to_string(block.size() + 1 + c.Next(40)); break;
        case 7: length = "12x"; break;
        case 6: length = "99999999999999999999"; break;
        case 5: length = std::to_string(block.size() + 5000 + c.Next(1u << 20)); break;
        case 4: length.clear(); break;
        default: break;
    }
    const std::string_view version = Pick(c, kVersions);
    out.append(version).append("\r\n");
    out.append("WARC-Type: ").append(type).append("\r\n");
    if (c.Next(6) != 5) out.append("WARC-Target-URI: ").append(Pick(c, kUris)).append("\r\n");
    out += "WARC-Date: 2026-12-09T10:00:00Z\r\n";
    if (c.Next(8) == 7) out += " continued date\r\n";
    out.append("WARC-Record-ID: <urn:uuid:").append(std::to_string(c.Next(1000))).append(">\r\n");
    if (c.Next(12) == 11) out += "no colon here\r\n";
    if (!length.empty() || c.Next(2) == 1) out.append("Content-Length: ").append(length).append("\r\n");
    if (c.Next(10) != 9) out += c.Next(6) == 5 ? "\n" : "\r\n";  // else the header runs into the block
    out += block;
    switch (c.Next(8)) {
        case 7: out += "\n\n"; break;
        case 6: break;
        case 5: out += "\r\n"; break;
        default: out += "\r\n\r\n"; break;
    }
    ++built.records;
    built.versioned += version.substr(0, 5) == "WARC/" ? 1 : 0;
}

Built BuildArchive(Choices& c) {
    Built built;
    std::vector<std::string> records;
    for (unsigned n = 1 + c.Next(5); n > 0; --n) {
        std::string record;
        if (c.Next(8) == 7) {
            record = c.Next(2) == 0 ? RawBytes(c, 40) : "\r\nWARC/1.0 not quite\n";
            ++built.garbage;
        }
        AppendRecord(c, record, built);
        records.push_back(std::move(record));
    }
    for (const std::string& record : records) built.plain += record;
    const unsigned storage = c.Next(3);
    switch (storage) {
        case 0: built.file = built.plain; break;
        case 1:
            for (const std::string& record : records) AppendGzipMember(built.file, record);
            break;
        default: AppendGzipMember(built.file, built.plain); break;
    }
    if (built.file.empty()) return built;
    if (c.Next(6) == 5) built.file.resize(c.Next(static_cast<unsigned>(built.file.size())));
    if (c.Next(6) == 5 && !built.file.empty()) {
        const std::size_t at = c.Next(static_cast<unsigned>(built.file.size()));
        built.file[at] = static_cast<char>(static_cast<unsigned char>(built.file[at]) ^ (1 + c.Next(255)));
        built.flipped = storage != 0;
    }
    if (storage == 0) built.plain = built.file;  // damage to a plain file only changes what it says
    return built;
}

struct Read {
    std::vector<ArchivePage> pages;
    std::vector<WarcProblem> problems;
    ArchiveCounts counts;
};

Read ReadArchive(const std::string& file, std::size_t piece, WarcLimits limits) {
    MemorySource source(file, piece);
    ArchivePages archive(source, limits);
    Read read;
    ArchivePage page;
    while (archive.Next(page, read.problems)) read.pages.push_back(page);
    read.counts = archive.Counts();
    return read;
}

std::string Describe(const Read& read) {
    std::string out;
    for (const ArchivePage& p : read.pages)
        out += "  page @" + std::to_string(p.offset) + " " + p.url + " [" + p.charset + "] " +
               std::to_string(p.html.size()) + " bytes\n";
    for (const WarcProblem& p : read.problems) out += "  problem @" + std::to_string(p.offset) + " " + p.message + "\n";
    const ArchiveCounts& k = read.counts;
    out += "  records " + std::to_string(k.records) + " pages " + std::to_string(k.pages) + " notResponse " +
           std::to_string(k.notResponse) + " notHtml " + std::to_string(k.notHtml) + " notSuccess " +
           std::to_string(k.notSuccess) + " problems " + std::to_string(k.problems) + "\n";
    return out;
}

// `problemsToo`: the problems and counts as well as the pages.
bool Same(const Read& a, const Read& b, bool problemsToo) {
    const auto samePage = [](const ArchivePage& x, const ArchivePage& y) {
        return x.offset == y.offset && x.url == y.url && x.date == y.date && x.recordId == y.recordId &&
               x.charset == y.charset && x.html == y.html;
    };
    const auto sameProblem = [](const WarcProblem& x, const WarcProblem& y) {
        return x.offset == y.offset && x.message == y.message;
    };
    const ArchiveCounts &x = a.counts, &y = b.counts;
    if (!std::equal(a.pages.begin(), a.pages.end(), b.pages.begin(), b.pages.end(), samePage)) return false;
    return !problemsToo ||
           (std::equal(a.problems.begin(), a.problems.end(), b.problems.begin(), b.problems.end(), sameProblem) &&
            x.records == y.records && x.pages == y.pages && x.notResponse == y.notResponse && x.notHtml == y.notHtml &&
            x.notSuccess == y.notSuccess && x.problems == y.problems);
}

[[noreturn]] void Fail(const std::string& what, const std::string& details) {
    std::fprintf(stderr, "fuzz_warc: %s\n%s\n", what.c_str(), details.c_str());
    std::abort();
}

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

void CheckArchive(Choices& c, const Built& built) {
    static const char* const kEncodings[] = {"auto", "windows-1252", "utf-8", "koi8-r", "latin1"};
    WarcLimits limits;
    if (c.Next(4) != 0) {
        limits.header = 16 + c.Next(400);
        limits.block = 16 + c.Next(4000);
    }
    const std::size_t piece = 1 + (c.Next(3) == 0 ? c.Next(4096) : c.Next(9));
    tessark::PageOptions options;
    options.readable = c.Next(3) != 2;
    options.encoding = Pick(c, kEncodings);

    if (const char* path = std::getenv("FUZZ_WARC_FILE")) {  // the archive, for the program to read
        if (std::FILE* out = std::fopen(path, "wb")) {
            std::fwrite(built.file.data(), 1, built.file.size(), out);
            std::fclose(out);
        }
    }
    const Read whole = ReadArchive(built.file, built.file.size() + 1, limits);
    const Read pieces = ReadArchive(built.file, piece, limits);
    // A damaged gzip member is found damaged only as far as it has been
    // read: fed in pieces, the reader has parsed some of its output by then
    // and may say more about it than when it sees the member whole.
    if (!Same(whole, pieces, !built.flipped))
        Fail("read in pieces of " + std::to_string(piece) + " bytes, another result", "whole:\n" + Describe(whole) +
             "pieces:\n" + Describe(pieces));
    if (std::getenv("FUZZ_WARC_SHOW") != nullptr)  // to look at a reproducer: what was built and read
        std::fprintf(stderr, "file of %zu bytes, pieces of %zu, limits %zu/%zu:\n%s", built.file.size(), piece,
                     limits.header, limits.block, Describe(whole).c_str());
    const ArchiveCounts& k = whole.counts;
    if (k.pages + k.notResponse + k.notHtml + k.notSuccess + k.problems != k.records || k.pages != whole.pages.size())
        Fail("the counts do not add up", Describe(whole));
    // Where a record can begin: each record written, each "WARC/" that is
    // not a record's own version line (in a block, in garbage), the garbage,
    // and where a lying Content-Length ends.
    const std::size_t present =
        built.records + Count(built.plain, "WARC/") - built.versioned + built.garbage + built.lies + 1;
    if (!built.flipped && k.records > present)
        Fail("more records and problems than the archive holds (" + std::to_string(present) + ")", Describe(whole));
    for (const ArchivePage& page : whole.pages) {
        const PageText text = ConvertPage(page, options);
        const auto show = [&] {
            return std::string(options.readable ? "readable" : "classic") + ", encoding " + options.encoding +
                   ", charset '" + page.charset + "' read as " + text.charset +
                   "\npage: " + tessark::test::Show(tessark::test::AsUnits(page.html)) +
                   "\ntext: " + tessark::test::Show(tessark::test::AsUnits(text.text)) + "\n" + text.problem;
        };
        if (!text.converted) Fail("a page was not converted", show());
        if (!simdjson::validate_utf8(text.text.data(), text.text.size())) Fail("a page's text is not UTF-8", show());
    }
}

// The same bytes as lines, with a JSON line for each page of the archive.
void CheckJsonLines(Choices& c, const std::uint8_t* data, std::size_t size, const std::string& plain) {
    std::string lines(reinterpret_cast<const char*>(data), size);
    lines += '\n';
    for (std::size_t at = plain.find("<"); at != std::string::npos && lines.size() < 20000; at = plain.find("\r\n\r\n", at + 1)) {
        std::string line = "{\"id\":1,";
        AppendJsonField(line, c.Next(4) == 0 ? "text" : "html", plain.substr(at, 1 + c.Next(600)), true);
        line += c.Next(5) == 0 ? "," : "}";
        lines += line + "\n";
    }
    JsonLineOptions options;
    options.page.readable = c.Next(2) == 0;
    const std::size_t maxLine = 1 + c.Next(3000);
    LineBatcher batcher(1 + c.Next(2000), maxLine);
    std::vector<LineBatch> batches;
    const std::size_t piece = 1 + c.Next(100);
    for (std::size_t at = 0; at < lines.size(); at += piece)
        batcher.Feed(std::string_view(lines).substr(at, piece), batches);
    batcher.Finish(batches);
    JsonLineConverter converter(options);
    simdjson::dom::parser parser;
    std::uint64_t total = 0;
    for (const LineBatch& batch : batches) {
        const BatchResult result = converter.Convert(batch);
        std::uint64_t written = 0;
        for (std::size_t at = 0; at < result.out.size(); ++written) {
            const std::size_t end = result.out.find('\n', at);
            if (end == std::string::npos) Fail("an output line without its line end", result.out.substr(at));
            const std::string line = result.out.substr(at, end - at);
            simdjson::dom::element element;
            if (parser.parse(line).get(element) != simdjson::SUCCESS || !element.is_object())
                Fail("an output line that is not a JSON object", line);
            at = end + 1;
        }
        if (written != result.lines) Fail("not one output line per line read", result.out);
        total += written;
    }
    // Every line that holds more than blanks (the byte-order mark at the
    // start dropped), or is over the limit (its CR not counted; the first
    // line's mark counted while it is read), comes out.
    std::uint64_t expected = 0;
    const std::string_view all(lines);
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find('\n', at), all.size());
        std::string_view line = all.substr(at, end - at);
        const bool overRead = line.size() > maxLine + 1;
        if (at == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (overRead || line.size() > maxLine || line.find_first_not_of(" \t\r") != std::string_view::npos) ++expected;
        at = end + 1;
    }
    if (total != expected)
        Fail("not one output line per input line", std::to_string(total) + " written, " + std::to_string(expected) + " expected");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first bytes choose how the archive is read, the rest build it.
    const std::size_t head = std::min<std::size_t>(size, 6);
    Choices settings(data, head), build(data + head, size - head);
    const Built built = BuildArchive(build);
    CheckArchive(settings, built);
    CheckJsonLines(settings, data, size, built.plain);
    return 0;
}
