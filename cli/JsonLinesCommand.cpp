// tessark --jsonl: JSON Lines in, JSON Lines out (RecordCommands.h). The
// inputs are read in order by this thread, cut into batches of whole lines
// (records/JsonLines.h), converted on run.jobs threads and written, with
// each batch's line errors, in input order (InOrder).
#include <mutex>
#include <vector>

#include "ConversionJob.h"
#include "FileSystem.h"
#include "PageStream.h"
#include "RecordCommands.h"
#include "records/JsonLines.h"

namespace tessark::cli {
namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

records::JsonLineOptions OptionsOf(const RecordRun& run) {
    records::JsonLineOptions options;
    options.page = PageOptionsFor(run.options, QStringLiteral("utf-8"));
    options.htmlField = run.htmlField;
    options.textField = run.textField;
    options.unixLines = !run.options.layout.crlf;
    return options;
}

// Converters kept from batch to batch, so that each keeps its parser's
// buffers: one is taken for a batch and given back after it. Thread-safe.
class Converters {
public:
    explicit Converters(records::JsonLineOptions options) : options_(std::move(options)) {}
    records::BatchResult Convert(const records::LineBatch& batch) {
        std::unique_ptr<records::JsonLineConverter> converter;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                converter = std::move(idle_.back());
                idle_.pop_back();
            }
        }
        if (!converter) converter = std::make_unique<records::JsonLineConverter>(options_);
        records::BatchResult result = converter->Convert(batch);
        const std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(converter));
        return result;
    }

private:
    const records::JsonLineOptions options_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<records::JsonLineConverter>> idle_;
};

// One input's counts, for -v.
struct Counts {
    std::uint64_t lines = 0, converted = 0, errors = 0;
};

// One input converted onto the output; false when any line or the input
// itself failed. Throws what the output throws.
bool ConvertInput(const RecordRun& run, FileSystem& disk, const QString& input, RecordOutput& output) {
    const QString shown = ShownInput(input);
    const std::unique_ptr<InputStream> reader = OpenRecordInput(run, disk, input);
    if (!reader) return false;
    Converters converters(OptionsOf(run));
    Counts counts;
    InOrder<records::BatchResult> converted(run.jobs, [&](const records::BatchResult& result) {
        output.Write(result.out);
        for (const records::LineError& error : result.errors)
            RecordError(shown + u':' + QString::number(error.line), QString::fromStdString(error.why));
        counts.lines += result.lines;
        counts.converted += result.converted;
        counts.errors += result.errors.size();
    });
    records::LineBatcher batcher;
    std::vector<records::LineBatch> ready;
    std::string block(kReadBlock, '\0');
    bool readOk = true;
    for (qint64 got = 1; got > 0;) {
        try {
            got = reader->Read(block.data(), static_cast<qint64>(block.size()));
        } catch (...) {
            // What was read is still converted; the input counts as failed.
            RecordError(shown, CurrentErrorText());
            readOk = false;
            got = 0;
        }
        if (got > 0)
            batcher.Feed(std::string_view(block.data(), static_cast<std::size_t>(got)), ready);
        else
            batcher.Finish(ready);
        for (records::LineBatch& batch : ready)
            converted.Add([b = std::move(batch), &converters] { return converters.Convert(b); });
        ready.clear();
    }
    converted.Finish();
    if (run.verbose)
        RecordError(shown, QStringLiteral("%1 lines, %2 converted, %3 errors")
                               .arg(counts.lines)
                               .arg(counts.converted)
                               .arg(counts.errors));
    return readOk && counts.errors == 0;
}

}  // namespace

int RunJsonLines(const RecordRun& run, FileSystem& disk) {
    const bool standardOut = run.output.isEmpty() || run.output == QLatin1String("-");
    bool allOk = true;
    try {
        RecordOutput output(disk, run.output);
        for (const QString& input : run.inputs) allOk = ConvertInput(run, disk, input, output) && allOk;
        output.Commit();
    } catch (...) {
        RecordError(standardOut ? QStringLiteral("(standard output)") : run.output, CurrentErrorText());
        return 1;
    }
    return allOk ? 0 : 1;
}

}  // namespace tessark::cli
