// basProcessing: the classic conversion job, RemoveHTML, for the window and
// the classic command line: a face over ConvertOne (ConversionJob.h) that
// works on the global state and talks through the message sink.
//
// It converts basMain::InputFile into basMain::OutputFile: checks both paths,
// asks before overwriting (not in batch mode), copies the options into the
// engine, refuses an empty input, reads the whole file, converts its Windows-1252 bytes
// with the engine's byte pipeline (the encoding of ExtractText's result)
// and writes the result. The engine's yields go to the process-wide yield
// hook (the window's event processing); its failures are reported through
// basMain::ReportError under their source names once the conversion ends.
//
// Thread safety: the window thread only (global state).
//
// The output is never left half-written: the result replaces the old output
// only when it is completely written, and a run that fails at any point,
// including a failure the engine reports, leaves the old output as it was.
// Converting a file onto itself works, since the input is read whole first.
#pragma once

#include "FileSystem.h"

namespace tessark::basProcessing {

enum class JobResult {
    Written,  // the output file holds the result ("Done")
    Stopped,  // a check stopped the job (no path, missing or empty input, Cancel)
    Failed,   // an error was reported; the old output is as it was
};

JobResult RemoveHTML();

// The outcome of the last RemoveHTML (Stopped before the first run).
JobResult LastResult();

// The disk the job uses; nullptr restores the real disk. Not owned.
void SetFileSystem(FileSystem* fileSystem);

}  // namespace tessark::basProcessing
