#include "JsonLines.h"

#include <simdjson.h>

#include <cstring>
#include <optional>
#include <utility>

#include "ConversionContext.h"
#include "Json.h"

namespace tessark::records {
namespace ondemand = simdjson::ondemand;

// ---- LineBatcher ----------------------------------------------------------

LineBatcher::LineBatcher(std::size_t batchBytes, std::size_t maxLine) : batchBytes_(batchBytes), maxLine_(maxLine) {}

void LineBatcher::EndLine(std::vector<LineBatch>& ready) {
    std::string& bytes = current_.bytes;
    BatchLine line{lineStart_, bytes.size() - lineStart_, number_, skipping_};
    if (line.number == 1 && line.size >= 3 && bytes.compare(line.offset, 3, "\xEF\xBB\xBF") == 0) {
        line.offset += 3;
        line.size -= 3;
    }
    if (line.size > 0 && bytes[line.offset + line.size - 1] == '\r') --line.size;
    if (line.size > maxLine_) line.tooLong = true;
    if (line.tooLong) {
        line.size = 0;
        bytes.resize(lineStart_);
    }
    current_.lines.push_back(line);
    ++number_;
    skipping_ = false;
    lineStart_ = bytes.size();
    if (lineStart_ >= batchBytes_) {
        ready.push_back(std::exchange(current_, {}));
        lineStart_ = 0;
    }
}

void LineBatcher::Feed(std::string_view bytes, std::vector<LineBatch>& ready) {
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        const std::size_t take =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data()) : bytes.size();
        if (!skipping_) {
            current_.bytes.append(bytes.data(), take);
            // Past the limit (a CR before the LF allowed for): the line's
            // bytes go, only its number stays.
            if (current_.bytes.size() - lineStart_ > maxLine_ + 1) {
                skipping_ = true;
                current_.bytes.resize(lineStart_);
            }
        }
        bytes.remove_prefix(take);
        if (!found) break;
        bytes.remove_prefix(1);
        EndLine(ready);
    }
}

void LineBatcher::Finish(std::vector<LineBatch>& ready) {
    if (skipping_ || current_.bytes.size() > lineStart_) EndLine(ready);
    if (!current_.lines.empty()) ready.push_back(std::exchange(current_, {}));
    lineStart_ = 0;
}

// ---- JsonLineConverter ----------------------------------------------------

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
    return line;
}

// The bytes of the line where a field's value is: [begin, end).
struct Span {
    std::size_t begin = 0, end = 0;
};

// A number as JSON writes it; the value is not read, so that numbers of
// any size and precision pass as written.
simdjson::error_code Number(std::string_view token) {
    token = Trimmed(token);
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
        return i - from;
    };
    if (i < token.size() && token[i] == '-') ++i;
    const bool zero = i < token.size() && token[i] == '0';
    const std::size_t whole = digits();
    bool valid = whole > 0 && !(zero && whole > 1);
    if (valid && i < token.size() && token[i] == '.') {
        ++i;
        valid = digits() > 0;
    }
    if (valid && i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
        valid = digits() > 0;
    }
    return valid && i == token.size() ? simdjson::SUCCESS : simdjson::NUMBER_ERROR;
}

// Deeper nesting than this is refused (as simdjson's own parser does).
constexpr int kMaxDepth = 1024;

// Every value inside `value` read, so that what ondemand would skip is
// checked too: a line is passed on only when all of it is valid JSON.
simdjson::error_code CheckValue(ondemand::value value, int depth);

simdjson::error_code CheckObject(ondemand::object object, int depth) {
    for (auto field : object) {
        std::string_view key;
        ondemand::value value;
        if (auto error = field.unescaped_key().get(key)) return error;
        if (auto error = field.value().get(value)) return error;
        if (auto error = CheckValue(value, depth + 1)) return error;
    }
    return simdjson::SUCCESS;
}

simdjson::error_code CheckValue(ondemand::value value, int depth) {
    if (depth > kMaxDepth) return simdjson::DEPTH_ERROR;
    ondemand::json_type type;
    if (auto error = value.type().get(type)) return error;
    switch (type) {
    case ondemand::json_type::array: {
        ondemand::array array;
        if (auto error = value.get_array().get(array)) return error;
        for (auto element : array) {
            ondemand::value item;
            if (auto error = element.get(item)) return error;
            if (auto error = CheckValue(item, depth + 1)) return error;
        }
        return simdjson::SUCCESS;
    }
    case ondemand::json_type::object: {
        ondemand::object object;
        if (auto error = value.get_object().get(object)) return error;
        return CheckObject(object, depth);
    }
    case ondemand::json_type::number: return Number(value.raw_json_token());
    case ondemand::json_type::string: return value.get_string().error();
    case ondemand::json_type::boolean: return value.get_bool().error();
    case ondemand::json_type::null: {
        bool null = false;
        if (auto error = value.is_null().get(null)) return error;
        return null ? simdjson::SUCCESS : simdjson::INCORRECT_TYPE;
    }
    }
    return simdjson::INCORRECT_TYPE;
}

std::string Quoted(std::string_view name) {
    std::string out;
    AppendJsonString(out, name);
    return out;
}

}  // namespace

struct JsonLineConverter::Impl {
    explicit Impl(JsonLineOptions chosen) : options(std::move(chosen)) {
        options.page.encoding = "utf-8";
        textKey = Quoted(options.textField);
    }

    // What the object of a line holds, as far as this converter cares.
    struct Fields {
        bool any = false;              // the object has a field
        std::optional<std::string_view> page;  // the page, unescaped (the last field of the name)
        bool pageNotString = false;
        std::vector<Span> text, error;  // the values of the text fields and of "error" fields
        std::size_t close = 0;          // where the object's closing brace is
    };

    // Reads the object on `line` (trimmed, in padded_) into `fields`; an
    // error code when the line is not valid JSON or not an object.
    simdjson::error_code Read(std::string_view line, Fields& fields) {
        padded.assign(line.data(), line.size());
        padded.resize(line.size() + simdjson::SIMDJSON_PADDING, ' ');
        const char* base = padded.data();
        ondemand::document document;
        if (auto error = parser.iterate(base, line.size(), padded.size()).get(document)) return error;
        ondemand::object object;
        if (auto error = document.get_object().get(object)) return error;
        for (auto field : object) {
            std::string_view key;
            ondemand::value value;
            if (auto error = field.unescaped_key().get(key)) return error;
            if (auto error = field.value().get(value)) return error;
            fields.any = true;
            const std::string_view token = value.raw_json_token();
            const std::size_t begin = static_cast<std::size_t>(token.data() - base);
            ondemand::json_type type;
            if (auto error = value.type().get(type)) return error;
            bool read = false;
            if (key == options.htmlField) {
                fields.pageNotString = type != ondemand::json_type::string;
                if (!fields.pageNotString) {
                    std::string_view page;
                    if (auto error = value.get_string().get(page)) return error;
                    fields.page = page;
                    read = true;
                }
            }
            if (!read)
                if (auto error = CheckValue(value, 1)) return error;
            // A scalar is its token (numbers are not consumed by the
            // check); an array or object runs to where the iterator is now.
            std::size_t end = begin + Trimmed(token).size();
            if (type == ondemand::json_type::array || type == ondemand::json_type::object) {
                const char* next = nullptr;
                if (auto error = document.current_location().get(next)) return error;
                end = static_cast<std::size_t>(next - base);
                while (end > begin && Blank(line[end - 1])) --end;
            }
            if (key == options.textField) fields.text.push_back({begin, end});
            if (key == "error") fields.error.push_back({begin, end});
        }
        // Anything after the object is more than one value on the line.
        const char* after = nullptr;
        if (document.current_location().get(after) == simdjson::SUCCESS) return simdjson::TRAILING_CONTENT;
        fields.close = line.size() - 1;  // a valid object ends with its brace
        return simdjson::SUCCESS;
    }

    // Why a line that ondemand refused is not converted.
    std::string Refusal(std::string_view line, simdjson::error_code error) {
        simdjson::dom::element element;
        if (checker.parse(line.data(), line.size()).get(element) == simdjson::SUCCESS)
            return element.is_object() ? "not valid JSON" : "not a JSON object";
        if (error == simdjson::UTF8_ERROR) return "not valid UTF-8";
        return "not valid JSON";
    }

    // The page's text into `text`; false with `why` when the engine failed.
    bool ConvertPage(std::string_view page, std::string& why) {
        text.clear();
        ConversionContext context;
        std::optional<UnixLines> lines;
        if (options.unixLines && !options.page.readable) lines.emplace();
        const auto sink = [&](const char* data, std::size_t size) {
            if (lines)
                text += lines->Convert({data, size}, false);
            else
                text.append(data, size);
        };
        PageStream stream(options.page, &context, sink);
        const bool done = stream.Feed(page.data(), page.size()) && stream.Finish();
        if (lines) text += lines->Convert({}, true);
        if (done) return true;
        why = "conversion failed";
        if (!context.Reports().empty()) {
            const ErrorReport& report = context.Reports().front();
            why += ": " + report.source + ": Error " + std::to_string(report.error.number) + ": " +
                   report.error.description;
        }
        return false;
    }

    // The object on `line` with the values at `spans` replaced by `value`,
    // or `key`:`value` added at its end when there are none.
    static void Rewrite(std::string& out, std::string_view line, const Fields& fields, const std::vector<Span>& spans,
                        std::string_view key, std::string_view value) {
        std::size_t copied = 0;
        for (const Span& span : spans) {
            out.append(line, copied, span.begin - copied);
            out += value;
            copied = span.end;
        }
        if (spans.empty()) {
            out.append(line, 0, fields.close);
            if (fields.any) out += ',';
            out += key;
            out += ':';
            out += value;
            copied = fields.close;
        }
        out.append(line, copied);
        out += '\n';
    }

    JsonLineOptions options;
    std::string textKey;
    std::string padded, text, quoted;
    ondemand::parser parser;
    simdjson::dom::parser checker;
};

JsonLineConverter::JsonLineConverter(JsonLineOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}
JsonLineConverter::~JsonLineConverter() = default;

void JsonLineConverter::Convert(std::string_view line, std::uint64_t number, BatchResult& result) {
    Impl& m = *impl_;
    const std::string_view original = line;
    line = Trimmed(line);
    if (line.empty()) return;
    ++result.lines;
    Impl::Fields fields;
    std::string why;
    const simdjson::error_code refused = m.Read(line, fields);
    if (refused) {
        why = m.Refusal(line, refused);
    } else if (fields.pageNotString) {
        why = "field " + Quoted(m.options.htmlField) + " is not a string";
    } else if (!fields.page) {
        why = "no field " + Quoted(m.options.htmlField);
    } else if (m.ConvertPage(*fields.page, why)) {
        m.quoted.clear();
        AppendJsonString(m.quoted, m.text);
        Impl::Rewrite(result.out, line, fields, fields.text, m.textKey, m.quoted);
        ++result.converted;
        return;
    }
    m.quoted.clear();
    AppendJsonString(m.quoted, why);
    if (refused) {
        result.out += "{\"error\":" + m.quoted + ",\"line\":";
        AppendJsonString(result.out, original);
        result.out += "}\n";
    } else {
        Impl::Rewrite(result.out, line, fields, fields.error, "\"error\"", m.quoted);
    }
    result.errors.push_back({number, std::move(why)});
}

BatchResult JsonLineConverter::Convert(const LineBatch& batch) {
    BatchResult result;
    result.out.reserve(batch.bytes.size() / 4);
    for (const BatchLine& line : batch.lines) {
        if (!line.tooLong) {
            Convert(std::string_view(batch.bytes).substr(line.offset, line.size), line.number, result);
            continue;
        }
        std::string why = "line too long";
        result.out += "{\"error\":";
        AppendJsonString(result.out, why);
        result.out += "}\n";
        ++result.lines;
        result.errors.push_back({line.number, std::move(why)});
    }
    return result;
}

}  // namespace tessark::records
