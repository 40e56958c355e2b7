// The C++ API (tessark.hpp) over the page stream (PageStream.h): options
// mapped onto the engines', each conversion with a context and a stream of
// its own (so convert is safe on several threads at once), failures turned
// into tessark::Error.
#pragma GCC visibility push(default)
#include <tessark/tessark.hpp>
#pragma GCC visibility pop

#include <new>
#include <optional>
#include <utility>

#include "ConversionContext.h"
#include "PageStream.h"
#include "RuntimeError.h"

namespace tessark {
namespace {

PageOptions PageOptionsFor(const Options& options) {
    PageOptions page;
    page.readable = options.engine == Engine::Readable;
    page.encoding = options.encoding;
    page.layout.links = options.links == Links::Inline ? ReadableOptions::Links::Inline
                        : options.links == Links::List ? ReadableOptions::Links::List
                                                       : ReadableOptions::Links::None;
    page.layout.altText = options.alt_text;
    page.layout.baseUrl = options.base_url;
    page.layout.width = options.width;
    page.layout.crlf = options.crlf;
    const ClassicOptions& c = options.classic;
    EngineOptions& e = page.classic;
    e.RemoveComments = c.remove_comments;
    e.RemoveScripts = c.remove_scripts;
    e.RemoveStyles = c.remove_styles;
    e.RemoveFunctions = c.remove_functions;
    e.RemovePipe = c.remove_pipe;
    e.RemoveTabs = c.remove_tabs;
    e.GenerateSpecialChars = c.generate_special_chars;
    e.RemoveAllTags = c.remove_all_tags;
    e.RemoveAllCRLF = c.remove_all_crlf;
    e.RemoveSpaces = c.remove_spaces;
    e.RemoveBlankLines = c.remove_blank_lines;
    e.DecodeAllReferences = c.decode_all_references;
    return page;
}

// The exception being handled as an Error (call only inside a catch block).
[[noreturn]] void RethrowAsError() {
    try {
        throw;
    } catch (const Error&) {
        throw;
    } catch (...) {
        const ErrorInfo info = ErrorFromCurrentException();
        throw Error(info.number, info.description);
    }
}

// One page's conversion: its context, its stream, and the line ends of the
// classic text that is not to keep the classic CR LF.
class Page {
public:
    Page(const PageOptions& page, bool unixLines, Converter::Sink sink) : sink_(std::move(sink)) {
        if (unixLines) lines_.emplace();
        stream_.emplace(page, &context_, [this](const char* data, std::size_t size) { Out({data, size}, false); });
    }
    void Feed(std::string_view bytes) {
        if (!stream_->Feed(bytes.data(), bytes.size())) ThrowFailure();
    }
    void Finish() {
        if (!stream_->Finish()) ThrowFailure();
        Out({}, true);
    }
    const encoding::Detection& Used() const { return stream_->Used(); }

private:
    void Out(std::string_view text, bool last) {
        if (lines_) {
            const std::string converted = lines_->Convert(text, last);
            if (!converted.empty() && sink_) sink_(converted);
        } else if (!text.empty() && sink_) {
            sink_(text);
        }
    }
    // The engine's first report, as the program words it.
    [[noreturn]] void ThrowFailure() const {
        if (context_.Reports().empty()) throw Error(7, "Out of memory");
        const ErrorReport& report = context_.Reports().front();
        throw Error(report.error.number,
                    report.source + ": Error " + std::to_string(report.error.number) + ": " + report.error.description);
    }

    Converter::Sink sink_;
    ConversionContext context_;
    std::optional<UnixLines> lines_;
    std::optional<PageStream> stream_;
};

}  // namespace

const char* version() noexcept { return TESSARK_VERSION_TEXT; }

struct Converter::Impl {
    Options options;
    PageOptions page;
    bool unixLines = false;
    Sink sink;
    std::optional<Page> stream;  // the page being fed
    std::string encodingUsed, encodingReason;

    void Start() {
        if (stream) return;
        try {
            stream.emplace(page, unixLines, sink);
        } catch (...) {
            RethrowAsError();
        }
    }
    std::string Whole(const PageOptions& chosen, std::string_view bytes) const {
        std::string text;
        try {
            Page one(chosen, unixLines, [&text](std::string_view piece) { text += piece; });
            one.Feed(bytes);
            one.Finish();
        } catch (...) {
            RethrowAsError();
        }
        return text;
    }
};

Converter::Converter(const Options& options, Sink sink) : impl_(std::make_unique<Impl>()) {
    if (!encoding::IsUsableEncoding(options.encoding))
        throw Error(5, "Unknown encoding \"" + options.encoding + "\"");
    impl_->options = options;
    impl_->page = PageOptionsFor(options);
    impl_->unixLines = options.engine == Engine::Classic && !options.classic.classic_line_ends;
    impl_->sink = std::move(sink);
}

Converter::~Converter() = default;
Converter::Converter(Converter&&) noexcept = default;
Converter& Converter::operator=(Converter&&) noexcept = default;

const Options& Converter::options() const noexcept { return impl_->options; }

std::string Converter::convert(std::string_view bytes) const { return impl_->Whole(impl_->page, bytes); }

std::string Converter::convert_text(std::string_view utf8) const {
    PageOptions page = impl_->page;
    page.encoding = "utf-8";
    return impl_->Whole(page, utf8);
}

void Converter::feed(std::string_view bytes) {
    Impl& s = *impl_;
    s.Start();
    try {
        s.stream->Feed(bytes);
    } catch (...) {
        s.stream.reset();
        RethrowAsError();
    }
}

void Converter::finish() {
    Impl& s = *impl_;
    s.Start();
    try {
        s.stream->Finish();
    } catch (...) {
        s.stream.reset();
        RethrowAsError();
    }
    s.encodingUsed = s.stream->Used().encoding;
    s.encodingReason = std::string(encoding::ReasonName(s.stream->Used().reason));
    s.stream.reset();
}

std::string Converter::encoding_used() const {
    if (impl_->stream && !impl_->stream->Used().encoding.empty()) return impl_->stream->Used().encoding;
    return impl_->encodingUsed;
}

std::string Converter::encoding_reason() const {
    if (impl_->stream && !impl_->stream->Used().encoding.empty())
        return std::string(encoding::ReasonName(impl_->stream->Used().reason));
    return impl_->encodingReason;
}

std::string to_text(std::string_view bytes, const Options& options) { return Converter(options).convert(bytes); }

}  // namespace tessark
