#include "ConversionJob.h"

#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "EncodedConversion.h"
#include "ConversionContext.h"
#include "RuntimeError.h"
#include "TextEncoding.h"
#include "Engine.h"
#include "StreamExtractor.h"
#include "readable/ReadableText.h"

namespace tessark {
namespace {

ConversionError ErrorOf(const QString& source, const ErrorInfo& info) {
    return {source, info.number, QString::fromStdString(info.description)};
}

// The input is read in blocks of this size, straight into the stream's buffer.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// How a request is converted, decided once before anything is read: the
// engine's options and the route. Readable text always streams (Readable).
// A classic page goes streamed as Windows-1252 bytes, or as UTF-8 bytes as
// they are (utf-8 chosen), or streamed after decoding into UTF-8 ("auto" or
// a charset label), each without DecodeAllReferences, whose step the stream
// does not carry; else whole (in memory), as does a page with an encoding
// that cannot be used (it fails there, after the input's checks).
enum class Route { Bytes, Utf8, Decoded, Whole, Readable };

struct Plan {
    EngineOptions options;
    Route route = Route::Whole;
};

Plan PlanFor(const ConversionRequest& request) {
    Plan plan;
    request.options.ApplyTo(plan.options);
    const std::optional<TextEncoding::Setting> setting = TextEncoding::ParseSetting(request.encoding);
    if (request.options.readable) plan.route = Route::Readable;
    else if (plan.options.DecodeAllReferences) plan.route = Route::Whole;
    else if (setting == TextEncoding::Setting::Windows1252) plan.route = Route::Bytes;
    else if (setting == TextEncoding::Setting::Utf8) plan.route = Route::Utf8;
    else plan.route = IsUsableEncoding(request.encoding) ? Route::Decoded : Route::Whole;
    return plan;
}

// The input, checked and opened once: read whole (whole), with room for the
// result to grow up to twice its size without moving (every unit an LF that
// becomes CR LF), or opened for reading in blocks. `stop` is the message of
// the check that stops the job, else empty.
struct Input {
    QString stop;
    QByteArray bytes;
    std::unique_ptr<InputStream> reader;
};

Input OpenInput(const ConversionRequest& request, FileSystem& files, bool whole) {
    Input input;
    if (request.source == ConversionRequest::Source::StandardInput) {
        if (whole) input.bytes = files.ReadStandardInput();
        else input.reader = files.OpenStandardInput();
        return input;
    }
    qint64 size = 0;
    if (!files.FindOrdinaryFile(request.inputPath)) {
        if (request.ordinaryFilesOnly || request.inputPath.isEmpty()) {
            input.stop = QStringLiteral("Input file is missing");
            return input;
        }
        // Hidden, a pipe or a device: it is missing only when it does not exist.
        try {
            size = files.FileLen(request.inputPath);
        } catch (const RuntimeError& error) {
            if (error.number() != 53) throw;
            input.stop = QStringLiteral("Input file is missing");
            return input;
        }
    } else {
        size = files.FileLen(request.inputPath);
        // A size of 0 may also be a special file that reports none: it is read.
        if (size == 0 && request.emptyInputStops) {
            input.stop = QStringLiteral("Input file is empty!");
            return input;
        }
    }
    if (whole) input.bytes = files.ReadAll(request.inputPath, size);
    else input.reader = files.OpenRead(request.inputPath);
    return input;
}

// The result kept in memory (Target::Memory).
class MemoryOutput final : public OutputStream {
public:
    explicit MemoryOutput(QByteArray& text) : text_(text) {}
    void Write(const char* data, qint64 size) override { text_.append(data, static_cast<qsizetype>(size)); }
    void Commit() override {}
    void Discard() noexcept override { text_.clear(); }

private:
    QByteArray& text_;
};

// Unix lines (ConversionRequest::LineEnds), piece by piece: CR LF becomes
// LF, also when a piece ends between the two, and a text that is not empty
// ends with a line end.
class UnixLines {
public:
    // The next piece converted; `last`: the text ends with it.
    QByteArray Convert(QByteArrayView piece, bool last) {
        QByteArray out;
        out.reserve(piece.size() + 2);
        for (const char c : piece) {
            if (pendingCR_ && c != '\n') out += '\r';
            pendingCR_ = c == '\r';
            if (!pendingCR_) out += c;
        }
        if (last && pendingCR_) out += '\r';
        if (!out.isEmpty()) last_ = out.back();
        if (last && last_ != '\0' && last_ != '\n') out += '\n';
        return out;
    }

private:
    bool pendingCR_ = false;
    char last_ = '\0';  // the last byte given out; NUL before the first
};

// The output, in one place: a streamed conversion opens it before it starts
// (refused at once when it cannot be written) and writes it piece by piece,
// a file output being replaced only at Commit; the whole page's conversion
// writes it whole at the end. Unix lines are applied here, on either way, to
// the classic text (readable text has its own line ends).
class Output {
public:
    Output(const ConversionRequest& request, FileSystem& files, ConversionOutcome& outcome)
        : request_(request), files_(files), outcome_(outcome) {}

    OutputStream& Open() {
        switch (request_.target) {
        case ConversionRequest::Target::File: stream_ = files_.OpenWrite(request_.outputPath); break;
        case ConversionRequest::Target::StandardOutput: stream_ = files_.OpenStandardOutput(); break;
        case ConversionRequest::Target::Memory: stream_ = std::make_unique<MemoryOutput>(outcome_.text); break;
        }
        return *stream_;
    }
    void Write(const char* data, qint64 size) {
        if (!unix_) return stream_->Write(data, size);
        Pass(lines_.Convert(QByteArrayView(data, size), false));
    }
    void Commit() {
        if (unix_) Pass(lines_.Convert({}, true));
        stream_->Commit();
    }
    void Discard() noexcept { stream_->Discard(); }

    void WriteWhole(QByteArray&& bytes) {
        if (unix_) bytes = lines_.Convert(bytes, true);
        switch (request_.target) {
        case ConversionRequest::Target::File: files_.WriteAll(request_.outputPath, bytes); break;
        case ConversionRequest::Target::StandardOutput: files_.WriteStandardOutput(bytes); break;
        case ConversionRequest::Target::Memory: outcome_.text = std::move(bytes); break;
        }
    }

private:
    void Pass(const QByteArray& bytes) {
        if (!bytes.isEmpty()) stream_->Write(bytes.constData(), bytes.size());
    }
    const ConversionRequest& request_;
    FileSystem& files_;
    ConversionOutcome& outcome_;
    const bool unix_ = request_.lineEnds == ConversionRequest::LineEnds::Unix && !request_.options.readable;
    UnixLines lines_;
    std::unique_ptr<OutputStream> stream_;
};

// The engine's failure, as the outcome tells it.
void FailedWith(const ConversionContext& context, ConversionOutcome& outcome) {
    outcome.result = ConversionOutcome::Result::Failed;
    for (const ErrorReport& report : context.Reports())
        outcome.errors.push_back(ErrorOf(QString::fromStdString(report.source), report.error));
    if (outcome.errors.empty())
        outcome.errors.push_back({QStringLiteral("ExtractText"), static_cast<int>(ErrorNumber::OutOfMemory),
                                  QString::fromLatin1(ErrorDescription(ErrorNumber::OutOfMemory))});
}

// Feeds the input to `stream` block by block, read straight into its
// buffer. With skipUtf8Bom, a UTF-8 byte-order mark at the very start is not
// part of the text (as in the whole page's conversion). Returns false when
// the stream failed.
template <class Stream>
bool FeedAll(Stream& stream, InputStream& reader, bool skipUtf8Bom, ConversionOutcome& outcome) {
    if (skipUtf8Bom) {
        unsigned char head[3];
        qint64 have = 0;
        while (have < 3) {
            const qint64 got = reader.Read(reinterpret_cast<char*>(head) + have, 3 - have);
            if (got <= 0) break;
            have += got;
        }
        outcome.bytesRead += have;
        const qint64 skip = have == 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
        if (have > skip && !stream.Feed(head + skip, static_cast<std::size_t>(have - skip))) return false;
        if (have < 3) return true;  // the input has ended (a terminal is not read again)
    }
    for (;;) {
        char* space = reinterpret_cast<char*>(stream.InputSpace(kReadBlock));
        const qint64 got = reader.Read(space, static_cast<qint64>(kReadBlock));
        if (got <= 0) return true;
        outcome.bytesRead += got;
        if (!stream.Commit(static_cast<std::size_t>(got))) return false;
    }
}

// Feeds a page in "auto" or a charset label to a UTF-8 stream: the
// encoding is decided from the first TextEncoding::kDetectBytes of the page
// (all of a page no longer than that, so that the decision is the one of
// the whole page's), then the bytes are decoded into UTF-8 piece by piece.
// Returns false when the stream failed.
template <class Stream>
bool FeedDecoded(Stream& stream, InputStream& reader, const QString& encoding,
                 ConversionOutcome& outcome) {
    // One byte more than is looked at tells that the page goes on.
    QByteArray block(TextEncoding::kDetectBytes + 1, Qt::Uninitialized);
    qint64 have = 0;
    bool ended = false;
    while (have < block.size()) {
        const qint64 got = reader.Read(block.data() + have, block.size() - have);
        if (got <= 0) {
            ended = true;  // a terminal is not read again
            break;
        }
        have += got;
    }
    outcome.bytesRead = have;
    const QByteArrayView start(block.constData(), have);
    const TextEncoding::Detection found = DecideEncoding(start, encoding, !ended);
    outcome.encodingUsed = {found.encoding, found.reason};
    TextEncoding::Utf8Decoder decoder(found.encoding);
    QByteArray utf8;
    const auto pass = [&](QByteArrayView bytes, bool last) {
        utf8.clear();
        decoder.Decode(bytes, last, utf8);
        return utf8.isEmpty() || stream.Feed(reinterpret_cast<const unsigned char*>(utf8.constData()),
                                             static_cast<std::size_t>(utf8.size()));
    };
    if (!pass(start.sliced(found.bomLength), ended)) return false;
    while (!ended) {
        const qint64 got = reader.Read(block.data(), static_cast<qint64>(kReadBlock));
        ended = got <= 0;
        if (!ended) outcome.bytesRead += got;
        if (!pass(QByteArrayView(block.constData(), ended ? 0 : got), ended)) return false;
    }
    return true;
}

// The readable-text engine as a stream of the job: fed as the classic
// streams are (FeedAll, FeedDecoded), its output handed to the same sink.
class ReadableStream {
public:
    using Sink = std::function<void(const unsigned char*, std::size_t)>;
    ReadableStream(const ReadableOptions& layout, ConversionContext* context, const Sink& sink)
        : converter_(layout, context, [sink](const char* data, std::size_t size) {
              sink(reinterpret_cast<const unsigned char*>(data), size);
          }) {}
    unsigned char* InputSpace(std::size_t size) {
        block_.resize(size);
        return block_.data();
    }
    bool Commit(std::size_t size) { return Feed(block_.data(), size); }
    bool Feed(const unsigned char* data, std::size_t size) {
        return converter_.Feed(reinterpret_cast<const char*>(data), size);
    }
    bool Finish() { return converter_.Finish(); }
    bool Failed() const { return converter_.Failed(); }

private:
    ReadableConverter converter_;
    std::vector<unsigned char> block_;
};

// The streamed conversion of the input opened for reading: reads, converts
// and writes block by block into the output opened before it.
//
// Every marker, comparison and replacement of the engine is ASCII, so the
// engine converts the bytes as they are read, and the output is the encoding
// of ExtractText's result for the decoded text. Each piece of result goes out
// as soon as nothing later in the input can change it (StreamExtractor.h), so
// memory stays bounded whatever the size of the input.
template <class Stream, class StreamOptions, class Feed>
void ConvertStreamed(const StreamOptions& options, std::unique_ptr<InputStream> reader, Output& output,
                     ConversionContext& context, ConversionOutcome& outcome, const Feed& feed) {
    Stream stream(options, &context, [&output](const unsigned char* data, std::size_t size) {
        output.Write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    });
    feed(stream, *reader);
    reader.reset();  // closed before the output may replace it (a file converted onto itself)
    stream.Finish();
    // After a failure what the engine wrote is not the page's text, so the
    // old output is kept.
    if (context.Failed() || stream.Failed()) {
        output.Discard();
        FailedWith(context, outcome);
        return;
    }
    output.Commit();
    outcome.result = ConversionOutcome::Result::Written;
}

}  // namespace

ConversionError ConversionError::FromCurrentException(const QString& source) {
    return ErrorOf(source, ErrorFromCurrentException());
}

QString ConversionError::Message() const {
    return source + QStringLiteral(": Error ") + QString::number(number) + QStringLiteral(": ") + description;
}

QString ConversionOutcome::Reason() const {
    if (result == Result::Stopped) return message;
    if (result == Result::Failed && !errors.empty()) return errors.front().Message();
    return {};
}

// Top to bottom: the plan, the input's checks and opening, the output, then
// the route's conversion.
ConversionOutcome ConvertOne(const ConversionRequest& request, FileSystem& files, const ConversionYield& yield) {
    ConversionOutcome outcome;
    try {
        const Plan plan = PlanFor(request);
        Input input = OpenInput(request, files, plan.route == Route::Whole);
        if (!input.stop.isEmpty()) {
            outcome.result = ConversionOutcome::Result::Stopped;
            outcome.message = input.stop;
            return outcome;
        }
        if (plan.route == Route::Readable && !IsUsableEncoding(request.encoding))
            throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        ConversionContext context(yield);
        Output output(request, files, outcome);

        if (plan.route == Route::Whole) {
            // The page in memory, converted in place where the encoding allows
            // (EncodedConversion.h): the buffer grows only when LF -> CR LF
            // needs the room, which ReadAll reserved, so growing never copies
            // the page. After a failure the engine's result is not the
            // page's text, so the old output is kept.
            outcome.bytesRead = input.bytes.size();
            Engine engine(plan.options, &context);
            outcome.encodingUsed = ConvertEncoded(engine, input.bytes, request.encoding);
            if (context.Failed()) {
                FailedWith(context, outcome);
                return outcome;
            }
            output.WriteWhole(std::move(input.bytes));
            outcome.result = ConversionOutcome::Result::Written;
            return outcome;
        }

        output.Open();
        switch (plan.route) {
        case Route::Readable:
            // UTF-8 goes to the engine as it is (it replaces what is not
            // UTF-8); any other encoding is decoded into UTF-8 first.
            ConvertStreamed<ReadableStream>(request.options.layout, std::move(input.reader), output, context, outcome,
                                            [&](ReadableStream& stream, InputStream& reader) {
                                                if (TextEncoding::ParseSetting(request.encoding) !=
                                                    TextEncoding::Setting::Utf8)
                                                    return FeedDecoded(stream, reader, request.encoding, outcome);
                                                outcome.encodingUsed = {QStringLiteral("UTF-8"),
                                                                        TextEncoding::Reason::Chosen};
                                                return FeedAll(stream, reader, true, outcome);
                                            });
            break;
        case Route::Decoded:
            ConvertStreamed<Utf8StreamExtractor>(plan.options, std::move(input.reader), output, context, outcome,
                                                 [&](Utf8StreamExtractor& stream, InputStream& reader) {
                                                     return FeedDecoded(stream, reader, request.encoding, outcome);
                                                 });
            break;
        case Route::Utf8:
            ConvertStreamed<Utf8StreamExtractor>(plan.options, std::move(input.reader), output, context, outcome,
                                                 [&](Utf8StreamExtractor& stream, InputStream& reader) {
                                                     return FeedAll(stream, reader, true, outcome);
                                                 });
            outcome.encodingUsed = {QStringLiteral("UTF-8"), TextEncoding::Reason::Chosen};
            break;
        case Route::Bytes:
        case Route::Whole:
            ConvertStreamed<ByteStreamExtractor>(plan.options, std::move(input.reader), output, context, outcome,
                                                 [&](ByteStreamExtractor& stream, InputStream& reader) {
                                                     return FeedAll(stream, reader, false, outcome);
                                                 });
            outcome.encodingUsed = {QStringLiteral("windows-1252"), TextEncoding::Reason::Chosen};
            break;
        }
    } catch (...) {
        outcome = {};
        outcome.result = ConversionOutcome::Result::Failed;
        try {
            outcome.errors.push_back(ConversionError::FromCurrentException(QStringLiteral("RemoveHTML")));
        } catch (...) {
            // Nothing is left to describe it with; the result still says Failed.
        }
    }
    return outcome;
}

}  // namespace tessark
