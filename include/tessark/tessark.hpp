// Tessark's C++ API: HTML pages into plain text, as the program converts
// them, from any program.
//
//     #include <tessark/tessark.hpp>
//     tessark::Converter converter;                    // readable text, encoding "auto"
//     std::string text = converter.convert(page_bytes);
//
// A Converter is built once from Options and converts any number of pages:
// whole (convert, convert_text) or arriving in pieces (feed, finish), the
// text leaving through a callback as soon as it is final, in bounded memory.
// Two engines: readable text (the page laid out as a text browser shows it:
// paragraphs, lists, tables, links as chosen) or the classic conversion
// (the fixed order of literal clean-up steps, each one an option).
//
// Errors: every failure is a tessark::Error (bad options, an encoding that
// cannot be decoded, exhausted memory), with a number and a message; nothing
// else is thrown but std::bad_alloc where the Error cannot be built.
//
// Web archives and JSON Lines, as `tessark --warc` and `tessark --jsonl`
// make them: an ArchiveReader hands out the HTML pages of a web archive
// (WARC, compressed record by record or not) with their text; a
// JsonLinesConverter converts JSON Lines records, one object a line.
//
// Thread safety: convert and convert_text are const and may run on several
// threads at once on one Converter. feed and finish change the converter's
// stream: one thread at a time per Converter (or one Converter per thread).
// An ArchiveReader or a JsonLinesConverter is used by one thread at a time;
// separate ones run at once on separate threads, and convert_json_line is
// reentrant.
//
// Stability: this header and tessark.h are the library's public interface;
// nothing else under include/ or the source tree is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessark {

// The library's version, the project's "MAJOR.MINOR.PATCH" (e.g. "1.0.20").
const char* version() noexcept;

// Every failure of the library.
class Error : public std::runtime_error {
public:
    Error(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
    // The error's number: 5 bad argument (an option, an encoding), 7 out of
    // memory, 51 internal error (see the README's table).
    int number() const noexcept { return number_; }

private:
    int number_;
};

enum class Engine {
    Readable,  // laid out for reading
    Classic,   // the classic clean-up steps
};

enum class Links {
    None,    // a link's text only
    Inline,  // "text [URL]"
    List,    // "text[1]", the numbered URLs after the text
};

// The classic conversion's steps (each as the program's option of that name).
struct ClassicOptions {
    bool remove_comments = true;
    bool remove_scripts = true;
    bool remove_styles = true;
    bool remove_functions = true;
    bool remove_pipe = true;
    bool remove_tabs = true;
    bool generate_special_chars = true;
    bool remove_all_tags = true;
    bool remove_all_crlf = true;
    bool remove_spaces = true;
    bool remove_blank_lines = true;
    bool decode_all_references = false;
    // The classic text's lines end in CR LF and its last line has none;
    // false: lines end in LF and a text that is not empty ends with one.
    bool classic_line_ends = false;
};

struct Options {
    Engine engine = Engine::Readable;
    // How page bytes are read: "auto" (byte-order mark, <meta> charset,
    // valid UTF-8, a statistical guess, else windows-1252), "utf-8",
    // "windows-1252", or any charset label ("shift_jis", "latin1", ...).
    // Text handed over as text (convert_text) is not decoded.
    std::string encoding = "auto";

    // Readable text.
    Links links = Links::None;
    bool alt_text = true;         // an image's alt text in its place
    std::string base_url;         // links resolved against it (a page's <base href> first)
    std::size_t width = 0;        // wrap paragraphs at this many columns; 0: no wrapping
    bool crlf = false;            // lines end in CR LF

    // The classic conversion.
    ClassicOptions classic;
};

class Converter {
public:
    // Receives each piece of text of a stream, in order.
    using Sink = std::function<void(std::string_view text)>;

    // Throws Error 5 for options it cannot use (an unknown encoding).
    explicit Converter(const Options& options = {}, Sink sink = {});
    ~Converter();
    Converter(Converter&&) noexcept;
    Converter& operator=(Converter&&) noexcept;

    const Options& options() const noexcept;

    // The text of a whole page given as bytes, read as options().encoding
    // says. The result is UTF-8 (with the classic engine and the encoding
    // "windows-1252", the classic Windows-1252 bytes).
    std::string convert(std::string_view bytes) const;
    // The text of a whole page given as UTF-8 text: the encoding does not
    // apply.
    std::string convert_text(std::string_view utf8) const;

    // A page in pieces: feed each piece in order, then finish; the text
    // leaves through the sink given at construction as soon as it is
    // final. After finish (or a failure) the next feed starts a new page.
    void feed(std::string_view bytes);
    void finish();
    // The encoding the current or last streamed page was read in, and why
    // ("bom", "meta", "valid utf-8", "guess", "default", "chosen").
    std::string encoding_used() const;
    std::string encoding_reason() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Converter(options).convert(bytes).
std::string to_text(std::string_view bytes, const Options& options = {});

// ---- Web archives ------------------------------------------------------------

// An HTML page of a web archive: a `response` record with a successful
// (2xx) HTTP response whose body is HTML, the body's transfer and content
// codings undone, and its text.
struct ArchivePage {
    std::string url;        // WARC-Target-URI
    std::string date;       // WARC-Date, "2026-12-09T10:00:00Z"
    std::string record_id;  // WARC-Record-ID, "<urn:uuid:...>"
    std::string charset;    // the encoding the page was read in ("utf-8", "windows-1251", ...)
    std::string text;       // UTF-8, whatever the options' encoding
    std::uint64_t offset = 0;  // of its record in the file as stored (of its gzip member when compressed)
};

// A record skipped (malformed, damaged, over a limit) or a page that could
// not be converted; reading goes on after it.
struct ArchiveProblem {
    std::uint64_t offset = 0;
    std::string message;
};

// What the archive held so far, by kind of record.
struct ArchiveCounts {
    std::uint64_t records = 0;       // every record met: the sum of the five below
    std::uint64_t pages = 0;         // pages handed out by next
    std::uint64_t not_response = 0;  // request, metadata, warcinfo, ... records
    std::uint64_t not_html = 0;      // responses of another type (images, styles, ...)
    std::uint64_t not_success = 0;   // redirects, errors and other statuses
    std::uint64_t problems = 0;      // records skipped for a problem: malformed or damaged records,
                                     // bodies that cannot be decoded (each one in problems())
};

class ArchiveReader {
public:
    // Puts up to `size` bytes of the archive in `data`; returns how many,
    // 0 at the end. What it throws comes out of next() unchanged, and the
    // archive ends there.
    using Read = std::function<std::size_t(char* data, std::size_t size)>;

    // The pages' text as Converter makes it with `options`; options.encoding
    // is for pages whose HTTP header declares no usable charset ("auto": the
    // page's own <meta>, then a guess). Throws Error 5 for options it cannot
    // use, Error 53 (file not found) or 75 (cannot be read) for the file.
    explicit ArchiveReader(const std::string& path, const Options& options = {});
    explicit ArchiveReader(Read read, const Options& options = {});
    ~ArchiveReader();
    ArchiveReader(ArchiveReader&&) noexcept;
    ArchiveReader& operator=(ArchiveReader&&) noexcept;

    // The next page; false at the end of the archive. Problems met on the
    // way are added to problems(); a read error of the file throws Error 75,
    // and the archive ends there.
    bool next(ArchivePage& page);
    // Every problem met so far, in order.
    const std::vector<ArchiveProblem>& problems() const noexcept;
    const ArchiveCounts& counts() const noexcept;
    // Bytes of the file read so far.
    std::uint64_t bytes_read() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- JSON Lines ----------------------------------------------------------------

// Each line is a JSON object whose field html_field holds the page as a JSON
// string (already text: options.encoding does not apply); it comes out as
// the same object, every other field as written, with text_field replaced
// in place or added at the end holding the page's text. A line that cannot
// be converted is never dropped nor thrown: an object comes out with an
// "error" field, anything else as {"error":WHY,"line":THE LINE}, as the
// program writes them. The classic text's lines end in LF unless
// options.classic.classic_line_ends.
struct JsonLinesOptions {
    Options options;
    std::string html_field = "html";
    std::string text_field = "text";
};

class JsonLinesConverter {
public:
    explicit JsonLinesConverter(const JsonLinesOptions& options = {});
    ~JsonLinesConverter();
    JsonLinesConverter(JsonLinesConverter&&) noexcept;
    JsonLinesConverter& operator=(JsonLinesConverter&&) noexcept;

    // One line (a line end at its end is dropped): the line written, without
    // a line end; "" for a line of only blanks (it holds no record).
    std::string convert_line(std::string_view line);
    // Whole lines (LF or CR LF ends; a last line without one is a line): the
    // lines written, each ending in LF, in order.
    std::string convert(std::string_view lines);
    // Lines written with an "error" field, since construction.
    std::uint64_t errors() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// JsonLinesConverter(options).convert_line(line).
std::string convert_json_line(std::string_view line, const JsonLinesOptions& options = {});

}  // namespace tessark
