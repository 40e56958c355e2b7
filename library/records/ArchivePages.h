// ArchivePages: the pages of a web archive and their text. Reads records
// with WarcReader, keeps each `response` record whose HTTP response is a
// success (2xx) with an HTML body (by Content-Type, or sniffed when there is
// none), undoes the body's transfer and content codings, and converts it
// with a PageStream: the charset of the HTTP header counts first, then the
// run's encoding (which, as "auto", finds the page's own <meta>).
//
// The text of a page is always UTF-8, as WET and JSON records need: the
// classic conversion's windows-1252 setting reads the page as the
// windows-1252 charset. The record formats (WET and JSON Lines) are here
// too, so that the program and the library write the same records.
//
// Errors: problems with records or bodies are appended to the caller's
// list, with the record's offset, and the record is skipped; the source's
// exceptions propagate. std::bad_alloc propagates.
//
// Thread safety: an ArchivePages is used by one thread at a time;
// ConvertPage and the record functions are reentrant, so pages read on one
// thread may be converted on others.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PageStream.h"
#include "Warc.h"

namespace tessark::records {

struct ArchivePage {
    std::uint64_t offset = 0;  // of its record (WarcRecord::offset)
    std::string url;           // WARC-Target-URI
    std::string date;          // WARC-Date
    std::string recordId;      // WARC-Record-ID, "<urn:uuid:...>"
    std::string charset;       // the HTTP header's charset; empty when none
    std::string html;          // the body, decoded
};

// What an archive held, by kind of record.
struct ArchiveCounts {
    std::uint64_t records = 0;      // every record met: the sum of the five below
    std::uint64_t pages = 0;        // HTML responses handed out
    std::uint64_t notResponse = 0;  // request, metadata, warcinfo, ... records
    std::uint64_t notHtml = 0;      // responses of another type (images, styles, ...)
    std::uint64_t notSuccess = 0;   // redirects, errors and other statuses
    std::uint64_t problems = 0;     // records skipped for a problem
};

class ArchivePages {
public:
    explicit ArchivePages(ByteSource& source, WarcLimits limits = {});
    // The next page; false at the end of the archive. Problems are appended.
    bool Next(ArchivePage& page, std::vector<WarcProblem>& problems);
    const ArchiveCounts& Counts() const { return counts_; }
    std::uint64_t BytesRead() const { return reader_.BytesRead(); }

private:
    WarcReader reader_;
    WarcLimits limits_;
    ArchiveCounts counts_;
    WarcRecord record_;
};

struct PageText {
    bool converted = false;  // false: `problem` says why
    std::string text;        // UTF-8
    std::string charset;     // the encoding the page was read in ("utf-8", "windows-1251", ...)
    std::string problem;
};

// The page's text with `options` (options.encoding: for a page whose header
// declares no usable charset; options.layout.crlf: CR LF lines, for the
// classic conversion too, else LF lines).
PageText ConvertPage(const ArchivePage& page, const PageOptions& options);

// WET records. The date is WARC's form, "2026-12-09T10:00:00Z".
std::string WetInfoRecord(std::string_view fileName, std::string_view software, std::string_view description);
std::string WetConversionRecord(const ArchivePage& page, std::string_view text);
// One JSON line: {"url","date","record_id","charset","text"}.
std::string JsonPageLine(const ArchivePage& page, const PageText& text);

// Helpers of the formats, exposed for tests: SHA-1 in base 32 as WARC
// digests write it ("sha1:..."); a name-based UUID (version 5) of `name`
// as a record ID ("<urn:uuid:...>").
std::string Sha1Digest(std::string_view bytes);
std::string RecordIdFor(std::string_view name);

}  // namespace tessark::records
