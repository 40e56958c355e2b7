#include "ConversionJob.h"

#include <optional>
#include <utility>
#include <vector>

#include "EncodedConversion.h"
#include "ConversionContext.h"
#include "RuntimeError.h"
#include "TextEncoding.h"
#include "ClassicEngine.h"
#include "PageStream.h"

namespace tessark {
namespace {

ConversionError ErrorOf(const QString& source, const ErrorInfo& info) {
    return {source, info.number, QString::fromStdString(info.description)};
}

// The input is read in blocks of this size, straight into the stream's buffer.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;


// The input, checked and opened once for reading in blocks. `stop` is the
// message of the check that stops the job, else empty.
struct Input {
    QString stop;
    std::unique_ptr<InputStream> reader;
};

Input OpenInput(const ConversionRequest& request, FileSystem& files) {
    Input input;
    if (request.source == ConversionRequest::Source::StandardInput) {
        input.reader = files.OpenStandardInput();
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
    input.reader = files.OpenRead(request.inputPath);
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

// The output, in one place: opened before the conversion starts (refused at
// once when it cannot be written) and written piece by piece, a file output
// being replaced only at Commit. Unix lines are applied here to the classic
// text (readable text has its own line ends).
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
    try {
        for (;;) {
            char* space = stream.InputSpace(kReadBlock);
            const qint64 got = reader->Read(space, static_cast<qint64>(kReadBlock));
            if (got <= 0) break;
            outcome.bytesRead += got;
            if (!stream.Commit(static_cast<std::size_t>(got))) break;
            // Once per block also here: the stream may only have held it
            // (the start of a page whose encoding is being decided).
            context.Yield();
        }
    } catch (...) {
        output.Discard();
        throw;
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

// How a request is converted, decided once before anything is read: the
// options of the page stream (PageStream.h, the library's core, whose routes
// are the program's).
PageOptions PlanFor(const ConversionRequest& request) {
    PageOptions page;
    page.readable = request.options.readable;
    page.layout = request.options.layout;
    request.options.ApplyTo(page.classic);
    page.encoding = EncodingName(request.encoding);
    return page;
}

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
        const PageOptions page = PlanFor(request);
        Input input = OpenInput(request, files);
        if (!input.stop.isEmpty()) {
            outcome.result = ConversionOutcome::Result::Stopped;
            outcome.message = input.stop;
            return outcome;
        }
        if (!encoding::IsUsableEncoding(page.encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        ConversionContext context(yield);
        Output output(request, files, outcome);
        output.Open();
        ConvertStreamed(page, std::move(input.reader), output, context, outcome);
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
