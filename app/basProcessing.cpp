#include "basProcessing.h"

#include <QDir>
#include <QFileInfo>

#include "ConversionJob.h"
#include "EngineHooks.h"
#include "basMain.h"

namespace tessark::basProcessing {
namespace {

JobResult g_lastResult = JobResult::Stopped;
FileSystem* g_fileSystem = nullptr;

FileSystem& Files() {
    static DiskFileSystem disk;
    return g_fileSystem ? *g_fileSystem : disk;
}

// A message of the job: a box in interactive mode, the batch note otherwise.
void Tell(const QString& text) {
    if (basMain::BatchMode)
        basMain::Messages().Note(text);
    else
        basMain::Messages().Show(text);
}

void Report(const ConversionError& error) {
    basMain::Err.Number = error.number;
    basMain::Err.Description = error.description;
    basMain::ReportError(error.source);
}

JobResult Run() {
    using namespace basMain;
    if (InputFile.isEmpty()) {
        Tell(QStringLiteral("You have not selected the input file."));
        return JobResult::Stopped;
    }
    if (OutputFile.isEmpty()) {
        Tell(QStringLiteral("You have not selected the output file."));
        return JobResult::Stopped;
    }
    FileSystem& files = Files();
    if (!files.FindOrdinaryFile(InputFile)) {
        Tell(QStringLiteral("Input file is missing"));
        // A relative path was taken from the program's folder, which is
        // easily forgotten: say where the file was looked for.
        if (BatchMode)
            Messages().Note(QStringLiteral("(looked for %1)")
                                .arg(QDir::toNativeSeparators(QFileInfo(InputFile).absoluteFilePath())));
        return JobResult::Stopped;
    }
    if (!BatchMode && files.FindOrdinaryFile(OutputFile) &&
        !Messages().AskOkCancel(QStringLiteral("Output file already exists, overwrite?")))
        return JobResult::Stopped;

    ApplyOptions();

    ConversionRequest request;
    request.inputPath = InputFile;
    request.outputPath = OutputFile;
    request.options = CheckedOptions();
    request.encoding = TextEncoding::SettingText(EncodingOption());
    const ConversionOutcome outcome = ConvertOne(request, files, [] { basMain::DoEvents(); });
    switch (outcome.result) {
    case ConversionOutcome::Result::Written:
        if (!BatchMode) Messages().Show(QStringLiteral("Done"));
        return JobResult::Written;
    case ConversionOutcome::Result::Stopped:
        Tell(outcome.message);
        return JobResult::Stopped;
    case ConversionOutcome::Result::Failed:
        for (const ConversionError& error : outcome.errors) Report(error);
        return JobResult::Failed;
    }
    return JobResult::Failed;
}

}  // namespace

JobResult RemoveHTML() {
    JobResult result = JobResult::Failed;
    try {
        result = Run();
    } catch (...) {
        const ErrorInfo error = ErrorFromCurrentException();
        Report({QStringLiteral("RemoveHTML"), error.number, QString::fromStdString(error.description)});
        result = JobResult::Failed;
    }
    g_lastResult = result;
    return result;
}

JobResult LastResult() { return g_lastResult; }

void SetFileSystem(FileSystem* fileSystem) { g_fileSystem = fileSystem; }

}  // namespace tessark::basProcessing
