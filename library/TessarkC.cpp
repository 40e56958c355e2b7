// The C API (tessark.h) over the C++ one: options set by name from a table,
// every call guarded so that no exception crosses into C, the message of
// the calling thread's last failure kept per thread.
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

#include "encoding/Encoding.h"

struct tessark_options {
    tessark::Options options;
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
        return Fail(n == 5 ? TESSARK_BAD_ARGUMENT : n == 7 ? TESSARK_OUT_OF_MEMORY : TESSARK_INTERNAL, error.what());
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
        const std::string result = converter->converter.convert(std::string_view(bytes ? bytes : "", size));
        auto* copy = static_cast<char*>(std::malloc(result.size() + 1));
        if (!copy) throw std::bad_alloc();
        std::memcpy(copy, result.c_str(), result.size() + 1);
        *text = copy;
        if (text_size) *text_size = result.size();
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

}  // extern "C"
