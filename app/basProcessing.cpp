#include "basProcessing.h"

#include <QByteArray>
#include <memory>

#include "EngineHooks.h"
#include "basMain.h"
#include "cTessarkStream.h"

namespace tessark::basProcessing {
namespace {

JobResult g_lastResult = JobResult::Stopped;
FileSystem* g_fileSystem = nullptr;
OutputStream* g_running = nullptr;

// The input is read in blocks of this size.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// Marks the output of the conversion under way, so that a shutdown during
// one of its yields can give it up (see AbandonRunningOutput).
class RunningOutput {
public:
    explicit RunningOutput(OutputStream& output) : previous_(g_running) { g_running = &output; }
    ~RunningOutput() { g_running = previous_; }
    RunningOutput(const RunningOutput&) = delete;
    RunningOutput& operator=(const RunningOutput&) = delete;

private:
    OutputStream* previous_;
};

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

    // Windows-1252 is single-byte and every marker, comparison and
    // replacement of the engine fits in it, so the engine converts the bytes
    // as they are read; the output is the encoding of ExtractText's result
    // for the decoded text. The file is read in blocks straight into the
    // stream's buffer, and each piece of result goes to the output as soon
    // as it is final; the output replaces the old file only at the end.
    std::unique_ptr<InputStream> reader = files.OpenRead(InputFile);
    if (!Engine) throw RuntimeError(91, "Object variable or With block variable not set");
    std::unique_ptr<OutputStream> writer = files.OpenWrite(OutputFile);
    const RunningOutput running(*writer);
    const std::int64_t reportsBefore = ErrorCount;
    ByteStreamExtractor stream(*Engine, [&writer](const unsigned char* data, std::size_t size) {
        writer->Write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    });
    for (;;) {
        char* space = reinterpret_cast<char*>(stream.InputSpace(kReadBlock));
        const qint64 got = reader->Read(space, static_cast<qint64>(kReadBlock));
        if (got <= 0) break;
        if (!stream.Commit(static_cast<std::size_t>(got))) break;
        // The window stays live also while input is only being gathered
        // (behind a marker that has not closed yet).
        if (!BatchMode) DoEvents();
    }
    reader.reset();  // closed before the output may replace it (a file converted onto itself)
    stream.Finish();
    // The engine has reported its failure itself; what it wrote then is not
    // the page's text, so the old output is kept.
    if (ErrorCount != reportsBefore || stream.Failed()) return JobResult::Failed;
    writer->Commit();

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

void AbandonRunningOutput() noexcept {
    if (g_running) g_running->Discard();
}

}  // namespace tessark::basProcessing
