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

#include <QString>
#include <QStringList>
#include <cstdint>
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

int RunWarc(const RecordRun& run, FileSystem& disk);
int RunJsonLines(const RecordRun& run, FileSystem& disk);

// An input of a record run, read in blocks: a file, or standard input for
// "-". Open failures and read errors throw as the disk layer throws them.
std::unique_ptr<InputStream> OpenRecordInput(FileSystem& disk, const QString& input);

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

// True, with "tessark: INPUT: input file is output file" said for each,
// when the output file is one of the inputs (also through a link): the run
// is then refused before anything is written.
bool OutputIsAnInput(const RecordRun& run);

// "tessark: SHOWN: message" on standard error.
void RecordError(const QString& shown, const QString& message);
// The message of the exception being handled (call inside a catch block).
QString CurrentErrorText();

}  // namespace tessark::cli
