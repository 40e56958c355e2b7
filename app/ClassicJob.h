// ClassicJob (namespace classic; formerly basProcessing): the classic conversion job, RemoveHTML, for the window and
// the classic command line: a face over ConvertOne (ConversionJob.h) that
// keeps the classic checks, questions and messages.
//
// It converts the request's input file into its output file: checks both
// paths, asks before overwriting (not in batch mode), refuses an empty
// input, converts with the request's options and text encoding and writes
// the result. Everything comes in as arguments: the request, the disk, the
// message boxes and the caller's yield; the job keeps no state of its own.
// Its messages go to the sink: a box (Show) for the window, the one-line
// note (Note) for the batch form, whose failures are reported as
// "Source: Error N: description" (ConversionError::Message) once the
// conversion ends.
//
// The output is never left half-written: the result replaces the old output
// only when it is completely written, and a run that fails or is stopped at
// any point, including a failure the engine reports and a stop asked by the
// yield, leaves the old output as it was. Converting a file onto itself
// works, since the input is read whole first.
//
// Thread safety: RemoveHTML keeps no state; the sink and the yield are
// called on the calling thread.
#pragma once

#include <QString>
#include <functional>

#include "FileSystem.h"
#include "Options.h"

namespace tessark {

// Message boxes. Show waits for OK; AskOkCancel returns true only for OK.
// Note takes the one-line message of a batch run, which nobody is shown.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const QString& text) = 0;
    virtual bool AskOkCancel(const QString& text) = 0;
    virtual void Note(const QString& text) = 0;
};

namespace classic {

enum class JobResult {
    Written,  // the output file holds the result ("Done")
    Stopped,  // a check stopped the job (no path, missing or empty input,
              // Cancel), or the yield asked to stop
    Failed,   // an error was reported; the old output is as it was
};

struct JobRequest {
    QString inputFile;
    QString outputFile;
    OptionSet options;
    TextEncoding::Setting encoding = TextEncoding::Setting::Windows1252;
    // The classic command line: notes instead of boxes, no question before
    // overwriting, no "Done", and where a missing input was looked for.
    bool batch = false;
};

// Called at the engine's yields; returns false to stop the job at once
// (the window closing during a conversion). Empty: nothing to do.
using JobYield = std::function<bool()>;

JobResult RemoveHTML(const JobRequest& request, FileSystem& files, MessageSink& messages,
                     const JobYield& yield = {});

}  // namespace classic
}  // namespace tessark
