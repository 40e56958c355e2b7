#include "ConversionJob.h"

#include <utility>

#include "EngineHooks.h"
#include "cTessark.h"

namespace tessark {
namespace {

ConversionError ErrorOf(const QString& source, const ErrorInfo& info) {
    return {source, info.number, QString::fromStdString(info.description)};
}

// The reading of the input, in one place: returns the whole input, with room
// for the result to grow up to twice its size without moving (every unit an
// LF that becomes CR LF). A null array with `stopMessage` set means a check
// stopped the job.
QByteArray ReadInput(const ConversionRequest& request, FileSystem& files, QString& stopMessage) {
    if (request.source == ConversionRequest::Source::StandardInput) return files.ReadStandardInput();
    if (!files.FindOrdinaryFile(request.inputPath)) {
        stopMessage = QStringLiteral("Input file is missing");
        return {};
    }
    const qint64 size = files.FileLen(request.inputPath);
    if (size == 0 && request.emptyInputStops) {
        stopMessage = QStringLiteral("Input file is empty!");
        return {};
    }
    // A size of 0 may also be a special file that reports none: read it.
    return files.ReadAll(request.inputPath, size);
}

// The writing of the output, in one place.
void WriteOutput(const ConversionRequest& request, FileSystem& files, QByteArray&& bytes,
                 ConversionOutcome& outcome) {
    switch (request.target) {
    case ConversionRequest::Target::File: files.WriteAll(request.outputPath, bytes); break;
    case ConversionRequest::Target::StandardOutput: files.WriteStandardOutput(bytes); break;
    case ConversionRequest::Target::Memory: outcome.text = std::move(bytes); break;
    }
}

}  // namespace

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
        QString stopMessage;
        QByteArray bytes = ReadInput(request, files, stopMessage);
        if (!stopMessage.isEmpty()) {
            outcome.result = ConversionOutcome::Result::Stopped;
            outcome.message = stopMessage;
            return outcome;
        }
        outcome.bytesRead = bytes.size();

        // Windows-1252 is single-byte and every marker, comparison and
        // replacement of the engine fits in it, so the engine converts the
        // bytes in place; the output is the encoding of ExtractText's result
        // for the decoded text. The buffer grows only when LF -> CR LF needs
        // the room, which ReadAll reserved, so growing never copies the page.
        cTessark engine;
        request.options.ApplyTo(engine);
        ConversionContext context(yield);
        const std::size_t length = engine.ExtractBytes(
            reinterpret_cast<unsigned char*>(bytes.data()), static_cast<std::size_t>(bytes.size()),
            [&bytes](std::size_t size) {
                bytes.resize(static_cast<qsizetype>(size));
                return reinterpret_cast<unsigned char*>(bytes.data());
            });
        // After a failure the engine's result is not the page's text, so the
        // old output is kept.
        if (context.Failed()) {
            outcome.result = ConversionOutcome::Result::Failed;
            for (const ErrorReport& report : context.Reports())
                outcome.errors.push_back(ErrorOf(QString::fromStdString(report.source), report.error));
            if (outcome.errors.empty()) outcome.errors.push_back({QStringLiteral("ExtractText"), 7, QStringLiteral("Out of memory")});
            return outcome;
        }
        bytes.truncate(static_cast<qsizetype>(length));
        WriteOutput(request, files, std::move(bytes), outcome);
        outcome.result = ConversionOutcome::Result::Written;
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
