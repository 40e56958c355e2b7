// TextFlow: the line writer of the readable-text engine. It receives the
// text of one flow (the page, or one table cell) and makes lines of it:
// whitespace collapsed as CSS does for normal text or kept as in pre,
// soft hyphens and zero-width characters dropped, no-break spaces written as
// spaces, lines indented and marked (list bullets and numbers), paragraphs
// separated by one blank line at most, lines wrapped at a width when asked.
// Finished lines accumulate in Out(), each ending in the flow's line end,
// for the owner to take whenever it wants; a line longer than kMaxLine goes
// there in pieces, so that a page of one endless line streams too.
//
// Also here: the terminal width of UTF-8 text (East Asian wide and
// fullwidth characters count two columns, combining marks none).
//
// Thread safety: one object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessark::readable {

// Terminal columns of valid UTF-8 text.
std::size_t Columns(std::string_view utf8) noexcept;

class TextFlow {
public:
    static constexpr std::size_t kMaxLine = std::size_t{1} << 16;
    static constexpr std::size_t kMaxIndent = 60;

    TextFlow(std::string_view lineEnd, std::size_t width) : eol_(lineEnd), width_(width) {}

    // Normal text: whitespace runs become one space, none at line ends.
    void Text(std::string_view utf8);
    // Preformatted text: spaces kept, tabs to the next multiple of eight,
    // each line feed ends a line.
    void Verbatim(std::string_view utf8);
    // Text glued to what precedes it even across a pending space (a link's
    // number); the pending space stays pending after it.
    void Attach(std::string_view utf8);
    // Ends the current line; blank: one blank line before the next text.
    void Break(bool blank);
    // Takes back `text` when the current line ends in it (and the spaces
    // before it, leaving a space pending): an empty button's "[".
    bool TakeBack(std::string_view text);
    // A line break (br): ends the line, or asks for a blank line when the
    // line is empty.
    void LineBreak();
    // Whole lines ("\n"-separated, as a table renders them) under the
    // current indentation, each on a line of its own.
    void Lines(std::string_view lines);

    std::size_t Indent() const { return indent_; }
    // The indentation of the lines that start from now on.
    // Deep nesting stops indenting at kMaxIndent columns.
    void SetIndent(std::size_t columns) { indent_ = columns < kMaxIndent ? columns : kMaxIndent; }
    // A marker (bullet, number) at column `column` at the start of the
    // next line with text, whose text then starts at Indent().
    void SetMarker(std::size_t column, std::string marker);

    // Ends the current line.
    void Finish() { Break(false); }
    std::string& Out() { return out_; }
    bool Empty() const { return out_.empty() && !hasContent_; }

private:
    void StartLine();
    void VerbatimStart();
    void EmitLine();
    void Piece(const char* data, std::size_t size);
    void Wrap();
    void FlushPartial();
    void WriteBlank();
    template <bool kVerbatim>
    void Scan(std::string_view utf8);

    std::string out_;
    std::string line_;
    std::string marker_;
    std::string_view eol_;
    std::size_t width_;
    std::size_t indent_ = 0;
    std::size_t markerColumn_ = 0;
    std::size_t columns_ = 0;  // of line_ (of its start, when partial), kept while wrapping or verbatim
    bool columnsStale_ = false;  // normal text went in without counting columns
    std::size_t lastSpace_ = std::string::npos;  // a collapsed space in line_
    bool hasContent_ = false;
    bool space_ = false;  // a collapsed space waits for the next text
    bool blank_ = false;  // a blank line waits for the next text
    bool anyLine_ = false;
    bool partial_ = false;  // the start of line_ went to out_ already
};

}  // namespace tessark::readable
