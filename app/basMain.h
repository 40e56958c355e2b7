// basMain: the program's global state and the procedures that frame a run.
// Start here to follow the program from start-up to exit.
//
//   Main            start-up: program folder, window, engine, mode, options;
//                   then either one batch conversion or the window.
//   ParseCommandLine  the input and output paths of batch mode.
//   ShutDown        saves the options and ends the process.
//   ReportError     the single error reporter: records the current error and
//                   shows "Source: Error N: Description" (in batch mode the
//                   line goes to standard error instead; nothing is shown).
//   LoadOptions, SaveOptions, ApplyOptions
//                   settings store <-> check boxes (and the window's
//                   "Readable text" check items) -> engine flags; the text
//                   encoding (key "Encoding") is loaded with them, and saved
//                   with them only by the window (a batch run never writes it).
//
// Batch mode is the classic command line `tessark IN OUT` (main/ chooses it
// when there are arguments and none begins with "-"; the modern form lives in
// cli/). The options are the saved ones; the exit status is 0 when the output
// was written and 1 otherwise. SaveOptions leaves the settings store alone
// when it already holds the options (OptionStore.h), so that batch runs
// started together do not wait on each other.
//
// The surroundings come in through seams, so that tests can drive a whole run:
// the window (MainWindowHost), the message boxes (MessageSink), the end of the
// process (SetExitHandler) and the disk (basProcessing::SetFileSystem).
//
// Thread safety: global state of the window thread; call from it only.
// Conversions on other threads use ConvertOne (ConversionJob.h) directly.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "Boolean.h"
#include "Options.h"
#include "cTessark.h"

class QSettings;

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

// Without a window: everything goes to standard error, questions are
// answered OK.
class StderrMessageSink final : public MessageSink {
public:
    void Show(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    void Note(const QString& text) override;
};

// The main window as start-up sees it. Load creates it hidden and runs its
// load handler; Unload runs its unload handler, which calls ShutDown.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    virtual void Load() = 0;
    virtual void Show() = 0;
    virtual void Unload() = 0;
    virtual OptionBoxes& CheckBoxes() = 0;
};

// Batch mode has no window: eleven plain values stand in for the check boxes.
class HeadlessWindow final : public MainWindowHost {
public:
    void Load() override {}
    void Show() override {}
    void Unload() override;
    OptionBoxes& CheckBoxes() override { return boxes_; }

private:
    OptionHolder boxes_;
};

// The "current error" of the running procedure: set by an error trap, read
// by ReportError.
struct ErrObject {
    std::int32_t Number = 0;
    QString Description;
    void Clear() {
        Number = 0;
        Description.clear();
    }
};

namespace basMain {

// Global state. AppFolder ends with the platform's separator after start-up.
extern QString AppFolder;
extern Boolean BatchMode;
extern QString InputFile;
extern QString OutputFile;
extern std::int32_t LastErrorNumber;
extern QString LastErrorDescription;
extern std::unique_ptr<cTessark> Engine;
extern ErrObject Err;
// Number of ReportError calls so far.
extern std::int64_t ErrorCount;

// Start-up. `arguments` are the program's arguments without its own name, as
// the shell passed them. In batch mode Main does not return (ShutDown ends
// the process); in interactive mode it shows the window and returns.
void Main(const QStringList& arguments, MainWindowHost& window);

// InputFile := first word, OutputFile := second word (left as it is when
// there is none); a path that is neither absolute nor contains ":\" is taken
// relative to AppFolder.
void ParseCommandLine(const QStringList& words);

// Saves the options, releases the engine and ends the process with exit
// status 0, or in batch mode 0 when the job wrote its output and 1 otherwise.
void ShutDown();

// Records Err and shows "<source>: Error <n>: <description>".
void ReportError(const QString& source);

void LoadOptions();
// Batch mode saves the classic eleven; the window the readable-text options
// too, each once it is on or has a key.
void SaveOptions();
void ApplyOptions();
// The check boxes' states as an option set (what ApplyOptions would copy).
OptionSet CheckedOptions();
// The text encoding chosen with the options (the window's menu, or the
// stored setting in batch mode).
TextEncoding::Setting EncodingOption();

// The folder of the program file, links resolved, ending in the separator.
QString ProgramFolder();

// The per-user settings store of the options.
std::unique_ptr<QSettings> OpenSettings();

// Seams. None of them takes ownership. Passing nullptr / an empty function
// restores the default (standard error; std::_Exit).
void SetMessageSink(MessageSink* sink);
MessageSink& Messages();
void SetWindow(MainWindowHost* window);
MainWindowHost* Window();
using ExitHandler = std::function<void(int exitCode)>;
void SetExitHandler(ExitHandler handler);
// Lets the event loop process what is pending (the engine's yield).
void DoEvents();
// Installs the engine's yield and error hooks (done by Main).
void InstallEngineHooks();

}  // namespace basMain
}  // namespace tessark
