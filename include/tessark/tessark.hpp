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
// Thread safety: convert and convert_text are const and may run on several
// threads at once on one Converter. feed and finish change the converter's
// stream: one thread at a time per Converter (or one Converter per thread).
//
// Stability: this header and tessark.h are the library's public interface;
// nothing else under include/ or the source tree is.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

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

}  // namespace tessark
