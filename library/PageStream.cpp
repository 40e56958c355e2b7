#include "PageStream.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "ConversionContext.h"
#include "RuntimeError.h"
#include "StreamExtractor.h"

namespace tessark {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

PageRoute RouteFor(const PageOptions& options) {
    const auto setting = encoding::ParseSetting(options.encoding);
    if (options.readable) return PageRoute::Readable;
    if (setting == encoding::Setting::Windows1252) return PageRoute::Bytes;
    if (setting == encoding::Setting::Utf8) return PageRoute::Utf8;
    return PageRoute::Decoded;
}

std::string UnixLines::Convert(std::string_view piece, bool last) {
    std::string out;
    out.reserve(piece.size() + 2);
    for (const char c : piece) {
        if (pendingCR_ && c != '\n') out += '\r';
        pendingCR_ = c == '\r';
        if (!pendingCR_) out += c;
    }
    if (last && pendingCR_) out += '\r';
    if (!out.empty()) last_ = out.back();
    if (last && last_ != '\0' && last_ != '\n') out += '\n';
    return out;
}

// The page goes through a head, where its start is held until the
// byte-order mark (Bom) or the encoding (Detect) is decided, then straight
// on (Open), decoded when a decoder is set.
struct PageStream::Impl {
    enum class Head { Open, Bom, Detect };

    Impl(const PageOptions& o, ConversionContext* c, Sink s)
        : options(o), route(RouteFor(o)), context(c), sink(std::move(s)) {}

    PageOptions options;
    PageRoute route;
    ConversionContext* context;
    Sink sink;
    Head head = Head::Open;
    std::string held;
    encoding::Detection used;
    std::optional<encoding::Utf8Decoder> decoder;
    std::string decoded;
    std::unique_ptr<ByteStreamExtractor> bytes;
    std::unique_ptr<Utf8StreamExtractor> utf8;
    std::unique_ptr<ReadableConverter> readable;
    std::vector<char> space;
    bool direct = false;  // InputSpace gave the engine stream's own room

    // To the engine's stream.
    bool Pass(std::string_view data) {
        if (data.empty()) return !Failed();
        const auto* d = reinterpret_cast<const unsigned char*>(data.data());
        if (bytes) return bytes->Feed(d, data.size());
        if (utf8) return utf8->Feed(d, data.size());
        return readable->Feed(data.data(), data.size());
    }
    bool Decode(std::string_view data, bool last) {
        if (!decoder) return Pass(data);
        decoded.clear();
        decoder->Decode(data, last, decoded);
        return Pass(decoded);
    }
    // Decides the encoding from `start` and passes it on.
    bool Decide(std::string_view start, bool more) {
        const encoding::Detection found =
            encoding::DecideEncoding(start, options.encoding, more, [this] { context->Yield(); });
        used = {found.encoding, found.reason, 0};
        // The readable-text engine reads UTF-8 itself, replacing what is
        // not UTF-8 as the decoder would.
        if (route != PageRoute::Readable || found.encoding != "UTF-8") decoder.emplace(found.encoding);
        head = Head::Open;
        return Decode(start.substr(found.bomLength), !more);
    }
    bool Feed(std::string_view data) {
        switch (head) {
        case Head::Open: return Decode(data, false);
        case Head::Bom: {
            held += data;
            if (held.size() < kUtf8Bom.size()) return true;
            head = Head::Open;
            const std::string start = std::exchange(held, {});
            return Pass(std::string_view(start).substr(start.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0));
        }
        case Head::Detect: {
            // One byte more than is looked at tells that the page goes on.
            const std::size_t wanted = encoding::kDetectBytes + 1;
            const std::size_t taken = std::min(data.size(), wanted - std::min(wanted, held.size()));
            held += data.substr(0, taken);
            if (held.size() < wanted) return true;
            const std::string start = std::exchange(held, {});
            return Decide(start, true) && Decode(data.substr(taken), false);
        }
        }
        return false;
    }
    bool Finish() {
        bool fine = true;
        switch (head) {
        case Head::Open: fine = !decoder || Decode({}, true); break;
        case Head::Bom: fine = Pass(held); break;  // shorter than a byte-order mark
        case Head::Detect: fine = Decide(held, false); break;
        }
        head = Head::Open;
        held.clear();
        if (bytes) return bytes->Finish() && fine;
        if (utf8) return utf8->Finish() && fine;
        return readable->Finish() && fine;
    }
    bool Failed() const {
        if (context->Failed()) return true;
        if (bytes) return bytes->Failed();
        if (utf8) return utf8->Failed();
        return readable && readable->Failed();
    }
};

PageStream::PageStream(const PageOptions& options, ConversionContext* context, Sink sink)
    : impl_(std::make_unique<Impl>(options, context, std::move(sink))) {
    Impl& s = *impl_;
    if (!encoding::IsUsableEncoding(options.encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    const auto setting = encoding::ParseSetting(options.encoding);
    const auto toSink = [&s](const unsigned char* data, std::size_t size) {
        s.sink(reinterpret_cast<const char*>(data), size);
    };
    switch (s.route) {
    case PageRoute::Readable:
        s.readable = std::make_unique<ReadableConverter>(options.layout, context, s.sink);
        break;
    case PageRoute::Bytes: s.bytes = std::make_unique<ByteStreamExtractor>(options.classic, context, toSink); break;
    case PageRoute::Utf8:
    case PageRoute::Decoded: s.utf8 = std::make_unique<Utf8StreamExtractor>(options.classic, context, toSink); break;
    }
    if (setting == encoding::Setting::Windows1252 && s.route == PageRoute::Bytes) {
        s.used = {"windows-1252", encoding::Reason::Chosen, 0};
    } else if (setting == encoding::Setting::Utf8) {
        s.used = {"UTF-8", encoding::Reason::Chosen, 0};
        s.head = Impl::Head::Bom;
    } else {
        s.head = Impl::Head::Detect;
    }
}

PageStream::~PageStream() = default;

bool PageStream::Feed(const char* data, std::size_t size) { return impl_->Feed(std::string_view(data, size)); }

char* PageStream::InputSpace(std::size_t size) {
    Impl& s = *impl_;
    s.direct = s.head == Impl::Head::Open && !s.decoder && (s.bytes || s.utf8);
    if (s.direct) return reinterpret_cast<char*>(s.bytes ? s.bytes->InputSpace(size) : s.utf8->InputSpace(size));
    s.space.resize(size);
    return s.space.data();
}

bool PageStream::Commit(std::size_t count) {
    Impl& s = *impl_;
    if (!s.direct) return Feed(s.space.data(), count);
    return s.bytes ? s.bytes->Commit(count) : s.utf8->Commit(count);
}

bool PageStream::Finish() { return impl_->Finish(); }
bool PageStream::Failed() const { return impl_->Failed(); }
const encoding::Detection& PageStream::Used() const { return impl_->used; }

}  // namespace tessark
