// ConversionJob: the conversion of one input into one output, the one place
// where a page is read, converted and written. The classic job
// (classic::RemoveHTML) and the modern command line are both faces
// over ConvertOne.
//
// ConvertOne receives everything it needs and touches no global state: the
// request (input, output, options), the disk and a yield function. It checks
// the input, opens the output, then streams: reads the input in blocks,
// converts them with a page stream of its own (library/PageStream.h, the
// library's core: the routes below are its routes) and writes each piece of
// result as soon as it is final, so that memory stays bounded whatever the
// size of the input. A page in "auto" or a charset
// label is read as its first megabyte decides (TextEncoding::kDetectBytes)
// and decoded into UTF-8 block by block on its way to the stream; only
// DecodeAllReferences makes the page be read whole. Readable text (the
// request's options.readable) always streams, through the readable-text
// engine (ReadableText.h): its input decoded into UTF-8 as above (UTF-8
// itself passes as it is, the engine replacing what is not UTF-8), its
// output UTF-8 whatever the encoding, in the engine's line ends. It returns the
// outcome as a value: written, stopped by a check (with the message the
// classic job shows), or failed (with every error: the engine's own reports
// under their source names ("ReadableText" for readable text), or one failure of reading or writing under
// "RemoveHTML").
//
// A file output is never left half-written: the result goes to a temporary
// file beside it, which replaces it only when the new text is complete; after
// a failure, also one the engine reports, the old output stays as it was.
// Converting a file onto itself works, since the old file is replaced only
// after it has been read to its end. Standard output, which cannot be taken
// back, receives the result as it is made: after a failure it holds a
// beginning of it (the outcome says Failed).
//
// Thread safety: ConvertOne may run on several threads at once, each with its
// own request, as long as the FileSystem allows it (DiskFileSystem does) and
// no two requests write the same file. The engine's yields and reports go to
// a conversion context of the request's own (ConversionContext.h); the yield
// function runs on the calling thread (leave it empty on a worker thread); a
// yield that throws stops the conversion as a failure of the engine, and the
// old output stays. Standard input and output are the process's own: give
// them to one request at a time.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "EncodedConversion.h"
#include "FileSystem.h"
#include "Options.h"

namespace tessark {

struct ConversionRequest {
    enum class Source {
        File,           // inputPath
        StandardInput,  // read to its end
    };
    enum class Target {
        File,            // outputPath, replaced when complete
        StandardOutput,  // written at once when complete
        Memory,          // handed back in ConversionOutcome::text
    };

    Source source = Source::File;
    QString inputPath;
    Target target = Target::File;
    QString outputPath;
    // The classic options, or readable text (options.readable) in the
    // layout options.layout.
    OptionSet options;
    // How the input is read and the classic text written: "windows-1252"
    // (the classic bytes), "utf-8", "auto", or a charset label for the input
    // (EncodedConversion.h); readable text is always written in UTF-8. An
    // encoding that IsUsableEncoding refuses fails the conversion with error 5.
    QString encoding = QStringLiteral("windows-1252");
    // The classic job stops at an empty input file with "Input file is
    // empty!" and leaves the output alone; a filter turns it into an empty
    // output instead.
    bool emptyInputStops = true;
    // The classic job takes only an ordinary file: a name that begins with
    // "." or a pipe counts as missing. A filter reads whatever exists and can
    // be opened: hidden names, pipes, devices (/dev/null is an empty input).
    bool ordinaryFilesOnly = true;
    // The classic text's lines end in CR LF, and its last line has none.
    // Unix lines: every CR LF becomes LF, and a text that is not empty ends
    // with a line end (what tools that read text line by line expect).
    // Readable text's line ends are its layout's (options.layout.crlf).
    enum class LineEnds { Classic, Unix };
    LineEnds lineEnds = LineEnds::Classic;
};

// One error of a failed conversion: the source name and the classic error
// number and description, e.g. "RemoveHTML", 53, "File not found".
struct ConversionError {
    QString source;
    int number = 0;
    QString description;
    // "RemoveHTML: Error 53: File not found": the one form of an error's
    // message, in the window's box, on the classic form's standard error and
    // after the modern form's input name.
    QString Message() const;
    // The exception being handled (call only inside a catch block) under
    // `source`, numbered as the engine numbers its failures (ConversionContext.h).
    static ConversionError FromCurrentException(const QString& source);
};

struct ConversionOutcome {
    enum class Result {
        Written,  // the output holds the result
        Stopped,  // a check stopped the job (see message); nothing was written
        Failed,   // see errors; nothing was written, the old output is as it was
    };
    Result result = Result::Failed;
    QString message;                      // Stopped: the message of the check that stopped it
    std::vector<ConversionError> errors;  // Failed: in the order they happened; never empty then
    QByteArray text;                      // Target::Memory and Written: the result's bytes
    qint64 bytesRead = 0;                 // the size of the input that was read
    EncodingUsed encodingUsed;            // Written, Failed after reading: what the input was read as, and why

    // Stopped: the message; Failed: the first error's message; else empty.
    QString Reason() const;
};

struct PageOptions;
// The page stream's options for a request (its engine, options, layout and
// encoding): what ConvertOne converts with, for the record runs to share.
PageOptions PlanFor(const ConversionRequest& request);

using ConversionYield = std::function<void()>;

// Converts as described at the top. Never throws: every failure is in the
// outcome.
ConversionOutcome ConvertOne(const ConversionRequest& request, FileSystem& files,
                             const ConversionYield& yield = {});

}  // namespace tessark
