#include "basProcessing.h"

#include <QByteArray>

#include "EncodedConversion.h"
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
        return JobResult::Stopped;
    }
    if (!BatchMode && files.FindOrdinaryFile(OutputFile) &&
        !Messages().AskOkCancel(QStringLiteral("Output file already exists, overwrite?")))
        return JobResult::Stopped;

    ApplyOptions();

    const qint64 inputSize = files.FileLen(InputFile);
    if (inputSize == 0) {
        Tell(QStringLiteral("Input file is empty!"));
        return JobResult::Stopped;
    }

    // With the classic setting, Windows-1252: it is single-byte and every
    // marker, comparison and replacement of the engine fits in it, so the
    // engine converts the bytes in place; the output is the encoding of
    // ExtractText's result for the decoded text. The buffer grows only when
    // LF -> CR LF needs the room, and then to at most twice the input (every
    // unit an LF), which is reserved up front so that growing never copies
    // the page. The other settings: see EncodedConversion.h.
    QByteArray bytes = files.ReadAll(InputFile, inputSize);
    if (!Engine) throw RuntimeError(91, "Object variable or With block variable not set");
    const std::int64_t reportsBefore = ErrorCount;
    ConvertEncoded(*Engine, bytes, TextEncoding::SettingText(EncodingOption()));
    // The engine has reported its failure itself; what it returns then is
    // not the page's text, so the old output is kept.
    if (ErrorCount != reportsBefore) return JobResult::Failed;
    files.WriteAll(OutputFile, bytes);

    if (!BatchMode) Messages().Show(QStringLiteral("Done"));
    return JobResult::Written;
}

}  // namespace

JobResult RemoveHTML() {
    JobResult result = JobResult::Failed;
    try {
        result = Run();
    } catch (...) {
        const ErrorInfo error = ErrorFromCurrentException();
        basMain::Err.Number = error.number;
        basMain::Err.Description = QString::fromStdString(error.description);
        basMain::ReportError(QStringLiteral("RemoveHTML"));
        result = JobResult::Failed;
    }
    g_lastResult = result;
    return result;
}

JobResult LastResult() { return g_lastResult; }

void SetFileSystem(FileSystem* fileSystem) { g_fileSystem = fileSystem; }

}  // namespace tessark::basProcessing
