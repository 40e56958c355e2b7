// The C API (tessark.h) over the C++ one: options set by name from a table,
// every call guarded so that no exception crosses into C, the message of
// the calling thread's last failure kept per thread. An archive keeps its
// last page, which the caller's pointers point into.
#pragma GCC visibility push(default)
#include <tessark/tessark.h>
#pragma GCC visibility pop

#include <tessark/tessark.hpp>

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "encoding/Encoding.h"

struct tessark_options {
    tessark::Options options;
};

struct tessark_archive {
    tessark::ArchiveReader reader;
    tessark::ArchivePage page;
};

struct tessark_converter {
    explicit tessark_converter(const tessark::Options& options)
        : converter(options, [this](std::string_view text) {
              if (sink) sink(text.data(), text.size(), userData);
          }) {}
    tessark::Converter converter;
    tessark_sink sink = nullptr;  // the sink of the call under way
    void* userData = nullptr;
};

namespace {

thread_local std::string lastError;

tessark_status Fail(tessark_status status, std::string message) {
    try {
        lastError = std::move(message);
    } catch (...) {
        lastError.clear();
    }
    return status;
}

// Runs `call`, turning whatever it throws into a status and this thread's
// last error.
template <class Call>
tessark_status Guard(const Call& call) {
    try {
        call();
        return TESSARK_OK;
    } catch (const tessark::Error& error) {
        const int n = error.number();
        const bool known = n == TESSARK_BAD_ARGUMENT || n == TESSARK_OUT_OF_MEMORY || n == TESSARK_FILE_NOT_FOUND ||
                           n == TESSARK_FILE_ACCESS;
        return Fail(known ? static_cast<tessark_status>(n) : TESSARK_INTERNAL, error.what());
    } catch (const std::bad_alloc&) {
        return Fail(TESSARK_OUT_OF_MEMORY, "Out of memory");
    } catch (const std::exception& error) {
        return Fail(TESSARK_INTERNAL, error.what());
    } catch (...) {
        return Fail(TESSARK_INTERNAL, "Internal error");
    }
}

std::optional<bool> ParseBool(std::string_view value) {
    if (value == "true") return true;
    if (value == "false") return false;
    return std::nullopt;
}

// The options settable by name: the Boolean ones as members, the others by
// their own parsers below.
struct BoolOption {
    const char* name;
    bool tessark::Options::*plain;
    bool tessark::ClassicOptions::*classic;
};
constexpr BoolOption kBoolOptions[] = {
    {"alt_text", &tessark::Options::alt_text, nullptr},
    {"crlf", &tessark::Options::crlf, nullptr},
    {"remove_comments", nullptr, &tessark::ClassicOptions::remove_comments},
    {"remove_scripts", nullptr, &tessark::ClassicOptions::remove_scripts},
    {"remove_styles", nullptr, &tessark::ClassicOptions::remove_styles},
    {"remove_functions", nullptr, &tessark::ClassicOptions::remove_functions},
    {"remove_pipe", nullptr, &tessark::ClassicOptions::remove_pipe},
    {"remove_tabs", nullptr, &tessark::ClassicOptions::remove_tabs},
    {"generate_special_chars", nullptr, &tessark::ClassicOptions::generate_special_chars},
    {"remove_all_tags", nullptr, &tessark::ClassicOptions::remove_all_tags},
    {"remove_all_crlf", nullptr, &tessark::ClassicOptions::remove_all_crlf},
    {"remove_spaces", nullptr, &tessark::ClassicOptions::remove_spaces},
    {"remove_blank_lines", nullptr, &tessark::ClassicOptions::remove_blank_lines},
    {"decode_all_references", nullptr, &tessark::ClassicOptions::decode_all_references},
    {"classic_line_ends", nullptr, &tessark::ClassicOptions::classic_line_ends},
};

// Sets `name` to `value`; false for an unknown name or a value it does not take.
bool Set(tessark::Options& o, std::string_view name, std::string_view value) {
    for (const BoolOption& row : kBoolOptions) {
        if (name != row.name) continue;
        const std::optional<bool> on = ParseBool(value);
        if (!on) return false;
        (row.plain ? o.*row.plain : o.classic.*row.classic) = *on;
        return true;
    }
    if (name == "engine") {
        if (value != "readable" && value != "classic") return false;
        o.engine = value == "readable" ? tessark::Engine::Readable : tessark::Engine::Classic;
    } else if (name == "links") {
        if (value == "none") o.links = tessark::Links::None;
        else if (value == "inline") o.links = tessark::Links::Inline;
        else if (value == "list") o.links = tessark::Links::List;
        else return false;
    } else if (name == "encoding") {
        if (!tessark::encoding::IsUsableEncoding(value)) return false;
        o.encoding = std::string(value);
    } else if (name == "base_url") {
        o.base_url = std::string(value);
    } else if (name == "width") {
        if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        o.width = static_cast<std::size_t>(std::stoul(std::string(value)));
    } else {
        return false;
    }
    return true;
}

// A NUL-terminated copy of `text` for the caller to release with tessark_free.
void Give(const std::string& text, char** out, size_t* size) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *out = copy;
    if (size) *size = text.size();
}

}  // namespace

extern "C" {

const char* tessark_version(void) { return tessark::version(); }

const char* tessark_last_error(void) { return lastError.c_str(); }

tessark_options* tessark_options_new(void) {
    tessark_options* options = nullptr;
    if (Guard([&] { options = new tessark_options(); }) != TESSARK_OK) return nullptr;
    return options;
}

tessark_status tessark_options_set(tessark_options* options, const char* name, const char* value) {
    if (!options || !name || !value) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    return Guard([&] {
        if (!Set(options->options, name, value))
            throw tessark::Error(5, std::string("Unknown option or value: ") + name + "=" + value);
    });
}

void tessark_options_free(tessark_options* options) { delete options; }

tessark_status tessark_converter_new(const tessark_options* options, tessark_converter** converter) {
    if (!converter) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    *converter = nullptr;
    return Guard([&] { *converter = new tessark_converter(options ? options->options : tessark::Options()); });
}

void tessark_converter_free(tessark_converter* converter) { delete converter; }

tessark_status tessark_convert(const tessark_converter* converter, const char* bytes, size_t size, char** text,
                               size_t* text_size) {
    if (!converter || (!bytes && size > 0) || !text) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    *text = nullptr;
    if (text_size) *text_size = 0;
    return Guard([&] {
        Give(converter->converter.convert(std::string_view(bytes ? bytes : "", size)), text, text_size);
    });
}

tessark_status tessark_feed(tessark_converter* converter, const char* bytes, size_t size, tessark_sink sink,
                            void* user_data) {
    if (!converter || (!bytes && size > 0)) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    converter->sink = sink;
    converter->userData = user_data;
    return Guard([&] { converter->converter.feed(std::string_view(bytes ? bytes : "", size)); });
}

tessark_status tessark_finish(tessark_converter* converter, tessark_sink sink, void* user_data) {
    if (!converter) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    converter->sink = sink;
    converter->userData = user_data;
    return Guard([&] { converter->converter.finish(); });
}

void tessark_free(void* text) { std::free(text); }

tessark_status tessark_archive_open(const char* path, const tessark_options* options, tessark_archive** archive) {
    if (!path || !archive) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    *archive = nullptr;
    return Guard([&] {
        *archive = new tessark_archive{tessark::ArchiveReader(path, options ? options->options : tessark::Options()),
                                       {}};
    });
}

tessark_status tessark_archive_next(tessark_archive* archive, tessark_archive_page* page) {
    if (!archive || !page) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    *page = {};
    bool more = false;
    const tessark_status status = Guard([&] { more = archive->reader.next(archive->page); });
    if (status != TESSARK_OK) return status;
    if (!more) return TESSARK_END;
    const tessark::ArchivePage& p = archive->page;
    *page = {p.url.c_str(), p.date.c_str(), p.record_id.c_str(), p.charset.c_str(), p.text.c_str(), p.text.size(),
             p.offset};
    return TESSARK_OK;
}

const char* tessark_archive_problem(const tessark_archive* archive, size_t index, unsigned long long* offset) {
    if (!archive || index >= archive->reader.problems().size()) return nullptr;
    const tessark::ArchiveProblem& problem = archive->reader.problems()[index];
    if (offset) *offset = problem.offset;
    return problem.message.c_str();
}

unsigned long long tessark_archive_count(const tessark_archive* archive, const char* name) {
    if (!archive || !name) return 0;
    const tessark::ArchiveCounts& c = archive->reader.counts();
    const std::pair<const char*, std::uint64_t> counts[] = {
        {"records", c.records},   {"pages", c.pages},     {"not_response", c.not_response},
        {"not_html", c.not_html}, {"not_success", c.not_success}, {"problems", c.problems}};
    for (const auto& [counted, value] : counts)
        if (std::strcmp(name, counted) == 0) return value;
    return 0;
}

void tessark_archive_close(tessark_archive* archive) { delete archive; }

tessark_status tessark_convert_json_line(const tessark_options* options, const char* html_field,
                                         const char* text_field, const char* line, size_t size, char** out,
                                         size_t* out_size) {
    if ((!line && size > 0) || !out) return Fail(TESSARK_BAD_ARGUMENT, "A null argument");
    *out = nullptr;
    if (out_size) *out_size = 0;
    return Guard([&] {
        tessark::JsonLinesOptions chosen;
        if (options) chosen.options = options->options;
        if (html_field) chosen.html_field = html_field;
        if (text_field) chosen.text_field = text_field;
        Give(tessark::convert_json_line(std::string_view(line ? line : "", size), chosen), out, out_size);
    });
}

}  // extern "C"
