// JsonLines: pages in JSON Lines converted to text, one object a line. Each
// line is a JSON object whose field `htmlField` holds the page as a JSON
// string; the line comes out as the same object, every other field as it was
// written (byte for byte), with the field `textField` replaced in place when
// present or else added at the end, holding the page's text. The page in a
// JSON string is already Unicode: it is converted as UTF-8, whatever encoding
// the options name.
//
// A line that cannot be converted (not valid JSON, not an object, no page
// field, a page field that is not a string, a line too long, a conversion
// that fails) is never dropped: an object comes out with an "error" field
// replaced or added, anything else as {"error":WHY,"line":THE LINE}. A line
// of only blanks is skipped (it holds no record).
//
// LineBatcher cuts a byte stream into batches of whole lines (a byte-order
// mark at the start of the stream dropped, CR LF taken as LF, a last line
// without a line end kept), so that batches can be converted on several
// threads and written in order; a line longer than the limit is not kept in
// memory, only its number.
//
// Thread safety: objects are independent; one object is used by one thread
// at a time. Several JsonLineConverters may run at once on separate threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "PageStream.h"

namespace tessark::records {

struct JsonLineOptions {
    PageOptions page;                // the engine and its options; the encoding is not used
    std::string htmlField = "html";  // the field that holds the page
    std::string textField = "text";  // the field the text is written to
    bool unixLines = true;           // the classic text's CR LF lines as LF lines
};

// A line longer than this (its line end excluded) is an error.
inline constexpr std::size_t kMaxJsonLine = std::size_t{256} << 20;

// One line of a batch: bytes[offset, offset + size) of LineBatch::bytes,
// its line end and a CR before it excluded.
struct BatchLine {
    std::size_t offset = 0;
    std::size_t size = 0;
    std::uint64_t number = 0;  // 1 for the first line of the stream
    bool tooLong = false;      // longer than the limit: its bytes were not kept (size 0)
};

struct LineBatch {
    std::string bytes;
    std::vector<BatchLine> lines;
};

// A line that could not be converted, for the message "INPUT:LINE: why".
struct LineError {
    std::uint64_t line = 0;
    std::string why;
};

// What one batch (or one line) gave.
struct BatchResult {
    std::string out;  // the lines written, each ending in "\n"
    std::vector<LineError> errors;
    std::uint64_t lines = 0;      // lines that held something (blank lines skipped)
    std::uint64_t converted = 0;  // lines whose text was written
};

class LineBatcher {
public:
    // Batches of about `batchBytes` of input; lines longer than `maxLine`
    // are given as tooLong.
    explicit LineBatcher(std::size_t batchBytes = std::size_t{2} << 20, std::size_t maxLine = kMaxJsonLine);

    // Appends the next bytes of the stream; each batch that is full is
    // appended to `ready`.
    void Feed(std::string_view bytes, std::vector<LineBatch>& ready);
    // The end of the stream: the last batch, if it holds a line, goes to `ready`.
    void Finish(std::vector<LineBatch>& ready);

private:
    void EndLine(std::vector<LineBatch>& ready);

    std::size_t batchBytes_, maxLine_;
    LineBatch current_;
    std::size_t lineStart_ = 0;  // in current_.bytes: where the open line begins (it runs to the end)
    std::uint64_t number_ = 1;   // of the open line
    bool skipping_ = false;      // the open line passed the limit: its bytes are dropped
};

class JsonLineConverter {
public:
    explicit JsonLineConverter(JsonLineOptions options);
    ~JsonLineConverter();
    JsonLineConverter(const JsonLineConverter&) = delete;
    JsonLineConverter& operator=(const JsonLineConverter&) = delete;

    // Converts one line (without its line end) and appends what comes out
    // to `result`: nothing for a blank line. `number` is the line's number
    // in its errors.
    void Convert(std::string_view line, std::uint64_t number, BatchResult& result);
    // Every line of the batch, in order.
    BatchResult Convert(const LineBatch& batch);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tessark::records
