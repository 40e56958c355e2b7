// ReadableText: a page laid out as text for a reader, the readable-text
// engine (beside the classic ClassicEngine, which it shares nothing with but the
// conversion context and the kernels' table).
//
// The page is tokenized as the HTML standard does (html/HtmlTokenizer.h),
// its elements kept on an open-element stack with the ends HTML implies,
// and its content laid out as a text browser lays out a page: whitespace as
// CSS collapses it, blocks on lines of their own with one blank line between
// paragraphs, lists with bullets or numbers, tables in columns, links and
// images as the options say. Hidden content (head, script, style, template,
// comments, the hidden attribute, display:none) is not shown.
//
// Choices where pages differ: scripting is off, so noscript content is
// shown; an iframe's, noembed's and noframes' content is raw text and not
// shown; svg is not shown. Form controls: a text field shows its value in
// brackets ("[value]", nothing when empty), a button its label ("[Send]"),
// a check box "[ ]" or "[x]", a radio button "( )" or "(*)", a select its
// selected option (else its first), a text area its text as written;
// hidden, password and file fields show nothing. A reversed list without a
// start is laid out aside until it ends, to count its items.
//
// Input: UTF-8 bytes (invalid sequences become U+FFFD), fed in any pieces;
// the application decodes other encodings into UTF-8 first. Output: valid
// UTF-8, lines ending in LF (or CR LF), no spaces at line ends, never two
// blank lines in a row, a line end after the last line, nothing for a page
// without text. Output leaves through the sink as soon as it is final: at
// the latest at the end of each top-level block; a table is held until it
// ends (up to kMaxHeldTable bytes, past which its rows are written one by
// one without aligned columns). Tables nested more than 32 deep are read as
// blocks, each row and cell on lines of its own.
//
// Yields and reports go to the ConversionContext given (ConversionContext.h):
// at least one yield per kYieldBytes of input; a failure (a yield that
// throws, exhausted memory) is reported once under the source
// "ReadableText" and the converter is then failed.
//
// Thread safety: one object is used by one thread at a time; objects are
// independent; the options are copied at construction.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tessark {

class ConversionContext;

struct ReadableOptions {
    enum class Links {
        None,    // the link's text only
        Inline,  // "text [URL]"
        List,    // "text[1]", and the numbered URLs after the text
    };
    Links links = Links::None;
    bool altText = true;   // an image's alt text in its place
    std::string baseUrl;   // links resolved against it (a <base href> counts first)
    std::size_t width = 0; // wrap paragraphs at this many columns; 0: no wrapping
    bool crlf = false;     // lines end in CR LF
    bool operator==(const ReadableOptions&) const = default;
};

class ReadableConverter {
public:
    // Receives each piece of output in order; valid only during the call.
    using Sink = std::function<void(const char* data, std::size_t size)>;

    static constexpr std::size_t kYieldBytes = std::size_t{1} << 20;
    static constexpr std::size_t kMaxHeldTable = std::size_t{16} << 20;

    ReadableConverter(const ReadableOptions& options, ConversionContext* context, Sink sink);
    ~ReadableConverter();
    ReadableConverter(const ReadableConverter&) = delete;
    ReadableConverter& operator=(const ReadableConverter&) = delete;

    // Converts data[0, size) after what was fed before. Returns false once
    // the converter has failed (nothing more is converted then).
    bool Feed(const char* data, std::size_t size);
    // The end of the page: writes what is held. Returns false when failed.
    bool Finish();
    bool Failed() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The text of a whole page (a convenience over ReadableConverter; throws
// what the converter would report: std::bad_alloc).
std::string ReadableText(std::string_view utf8, const ReadableOptions& options = {});

}  // namespace tessark
