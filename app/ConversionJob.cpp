#include "ConversionJob.h"

#include <cstring>
#include <optional>
#include <utility>

#include "EncodedConversion.h"
#include "EngineHooks.h"
#include "RuntimeError.h"
#include "TextEncoding.h"
#include "cTessark.h"
#include "cTessarkStream.h"

namespace tessark {
namespace {

ConversionError ErrorOf(const QString& source, const ErrorInfo& info) {
    return {source, info.number, QString::fromStdString(info.description)};
}

// The output of the conversion under way on this thread, for
// AbandonRunningOutput.
thread_local OutputStream* t_running = nullptr;

class RunningOutput {
public:
    explicit RunningOutput(OutputStream& output) : previous_(t_running) { t_running = &output; }
    ~RunningOutput() { t_running = previous_; }
    RunningOutput(const RunningOutput&) = delete;
    RunningOutput& operator=(const RunningOutput&) = delete;

private:
    OutputStream* previous_;
};

// The input is read in blocks of this size, straight into the stream's buffer.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// The checks before the input is read, in one place: the message of the
// check that stops the job, else empty with the file's size in `size`.
QString CheckInput(const ConversionRequest& request, const FileSystem& files, qint64& size) {
    if (!files.FindOrdinaryFile(request.inputPath)) {
        if (request.ordinaryFilesOnly || request.inputPath.isEmpty()) return QStringLiteral("Input file is missing");
        // Hidden, a pipe or a device: it is missing only when it does not exist.
        try {
            size = files.FileLen(request.inputPath);
        } catch (const RuntimeError& error) {
            if (error.number() == 53) return QStringLiteral("Input file is missing");
            throw;
        }
        return {};
    }
    size = files.FileLen(request.inputPath);
    if (size == 0 && request.emptyInputStops) return QStringLiteral("Input file is empty!");
    // A size of 0 may also be a special file that reports none: it is read.
    return {};
}

// The opening of the input, in one place. Null with `stopMessage` set means
// a check stopped the job.
std::unique_ptr<InputStream> OpenInput(const ConversionRequest& request, FileSystem& files, QString& stopMessage) {
    if (request.source == ConversionRequest::Source::StandardInput) return files.OpenStandardInput();
    qint64 size = 0;
    stopMessage = CheckInput(request, files, size);
    if (!stopMessage.isEmpty()) return {};
    return files.OpenRead(request.inputPath);
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

// Unix lines over another output, for the streamed conversions.
class UnixLinesOutput final : public OutputStream {
public:
    explicit UnixLinesOutput(std::unique_ptr<OutputStream> inner) : inner_(std::move(inner)) {}
    void Write(const char* data, qint64 size) override { Pass(lines_.Convert(QByteArrayView(data, size), false)); }
    void Commit() override {
        Pass(lines_.Convert({}, true));
        inner_->Commit();
    }
    void Discard() noexcept override { inner_->Discard(); }

private:
    void Pass(const QByteArray& bytes) {
        if (!bytes.isEmpty()) inner_->Write(bytes.constData(), bytes.size());
    }
    std::unique_ptr<OutputStream> inner_;
    UnixLines lines_;
};

// The opening of the output, in one place.
std::unique_ptr<OutputStream> OpenOutput(const ConversionRequest& request, FileSystem& files,
                                         ConversionOutcome& outcome) {
    std::unique_ptr<OutputStream> output;
    switch (request.target) {
    case ConversionRequest::Target::File: output = files.OpenWrite(request.outputPath); break;
    case ConversionRequest::Target::StandardOutput: output = files.OpenStandardOutput(); break;
    case ConversionRequest::Target::Memory: output = std::make_unique<MemoryOutput>(outcome.text); break;
    }
    if (request.lineEnds == ConversionRequest::LineEnds::Unix)
        output = std::make_unique<UnixLinesOutput>(std::move(output));
    return output;
}

// The reading of the whole input, in one place: returns the whole input,
// with room for the result to grow up to twice its size without moving
// (every unit an LF that becomes CR LF). A null array with `stopMessage` set
// means a check stopped the job.
QByteArray ReadInput(const ConversionRequest& request, FileSystem& files, QString& stopMessage) {
    if (request.source == ConversionRequest::Source::StandardInput) return files.ReadStandardInput();
    qint64 size = 0;
    stopMessage = CheckInput(request, files, size);
    if (!stopMessage.isEmpty()) return {};
    return files.ReadAll(request.inputPath, size);
}

// The writing of the whole output, in one place.
void WriteOutput(const ConversionRequest& request, FileSystem& files, QByteArray&& bytes,
                 ConversionOutcome& outcome) {
    if (request.lineEnds == ConversionRequest::LineEnds::Unix) bytes = UnixLines().Convert(bytes, true);
    switch (request.target) {
    case ConversionRequest::Target::File: files.WriteAll(request.outputPath, bytes); break;
    case ConversionRequest::Target::StandardOutput: files.WriteStandardOutput(bytes); break;
    case ConversionRequest::Target::Memory: outcome.text = std::move(bytes); break;
    }
}

// The engine's failure, as the outcome tells it.
void FailedWith(const ConversionContext& context, ConversionOutcome& outcome) {
    outcome.result = ConversionOutcome::Result::Failed;
    for (const ErrorReport& report : context.Reports())
        outcome.errors.push_back(ErrorOf(QString::fromStdString(report.source), report.error));
    if (outcome.errors.empty()) outcome.errors.push_back({QStringLiteral("ExtractText"), 7, QStringLiteral("Out of memory")});
}

// How a page is converted: streamed as Windows-1252 bytes, or as UTF-8
// bytes as they are (utf-8 chosen), or streamed after decoding into UTF-8
// ("auto" or a charset label), each with none of the readable-text options,
// whose steps the stream does not carry; else whole (ConvertWhole), as is a
// page with an encoding that cannot be used (it fails there).
enum class Path { Bytes, Utf8, Decoded, Whole };

Path ChoosePath(const EngineOptions& options, const QString& encoding) {
    if (options.AnyReadable()) return Path::Whole;
    const std::optional<TextEncoding::Setting> setting = TextEncoding::ParseSetting(encoding);
    if (setting == TextEncoding::Setting::Windows1252) return Path::Bytes;
    if (setting == TextEncoding::Setting::Utf8) return Path::Utf8;
    return IsUsableEncoding(encoding) ? Path::Decoded : Path::Whole;
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

// Feeds a page in "auto" or a charset label to the UTF-8 stream: the
// encoding is decided from the first TextEncoding::kDetectBytes of the page
// (all of a page no longer than that, so that the decision is the one of
// ConvertWhole), then the bytes are decoded into UTF-8 piece by piece.
// Returns false when the stream failed.
bool FeedDecoded(Utf8StreamExtractor& stream, InputStream& reader, const QString& encoding,
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

// The streamed conversion: reads, converts and writes block by block; `feed`
// gives the stream the input.
template <class Stream, class Feed>
void ConvertStreamed(const EngineOptions& options, std::unique_ptr<InputStream> reader, OutputStream& writer,
                     const ConversionYield& yield, ConversionOutcome& outcome, const Feed& feed) {
    // Every marker, comparison and replacement of the engine is ASCII, so
    // the engine converts the bytes as they are read, and the output is the
    // encoding of ExtractText's result for the decoded text. Each piece of
    // result goes out as soon as nothing later in the input can change it
    // (cTessarkStream.h), so memory stays bounded whatever the size of the
    // input.
    ConversionContext context(yield);
    Stream stream(options, &context, [&writer](const unsigned char* data, std::size_t size) {
        writer.Write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    });
    feed(stream, *reader);
    reader.reset();  // closed before the output may replace it (a file converted onto itself)
    stream.Finish();
    // After a failure what the engine wrote is not the page's text, so the
    // old output is kept.
    if (context.Failed() || stream.Failed()) {
        writer.Discard();
        FailedWith(context, outcome);
        return;
    }
    writer.Commit();
    outcome.result = ConversionOutcome::Result::Written;
}

// The conversion of the whole page in memory. With "windows-1252" the
// engine converts the bytes in place (every marker, comparison and
// replacement of the engine fits in that single-byte code page, and the
// output is the encoding of ExtractText's result for the decoded text); with
// "utf-8" too, over UTF-8. The buffer grows only when LF -> CR LF needs the
// room, which ReadAll reserved, so growing never copies the page. Other
// encodings are decoded first (EncodedConversion.h).
void ConvertWhole(const EngineOptions& options, const ConversionRequest& request, FileSystem& files,
                  const ConversionYield& yield, ConversionOutcome& outcome) {
    QString stopMessage;
    QByteArray bytes = ReadInput(request, files, stopMessage);
    if (!stopMessage.isEmpty()) {
        outcome.result = ConversionOutcome::Result::Stopped;
        outcome.message = stopMessage;
        return;
    }
    outcome.bytesRead = bytes.size();
    ConversionContext context(yield);
    cTessark engine(options, &context);
    outcome.encodingUsed = ConvertEncoded(engine, bytes, request.encoding);
    // After a failure the engine's result is not the page's text, so the
    // old output is kept.
    if (context.Failed()) {
        FailedWith(context, outcome);
        return;
    }
    WriteOutput(request, files, std::move(bytes), outcome);
    outcome.result = ConversionOutcome::Result::Written;
}

}  // namespace

void AbandonRunningOutput() noexcept {
    if (t_running) t_running->Discard();
}

QString ConversionError::Message() const {
    return source + QStringLiteral(": Error ") + QString::number(number) + QStringLiteral(": ") + description;
}

QString ConversionOutcome::Reason() const {
    if (result == Result::Stopped) return message;
    if (result == Result::Failed && !errors.empty()) return errors.front().Message();
    return {};
}

ConversionOutcome ConvertOne(const ConversionRequest& request, FileSystem& files, const ConversionYield& yield) {
    ConversionOutcome outcome;
    try {
        EngineOptions options;
        request.options.ApplyTo(options);
        const Path path = ChoosePath(options, request.encoding);
        if (path == Path::Whole) {
            ConvertWhole(options, request, files, yield, outcome);
            return outcome;
        }

        QString stopMessage;
        std::unique_ptr<InputStream> reader = OpenInput(request, files, stopMessage);
        if (!stopMessage.isEmpty()) {
            outcome.result = ConversionOutcome::Result::Stopped;
            outcome.message = stopMessage;
            return outcome;
        }
        // The output is opened (and refused, when it cannot be written)
        // before the conversion starts; a file output is replaced only at
        // Commit.
        std::unique_ptr<OutputStream> writer = OpenOutput(request, files, outcome);
        const RunningOutput running(*writer);
        switch (path) {
        case Path::Decoded:
            ConvertStreamed<Utf8StreamExtractor>(
                options, std::move(reader), *writer, yield, outcome,
                [&](Utf8StreamExtractor& stream, InputStream& input) {
                    return FeedDecoded(stream, input, request.encoding, outcome);
                });
            break;
        case Path::Utf8:
            ConvertStreamed<Utf8StreamExtractor>(options, std::move(reader), *writer, yield,
                                                 outcome, [&](Utf8StreamExtractor& stream, InputStream& input) {
                                                     return FeedAll(stream, input, true, outcome);
                                                 });
            outcome.encodingUsed = {QStringLiteral("UTF-8"), TextEncoding::Reason::Chosen};
            break;
        case Path::Bytes:
        case Path::Whole:
            ConvertStreamed<ByteStreamExtractor>(options, std::move(reader), *writer, yield,
                                                 outcome, [&](ByteStreamExtractor& stream, InputStream& input) {
                                                     return FeedAll(stream, input, false, outcome);
                                                 });
            outcome.encodingUsed = {QStringLiteral("windows-1252"), TextEncoding::Reason::Chosen};
            break;
        }
    } catch (...) {
        const ErrorInfo error = ErrorFromCurrentException();
        outcome = {};
        outcome.result = ConversionOutcome::Result::Failed;
        try {
            outcome.errors.push_back(ErrorOf(QStringLiteral("RemoveHTML"), error));
        } catch (...) {
            // Nothing is left to describe it with; the result still says Failed.
        }
    }
    return outcome;
}

}  // namespace tessark
