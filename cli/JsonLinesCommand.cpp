// tessark --jsonl: JSON Lines in, JSON Lines out (RecordCommands.h). The
// inputs are read in order by this thread, cut into batches of whole lines
// (records/JsonLines.h), converted on run.jobs threads and written, with
// each batch's line errors, in input order.
#include <algorithm>
#include <deque>
#include <future>
#include <optional>
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

// One input's counts, for -v.
struct Counts {
    std::uint64_t lines = 0, converted = 0, errors = 0;
};

// Writes the batches of one input in order, converting them on up to
// `jobs` threads; at most twice that many batches are held at once.
class Pipeline {
public:
    Pipeline(const RecordRun& run, RecordOutput& output, const QString& shown)
        : run_(run), output_(output), shown_(shown), options_(OptionsOf(run)) {}

    void Add(records::LineBatch batch) {
        const std::size_t jobs = static_cast<std::size_t>(std::max(1, run_.jobs));
        if (jobs == 1) {
            if (!inline_) inline_.emplace(options_);
            Write(inline_->Convert(batch));
            return;
        }
        while (pending_.size() >= 2 * jobs) WriteFront();
        pending_.push_back(std::async(std::launch::async, [this, b = std::move(batch)] {
            records::JsonLineConverter converter(options_);
            return converter.Convert(b);
        }));
    }
    void Finish() {
        while (!pending_.empty()) WriteFront();
    }
    // A failure leaves nothing running behind.
    ~Pipeline() {
        for (auto& future : pending_) future.wait();
    }
    const Counts& Done() const { return counts_; }

private:
    void WriteFront() {
        records::BatchResult result = pending_.front().get();
        pending_.pop_front();
        Write(result);
    }
    void Write(const records::BatchResult& result) {
        output_.Write(result.out);
        for (const records::LineError& error : result.errors)
            RecordError(shown_ + u':' + QString::number(error.line), QString::fromStdString(error.why));
        counts_.lines += result.lines;
        counts_.converted += result.converted;
        counts_.errors += result.errors.size();
    }

    const RecordRun& run_;
    RecordOutput& output_;
    const QString& shown_;
    records::JsonLineOptions options_;
    std::optional<records::JsonLineConverter> inline_;
    std::deque<std::future<records::BatchResult>> pending_;
    Counts counts_;
};

// One input converted onto the output; false when any line or the input
// itself failed. Throws what the output throws.
bool ConvertInput(const RecordRun& run, FileSystem& disk, const QString& input, RecordOutput& output) {
    const bool standard = input == QLatin1String("-");
    const QString shown = standard ? QStringLiteral("(standard input)") : input;
    if (standard && run.inputClosed) {
        RecordError(shown, QStringLiteral("standard input is closed"));
        return false;
    }
    std::unique_ptr<InputStream> reader;
    try {
        reader = OpenRecordInput(disk, input);
    } catch (...) {
        RecordError(shown, CurrentErrorText());
        return false;
    }
    Pipeline pipeline(run, output, shown);
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
        for (records::LineBatch& batch : ready) pipeline.Add(std::move(batch));
        ready.clear();
    }
    pipeline.Finish();
    const Counts& counts = pipeline.Done();
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
    if (standardOut && run.outputClosed) {
        RecordError(QStringLiteral("tessark"), QStringLiteral("standard output is closed"));
        return 1;
    }
    if (OutputIsAnInput(run)) return 1;
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
