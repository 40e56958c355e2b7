// Startup (namespace startup; formerly basMain): the procedures that frame a run. Start here to follow the program
// from start-up to exit.
//
//   Main            the window's start-up: loads the window, puts the saved
//                   options into its check boxes, shows it.
//   RunBatch        the classic command line `tessark IN OUT`: one
//                   conversion with the saved options; returns the exit
//                   status, 0 when the output was written and 1 otherwise.
//   ParseCommandLine  the input and output paths of the batch form.
//   LoadOptions, SaveOptions
//                   settings store <-> check boxes (and the window's
//                   "Readable text" menu: the engine, the links, the alt
//                   text); the text encoding (key "Encoding") is loaded with
//                   them, and saved with them only by the window (a batch run
//                   never writes it). The batch form converts as the saved
//                   choices say, readable text too. SaveOptions
//                   returns what went wrong, and its caller says it: the
//                   batch form on standard error, the window in a box.
//
// Batch mode is the classic command line `tessark IN OUT` (main/ chooses it
// when there are arguments and none begins with "-"; the modern form lives in
// cli/). SaveOptions leaves the settings store alone when it already holds
// the options (OptionStore.h), so that batch runs started together do not
// wait on each other.
//
// Nothing here keeps state: each procedure works on what it is given.
//
// Thread safety: Main on the window thread; the others on any one thread at
// a time (the settings store is shared with other processes, OptionStore.h).
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "FileSystem.h"
#include "Options.h"
#include "ClassicJob.h"

class QSettings;

namespace tessark {

// The main window as start-up sees it. Load creates it hidden and runs its
// load handler; closing it saves the options.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    virtual void Load() = 0;
    virtual void Show() = 0;
    virtual OptionBoxes& CheckBoxes() = 0;
};

namespace startup {

// The window's start-up; the event loop runs it from there.
void Main(MainWindowHost& window);

// The batch form: `words` are the program's arguments without its own name,
// as the shell passed them; notes go to standard error. Converts, saves the
// classic eleven options (nothing is written when the store holds them) and
// returns the exit status.
int RunBatch(const QStringList& words, FileSystem& files);

// The job's request of the batch form: input := first word, output := second
// word (empty when there is none); a path that is neither absolute nor
// contains ":\" is taken relative to `programFolder` (which ends with the
// separator).
classic::JobRequest ParseCommandLine(const QStringList& words, const QString& programFolder);

void LoadOptions(OptionBoxes& boxes);
// Batch mode saves the classic eleven; the window DecodeAllReferences, the
// readable-text choices and the text encoding too, each once it is not at
// its default or has a key. Returns an
// empty text when the store holds them, otherwise "the options could not be
// saved to FILE".
QString SaveOptions(const OptionBoxes& boxes, bool batch);
// The check boxes' states as an option set.
OptionSet CheckedOptions(const OptionBoxes& boxes);

// The folder of the program file, links resolved, ending in the separator.
QString ProgramFolder();

// The per-user settings store of the options.
std::unique_ptr<QSettings> OpenSettings();

}  // namespace startup
}  // namespace tessark
