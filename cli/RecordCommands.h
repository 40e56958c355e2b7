// RecordCommands: the two record runs of the modern command line,
//
//   tessark --warc [--format wet|jsonl] [-o FILE] [ARCHIVE]...
//   tessark --jsonl [--html-field NAME] [--text-field NAME] [-o FILE] [INPUT]...
//
// Each reads its inputs in order ("-": standard input) and writes one output:
// standard output, or the file of -o, which is replaced only when the run
// has written all of it (a failed run leaves the old file as it was). An
// output named *.gz is compressed, member by member.
//
// Exit status as the rest of the command line: 0 when every record was
// converted, 1 when anything was skipped or failed (each said on standard
// error as "tessark: INPUT: ...").
//
// Thread safety: each Run* is called once, from the main thread; it starts
// and joins its own worker threads (-j).
#pragma once

#include <QFuture>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Options.h"

namespace tessark {
class FileSystem;
class InputStream;
class OutputStream;
}  // namespace tessark

namespace tessark::cli {

struct RecordRun {
    QStringList inputs;  // never empty; "-": standard input
    QString output;      // empty or "-": standard output
    OptionSet options;   // readable text (options.readable) or the classic conversion
    QString encoding;    // for a page whose charset nothing declares: a setting or a label
    int jobs = 1;
    bool verbose = false;  // -v: what each input held, record by record counts
    bool quiet = false;    // -q: no notes
    enum class Format { Wet, JsonLines } format = Format::Wet;  // --warc's output
    std::string htmlField = "html";                              // --jsonl
    std::string textField = "text";
    bool outputClosed = false;  // standard output was closed at start
    bool inputClosed = false;   // standard input was closed at start
};

// Each is called once the run's output is known to be writable in
// principle (standard output open, not one of the inputs).
int RunWarc(const RecordRun& run, FileSystem& disk);
int RunJsonLines(const RecordRun& run, FileSystem& disk);

// What messages call an input: "(standard input)" for "-".
QString ShownInput(const QString& input);

// An input of a record run, to be read in blocks: a file, or standard input
// for "-". Null, with the reason said, when it cannot be read (standard
// input closed, a file that cannot be opened).
std::unique_ptr<InputStream> OpenRecordInput(const RecordRun& run, FileSystem& disk, const QString& input);

// Work converted on up to `jobs` threads (on the calling thread for one)
// and handed to `write` in the order it was added, at most four a thread
// waiting, so that memory stays bounded and the reader seldom waits.
// Destroying it waits for the work still running.
template <class Result>
class InOrder {
public:
    InOrder(int jobs, std::function<void(const Result&)> write) : jobs_(std::max(jobs, 1)), write_(std::move(write)) {
        pool_.setMaxThreadCount(jobs_);
    }
    ~InOrder() { pool_.waitForDone(); }
    InOrder(const InOrder&) = delete;
    InOrder& operator=(const InOrder&) = delete;

    template <class Work>
    void Add(Work&& work) {
        if (jobs_ == 1) {
            write_(work());
            return;
        }
        while (pending_.size() >= static_cast<std::size_t>(jobs_) * 4) WriteOldest();
        pending_.push_back(QtConcurrent::run(&pool_, std::forward<Work>(work)));
    }
    // Writes all that was added.
    void Finish() {
        while (!pending_.empty()) WriteOldest();
    }

private:
    void WriteOldest() {
        const QFuture<Result> oldest = std::move(pending_.front());
        pending_.pop_front();
        write_(oldest.result());
    }

    int jobs_;
    std::function<void(const Result&)> write_;
    QThreadPool pool_;
    std::deque<QFuture<Result>> pending_;
};

// The one output of a record run. Not thread-safe.
class RecordOutput {
public:
    // Standard output for an empty path or "-"; else the file, written all
    // or nothing (OutputStream). Throws as the disk layer does.
    RecordOutput(FileSystem& disk, const QString& path);
    ~RecordOutput();
    // Writes `bytes`; compressed as one gzip member when the output's name
    // ends in .gz (so a caller that writes a record at a time writes a
    // member per record).
    void Write(std::string_view bytes);
    // Makes the file complete; throws as OutputStream::Commit does.
    void Commit();
    const QString& Shown() const { return shown_; }

private:
    std::unique_ptr<OutputStream> stream_;
    bool compress_ = false;
    QString shown_;
    std::string packed_;
};

// True, with the reason said, when the run cannot start: its output is a
// closed standard output, or a file that is one of the inputs (also through
// a link: "tessark: INPUT: input file is output file"). Nothing is written.
bool RecordRunRefused(const RecordRun& run);

// "tessark: SHOWN: message" on standard error.
void RecordError(const QString& shown, const QString& message);
// The message of the exception being handled (call inside a catch block).
QString CurrentErrorText();

}  // namespace tessark::cli
