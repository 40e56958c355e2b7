// The C++ API (tessark.hpp) over the page stream (PageStream.h): options
// mapped onto the engines', each conversion with a context and a stream of
// its own (so convert is safe on several threads at once), failures turned
// into tessark::Error. Web archives and JSON Lines over the records module
// (records/ArchivePages.h, records/JsonLines.h), the program's own code, so
// that both make the same records.
#pragma GCC visibility push(default)
#include <tessark/tessark.hpp>
#pragma GCC visibility pop

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "ConversionContext.h"
#include "PageStream.h"
#include "RuntimeError.h"
#include "records/ArchivePages.h"
#include "records/JsonLines.h"

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

// The pieces a whole page is fed in.
constexpr std::size_t kWholePiece = std::size_t{1} << 20;

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

    // A step of the page being fed (started at need); after a failure the
    // next feed starts a new page.
    template <class Step>
    void OnStream(const Step& step) {
        try {
            if (!stream) stream.emplace(page, unixLines, sink);
            step(*stream);
        } catch (...) {
            stream.reset();
            RethrowAsError();
        }
    }
    std::string Whole(const PageOptions& chosen, std::string_view bytes) const {
        std::string text;
        try {
            Page one(chosen, unixLines, [&text](std::string_view piece) { text += piece; });
            // In pieces, as a file is read: the stream and the decoder then
            // hold a piece at a time, not a copy of the page (or six).
            for (std::size_t at = 0; at < bytes.size(); at += kWholePiece) one.Feed(bytes.substr(at, kWholePiece));
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
    impl_->OnStream([bytes](Page& page) { page.Feed(bytes); });
}

void Converter::finish() {
    Impl& s = *impl_;
    s.OnStream([](Page& page) { page.Finish(); });
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

// ---- Web archives ------------------------------------------------------------

namespace {

// An archive file read through stdio; failures as the program's errors 53
// and 75, named by the path.
class FileSource final : public records::ByteSource {
public:
    explicit FileSource(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "rb"), &std::fclose) {
        if (!file_) Fail(errno == ENOENT ? ErrorNumber::FileNotFound : ErrorNumber::PathFileAccessError);
        struct stat status {};
        if (fstat(fileno(file_.get()), &status) == 0 && S_ISDIR(status.st_mode)) Fail(ErrorNumber::PathFileAccessError);
    }
    std::size_t Read(char* data, std::size_t size) override {
        const std::size_t got = std::fread(data, 1, size, file_.get());
        if (got == 0 && std::ferror(file_.get())) Fail(ErrorNumber::PathFileAccessError);
        return got;
    }

private:
    [[noreturn]] void Fail(ErrorNumber number) const {
        const int n = static_cast<int>(number);
        throw Error(n, path_ + ": Error " + std::to_string(n) + ": " + ErrorDescription(number));
    }

    std::string path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

// The caller's read function as a source.
class FunctionSource final : public records::ByteSource {
public:
    explicit FunctionSource(ArchiveReader::Read read) : read_(std::move(read)) {}
    std::size_t Read(char* data, std::size_t size) override {
        const std::size_t got = read_(data, size);
        if (got > size) throw Error(5, "The read function gave more bytes than asked for");
        return got;
    }

private:
    ArchiveReader::Read read_;
};

PageOptions CheckedPageOptions(const Options& options) {
    if (!encoding::IsUsableEncoding(options.encoding))
        throw Error(5, "Unknown encoding \"" + options.encoding + "\"");
    return PageOptionsFor(options);
}

}  // namespace

struct ArchiveReader::Impl {
    Impl(std::unique_ptr<records::ByteSource> from, const Options& options)
        : chosen(CheckedPageOptions(options)), source(std::move(from)), pages(*source) {}

    PageOptions chosen;
    std::unique_ptr<records::ByteSource> source;
    records::ArchivePages pages;
    std::vector<records::WarcProblem> met;  // the problems of the current step
    std::vector<ArchiveProblem> problems;
    ArchiveCounts counts;
    std::uint64_t failed = 0;  // pages that could not be converted
    bool ended = false;

    void Keep(std::uint64_t offset, std::string message) { problems.push_back({offset, std::move(message)}); }
    void Count() {
        const records::ArchiveCounts& c = pages.Counts();
        counts = {c.records, c.pages - failed, c.notResponse, c.notHtml, c.notSuccess, c.problems + failed};
    }
    bool Next(ArchivePage& out) {
        records::ArchivePage page;
        for (;;) {
            const bool more = pages.Next(page, met);
            for (records::WarcProblem& problem : met) Keep(problem.offset, std::move(problem.message));
            met.clear();
            if (!more) return false;
            const records::PageText text = records::ConvertPage(page, chosen);
            if (!text.converted) {
                ++failed;
                Keep(page.offset, page.url + ": " + text.problem + ": skipped");
                continue;
            }
            out.url = std::move(page.url);
            out.date = std::move(page.date);
            out.record_id = std::move(page.recordId);
            out.charset = text.charset;
            out.text = text.text;
            out.offset = page.offset;
            return true;
        }
    }
};

ArchiveReader::ArchiveReader(const std::string& path, const Options& options) {
    try {
        impl_ = std::make_unique<Impl>(std::make_unique<FileSource>(path), options);
    } catch (...) {
        RethrowAsError();
    }
}

ArchiveReader::ArchiveReader(Read read, const Options& options)
    : impl_(std::make_unique<Impl>(std::make_unique<FunctionSource>(std::move(read)), options)) {}

ArchiveReader::~ArchiveReader() = default;
ArchiveReader::ArchiveReader(ArchiveReader&&) noexcept = default;
ArchiveReader& ArchiveReader::operator=(ArchiveReader&&) noexcept = default;

bool ArchiveReader::next(ArchivePage& page) {
    Impl& s = *impl_;
    if (s.ended) return false;
    try {
        const bool more = s.Next(page);
        s.Count();
        s.ended = !more;
        return more;
    } catch (...) {
        // The source failed: the archive ends here, what it threw goes on.
        s.ended = true;
        s.Count();
        throw;
    }
}

const std::vector<ArchiveProblem>& ArchiveReader::problems() const noexcept { return impl_->problems; }
const ArchiveCounts& ArchiveReader::counts() const noexcept { return impl_->counts; }
std::uint64_t ArchiveReader::bytes_read() const { return impl_->pages.BytesRead(); }

// ---- JSON Lines ----------------------------------------------------------------

struct JsonLinesConverter::Impl {
    static records::JsonLineOptions OptionsOf(const JsonLinesOptions& options) {
        records::JsonLineOptions out;
        out.page = PageOptionsFor(options.options);
        out.page.encoding = "utf-8";
        out.htmlField = options.html_field;
        out.textField = options.text_field;
        out.unixLines = !options.options.classic.classic_line_ends;
        return out;
    }
    explicit Impl(const JsonLinesOptions& options) : converter(OptionsOf(options)) {}

    records::JsonLineConverter converter;
    std::uint64_t errors = 0;
};

JsonLinesConverter::JsonLinesConverter(const JsonLinesOptions& options) : impl_(std::make_unique<Impl>(options)) {}
JsonLinesConverter::~JsonLinesConverter() = default;
JsonLinesConverter::JsonLinesConverter(JsonLinesConverter&&) noexcept = default;
JsonLinesConverter& JsonLinesConverter::operator=(JsonLinesConverter&&) noexcept = default;

std::string JsonLinesConverter::convert_line(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    records::BatchResult result;
    impl_->converter.Convert(line, 1, result);
    impl_->errors += result.errors.size();
    if (!result.out.empty() && result.out.back() == '\n') result.out.pop_back();
    return std::move(result.out);
}

std::string JsonLinesConverter::convert(std::string_view lines) {
    records::LineBatcher batcher;
    std::vector<records::LineBatch> batches;
    batcher.Feed(lines, batches);
    batcher.Finish(batches);
    std::string out;
    for (const records::LineBatch& batch : batches) {
        records::BatchResult result = impl_->converter.Convert(batch);
        impl_->errors += result.errors.size();
        out += result.out;
    }
    return out;
}

std::uint64_t JsonLinesConverter::errors() const noexcept { return impl_->errors; }

std::string convert_json_line(std::string_view line, const JsonLinesOptions& options) {
    return JsonLinesConverter(options).convert_line(line);
}

}  // namespace tessark
