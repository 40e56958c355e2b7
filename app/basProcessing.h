// basProcessing: the conversion job, RemoveHTML.
//
// It converts basMain::InputFile into basMain::OutputFile: checks both paths,
// asks before overwriting (not in batch mode), copies the options into the
// engine, refuses an empty input, then streams: reads the file in blocks,
// converts its Windows-1252 bytes with the engine's streaming byte pipeline
// (the encoding of ExtractText's result) and writes each piece of result as
// soon as it is final, so that memory stays bounded whatever the size of
// the file (see cTessarkStream.h for what may be held).
//
// The output is never left half-written: the result goes to a temporary
// file beside the output, which replaces the old output only when it is
// completely written; a run that fails at any point, including a failure
// the engine reports, leaves the old output as it was. The output is opened
// (and refused, when read-only or in a missing folder) before the
// conversion starts. Converting a file onto itself works, since the old
// file is replaced only after it has been read to the end.
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

// Gives up the output of a conversion under way (its temporary file goes,
// the old output stays); for a shutdown that ends the process during one of
// the conversion's yields. Does nothing when no conversion runs.
void AbandonRunningOutput() noexcept;

}  // namespace tessark::basProcessing
