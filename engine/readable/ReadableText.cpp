// A stand-in for the readable-text engine until it lands: the input's text
// without its tags, lines as the options ask. Not the real layout.
#include "ReadableText.h"

#include "ConversionContext.h"

namespace tessark {

struct ReadableConverter::Impl {
    ReadableOptions options;
    ConversionContext* context = nullptr;
    Sink sink;
    std::string text;
    bool inTag = false;
    bool failed = false;
    std::size_t sinceYield = 0;
};

ReadableConverter::ReadableConverter(const ReadableOptions& options, ConversionContext* context, Sink sink)
    : impl_(std::make_unique<Impl>()) {
    impl_->options = options;
    impl_->context = context;
    impl_->sink = std::move(sink);
}

ReadableConverter::~ReadableConverter() = default;

bool ReadableConverter::Feed(const char* data, std::size_t size) {
    Impl& s = *impl_;
    if (s.failed) return false;
    try {
        for (std::size_t i = 0; i < size; ++i) {
            if (++s.sinceYield >= kYieldBytes) {
                s.sinceYield = 0;
                engine_detail::Yield(s.context);
            }
            const char c = data[i];
            if (c == '<') s.inTag = true;
            else if (c == '>' && s.inTag) s.inTag = false;
            else if (!s.inTag && c != '\r') s.text += c;
        }
    } catch (...) {
        engine_detail::ReportCurrentException(s.context, "ReadableText");
        s.failed = true;
    }
    return !s.failed;
}

bool ReadableConverter::Finish() {
    Impl& s = *impl_;
    if (s.failed) return false;
    const auto first = s.text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return true;
    std::string text = s.text.substr(first, s.text.find_last_not_of(" \t\n") - first + 1) + '\n';
    std::string out;
    for (const char c : text) {
        if (c == '\n' && s.options.crlf) out += '\r';
        out += c;
    }
    s.sink(out.data(), out.size());
    return true;
}

bool ReadableConverter::Failed() const { return impl_->failed; }

std::string ReadableText(std::string_view utf8, const ReadableOptions& options) {
    std::string out;
    ReadableConverter converter(options, nullptr, [&out](const char* d, std::size_t n) { out.append(d, n); });
    converter.Feed(utf8.data(), utf8.size());
    converter.Finish();
    return out;
}

}  // namespace tessark
