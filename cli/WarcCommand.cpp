// tessark --warc: the pages of web archives as WET or JSON Lines records.
// One thread reads and takes the archives apart (decompression is serial);
// pages are converted in batches on the pool (-j) and written in the order
// they were read.
#include <QFileInfo>
#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <deque>

#include "ConversionJob.h"
#include "FileSystem.h"
#include "ModernCommandLine.h"
#include "RecordCommands.h"
#include "records/ArchivePages.h"

namespace tessark::cli {
namespace {

// A batch of pages is converted at once on a worker: about this much HTML;
// up to four batches a worker wait, so that the reader seldom waits for them
// (smaller batches, more of them: 1.47 times one thread's speed on two with
// 1 MB and two a worker, 1.59 with these).
constexpr std::size_t kBatchBytes = std::size_t{256} << 10;

class InputSource final : public records::ByteSource {
public:
    explicit InputSource(InputStream& stream) : stream_(stream) {}
    std::size_t Read(char* data, std::size_t size) override {
        return static_cast<std::size_t>(stream_.Read(data, static_cast<qint64>(size)));
    }

private:
    InputStream& stream_;
};

struct Batch {
    std::vector<records::ArchivePage> pages;
    std::size_t bytes = 0;
};

struct Converted {
    std::vector<std::string> records;            // what the pages gave, in order, each written at once
    std::vector<records::WarcProblem> failures;  // pages that could not be converted
};

Converted ConvertBatch(const Batch& batch, const PageOptions& options, RecordRun::Format format) {
    Converted out;
    for (const records::ArchivePage& page : batch.pages) {
        const records::PageText text = records::ConvertPage(page, options);
        if (!text.converted) {
            out.failures.push_back({page.offset, page.url + ": " + text.problem + ": skipped"});
            continue;
        }
        // A WET record is a gzip member of its own in a .gz output; JSON
        // lines are written (and compressed) a batch at a time.
        if (format == RecordRun::Format::Wet)
            out.records.push_back(records::WetConversionRecord(page, text.text));
        else if (out.records.empty())
            out.records.push_back(records::JsonPageLine(page, text));
        else
            out.records.front() += records::JsonPageLine(page, text);
    }
    return out;
}

// The output failed; its message has been said.
struct OutputFailed {};

}  // namespace

int RunWarc(const RecordRun& run, FileSystem& disk) {
    const bool toStandardOutput = run.output.isEmpty() || run.output == QLatin1String("-");
    const PageOptions options = PageOptionsFor(run.options, run.encoding);
    std::unique_ptr<RecordOutput> output;
    try {
        output = std::make_unique<RecordOutput>(disk, run.output);
        if (run.format == RecordRun::Format::Wet) {
            const QString description = QStringLiteral("The text of the HTML pages of %1, as %2")
                                            .arg(run.inputs.join(QStringLiteral(", ")),
                                                 run.options.readable ? QStringLiteral("readable text")
                                                                      : QStringLiteral("the classic conversion"));
            output->Write(records::WetInfoRecord(toStandardOutput ? std::string()
                                                                  : QFileInfo(run.output).fileName().toStdString(),
                                                 VersionText().toStdString(), description.toStdString()));
        }
    } catch (...) {
        RecordError(output ? output->Shown() : run.output, QStringLiteral("cannot write: ") + CurrentErrorText());
        return kExitFailed;
    }

    int status = kExitConverted;
    for (const QString& input : run.inputs) {
        const QString shown = ShownInput(input);
        const auto report = [&](const records::WarcProblem& problem) {
            RecordError(shown, QStringLiteral("offset %1: %2").arg(problem.offset).arg(QString::fromStdString(problem.message)));
            status = kExitFailed;
        };
        const std::unique_ptr<InputStream> stream = OpenRecordInput(run, disk, input);
        if (!stream) {
            status = kExitFailed;
            continue;
        }
        std::uint64_t failed = 0;
        InOrder<Converted> converted(run.jobs, [&](const Converted& done) {
            for (const records::WarcProblem& failure : done.failures) report(failure);
            failed += done.failures.size();
            try {
                for (const std::string& record : done.records) output->Write(record);
            } catch (...) {
                RecordError(output->Shown(), QStringLiteral("cannot write: ") + CurrentErrorText());
                throw OutputFailed();
            }
        });
        try {
            InputSource source(*stream);
            records::ArchivePages pages(source);
            std::vector<records::WarcProblem> problems;
            Batch batch;
            const auto submit = [&]() {
                if (batch.pages.empty()) return;
                converted.Add([b = std::move(batch), &options, format = run.format] { return ConvertBatch(b, options, format); });
                batch = Batch();
            };
            records::ArchivePage page;
            for (;;) {
                const bool more = pages.Next(page, problems);
                for (const records::WarcProblem& problem : problems) report(problem);
                problems.clear();
                if (!more) break;
                batch.bytes += page.html.size();
                batch.pages.push_back(std::move(page));
                page = records::ArchivePage();
                if (batch.bytes >= kBatchBytes) submit();
            }
            submit();
            converted.Finish();
            if (run.verbose) {
                const records::ArchiveCounts& counts = pages.Counts();
                RecordError(shown, QStringLiteral("%1 records: %2 pages converted, %3 not responses, %4 not HTML, "
                                                  "%5 not successful, %6 skipped for a problem")
                                       .arg(counts.records)
                                       .arg(counts.pages - failed)
                                       .arg(counts.notResponse)
                                       .arg(counts.notHtml)
                                       .arg(counts.notSuccess)
                                       .arg(counts.problems + failed));
            }
        } catch (const OutputFailed&) {
            return kExitFailed;
        } catch (...) {
            // An input that cannot be read on ends there; the pages before
            // it are kept, in order.
            const QString error = CurrentErrorText();
            try {
                converted.Finish();
            } catch (const OutputFailed&) {
                return kExitFailed;
            }
            RecordError(shown, error);
            status = kExitFailed;
        }
    }
    try {
        output->Commit();
    } catch (...) {
        RecordError(output->Shown(), QStringLiteral("cannot write: ") + CurrentErrorText());
        return kExitFailed;
    }
    return status;
}

}  // namespace tessark::cli
