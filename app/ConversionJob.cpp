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
#include "PageStream.h"

namespace tessark {
namespace {

ConversionError ErrorOf(const QString& source, const ErrorInfo& info) {
    return {source, info.number, QString::fromStdString(info.description)};
}

// The input is read in blocks of this size, straight into the stream's buffer.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// How a request is converted, decided once before anything is read: the
// options of the page stream (PageStream.h, the library's core, whose routes
// are the program's) and whether the page goes whole: a classic page with
// DecodeAllReferences, whose step the stream does not carry, or with an
// encoding that cannot be used (it fails there, after the input's checks).
struct Plan {
    PageOptions page;
    bool whole = false;
};

Plan PlanFor(const ConversionRequest& request) {
    Plan plan;
    plan.page.readable = request.options.readable;
    plan.page.layout = request.options.layout;
    request.options.ApplyTo(plan.page.classic);
    plan.page.encoding = EncodingName(request.encoding);
    plan.whole = RouteFor(plan.page) == PageRoute::Whole ||
                 (!plan.page.readable && !encoding::IsUsableEncoding(plan.page.encoding));
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
        Pass(lines_.Convert(std::string_view(data, static_cast<std::size_t>(size)), false));
    }
    void Commit() {
        if (unix_) Pass(lines_.Convert({}, true));
        stream_->Commit();
    }
    void Discard() noexcept { stream_->Discard(); }

    void WriteWhole(QByteArray&& bytes) {
        if (unix_) {
            const std::string converted = lines_.Convert(TextEncoding::View(bytes), true);
            bytes = QByteArray(converted.data(), static_cast<qsizetype>(converted.size()));
        }
        switch (request_.target) {
        case ConversionRequest::Target::File: files_.WriteAll(request_.outputPath, bytes); break;
        case ConversionRequest::Target::StandardOutput: files_.WriteStandardOutput(bytes); break;
        case ConversionRequest::Target::Memory: outcome_.text = std::move(bytes); break;
        }
    }

private:
    void Pass(const std::string& bytes) {
        if (!bytes.empty()) stream_->Write(bytes.data(), static_cast<qint64>(bytes.size()));
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

// The streamed conversion of the input opened for reading: reads it block
// by block straight into the page stream's buffer, which converts it and
// hands each piece of result to the output opened before it as soon as
// nothing later in the input can change it (PageStream.h), so memory stays
// bounded whatever the size of the input. Reading stops at the end of the
// input (a terminal is not read again) or when the stream has failed.
void ConvertStreamed(const PageOptions& page, std::unique_ptr<InputStream> reader, Output& output,
                     ConversionContext& context, ConversionOutcome& outcome) {
    PageStream stream(page, &context, [&output](const char* data, std::size_t size) {
        output.Write(data, static_cast<qint64>(size));
    });
    for (;;) {
        char* space = stream.InputSpace(kReadBlock);
        const qint64 got = reader->Read(space, static_cast<qint64>(kReadBlock));
        if (got <= 0) break;
        outcome.bytesRead += got;
        if (!stream.Commit(static_cast<std::size_t>(got))) break;
    }
    reader.reset();  // closed before the output may replace it (a file converted onto itself)
    stream.Finish();
    outcome.encodingUsed = UsedOf(stream.Used());
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
        Input input = OpenInput(request, files, plan.whole);
        if (!input.stop.isEmpty()) {
            outcome.result = ConversionOutcome::Result::Stopped;
            outcome.message = input.stop;
            return outcome;
        }
        if (!plan.whole && !encoding::IsUsableEncoding(plan.page.encoding))
            throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        ConversionContext context(yield);
        Output output(request, files, outcome);

        if (plan.whole) {
            // The page in memory, converted in place where the encoding allows
            // (EncodedConversion.h): the buffer grows only when LF -> CR LF
            // needs the room, which ReadAll reserved, so growing never copies
            // the page. After a failure the engine's result is not the
            // page's text, so the old output is kept.
            outcome.bytesRead = input.bytes.size();
            Engine engine(plan.page.classic, &context);
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
        ConvertStreamed(plan.page, std::move(input.reader), output, context, outcome);
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
