#include "ClassicJob.h"

#include <QDir>
#include <QFileInfo>

#include "ConversionJob.h"

namespace tessark::classic {
namespace {

// Thrown by the job's yield when the caller's yield asks to stop; the engine
// takes it as a failure, so that the output is discarded.
struct StopRequested {};

// A message of the job: a box for the window, the batch note otherwise.
void Tell(const JobRequest& request, MessageSink& messages, const QString& text) {
    if (request.batch)
        messages.Note(text);
    else
        messages.Show(text);
}

void Report(const JobRequest& request, MessageSink& messages, const std::vector<ConversionError>& errors) {
    for (const ConversionError& error : errors) Tell(request, messages, error.Message());
}

JobResult Run(const JobRequest& request, FileSystem& files, MessageSink& messages, const JobYield& yield) {
    if (request.inputFile.isEmpty()) {
        Tell(request, messages, QStringLiteral("You have not selected the input file."));
        return JobResult::Stopped;
    }
    if (request.outputFile.isEmpty()) {
        Tell(request, messages, QStringLiteral("You have not selected the output file."));
        return JobResult::Stopped;
    }
    if (!files.FindOrdinaryFile(request.inputFile)) {
        Tell(request, messages, QStringLiteral("Input file is missing"));
        // A relative path was taken from the program's folder, which is
        // easily forgotten: say where the file was looked for.
        if (request.batch)
            messages.Note(QStringLiteral("(looked for %1)")
                              .arg(QDir::toNativeSeparators(QFileInfo(request.inputFile).absoluteFilePath())));
        return JobResult::Stopped;
    }
    if (!request.batch && files.FindOrdinaryFile(request.outputFile) &&
        !messages.AskOkCancel(QStringLiteral("Output file already exists, overwrite?")))
        return JobResult::Stopped;

    ConversionRequest conversion;
    conversion.inputPath = request.inputFile;
    conversion.outputPath = request.outputFile;
    conversion.options = request.options;
    conversion.encoding = TextEncoding::SettingText(request.encoding);
    bool stopped = false;
    ConversionYield engineYield;
    if (yield)
        engineYield = [&stopped, &yield] {
            stopped = stopped || !yield();
            if (stopped) throw StopRequested();
        };
    const ConversionOutcome outcome = ConvertOne(conversion, files, engineYield);
    if (stopped) return JobResult::Stopped;
    switch (outcome.result) {
    case ConversionOutcome::Result::Written:
        if (!request.batch) messages.Show(QStringLiteral("Done"));
        return JobResult::Written;
    case ConversionOutcome::Result::Stopped:
        Tell(request, messages, outcome.message);
        return JobResult::Stopped;
    case ConversionOutcome::Result::Failed:
        Report(request, messages, outcome.errors);
        return JobResult::Failed;
    }
    return JobResult::Failed;
}

}  // namespace

JobResult RemoveHTML(const JobRequest& request, FileSystem& files, MessageSink& messages, const JobYield& yield) {
    try {
        return Run(request, files, messages, yield);
    } catch (...) {
        Report(request, messages, {ConversionError::FromCurrentException(QStringLiteral("RemoveHTML"))});
        return JobResult::Failed;
    }
}

}  // namespace tessark::classic
