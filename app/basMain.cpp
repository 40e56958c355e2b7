#include "basMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "ConversionJob.h"
#include "EngineHooks.h"
#include "OptionStore.h"
#include "basProcessing.h"
#include "basTools.h"

namespace tessark {

namespace {
void WriteLine(const QString& text) {
    const QByteArray line = text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}
}  // namespace

void StderrMessageSink::Show(const QString& text) { WriteLine(text); }
bool StderrMessageSink::AskOkCancel(const QString& text) {
    WriteLine(text);
    return true;
}
void StderrMessageSink::Note(const QString& text) { WriteLine(text); }

void HeadlessWindow::Unload() { basMain::ShutDown(); }

namespace basMain {

QString AppFolder;
Boolean BatchMode = False;
QString InputFile;
QString OutputFile;
std::int32_t LastErrorNumber = 0;
QString LastErrorDescription;
std::unique_ptr<cTessark> Engine;
ErrObject Err;
std::int64_t ErrorCount = 0;

namespace {
MessageSink* g_sink = nullptr;
MainWindowHost* g_window = nullptr;
ExitHandler g_exit;

OptionBoxes& Boxes() {
    static OptionHolder fallback;
    return g_window ? g_window->CheckBoxes() : fallback;
}

// A path that is absolute on this platform, or holds ":\" (a drive path of
// the original platform), is used as it is; any other is relative to the
// program folder.
QString ResolveAgainstAppFolder(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) ||
        path.contains(QStringLiteral(":\\"), Qt::CaseInsensitive))
        return path;
    return AppFolder + path;
}
}  // namespace

QString ProgramFolder() {
    QString folder;
    if (QCoreApplication::instance()) folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty()) folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
    return folder;
}

void Main(const QStringList& arguments, MainWindowHost& window) {
    AppFolder = ProgramFolder();                           // 1.
    SetWindow(&window);
    InstallEngineHooks();
    window.Load();                                         // 2.
    Engine = std::make_unique<cTessark>();                 // 3.
    if (!arguments.isEmpty()) BatchMode = True;            // 4.
    LoadOptions();                                         // 5.
    DoEvents();                                            // 6.
    if (BatchMode) {                                       // 7.
        ParseCommandLine(arguments);
        basProcessing::RemoveHTML();
        window.Unload();
        ShutDown();
        return;
    }
    window.Show();                                         // 8.
}

void ParseCommandLine(const QStringList& words) {
    if (!words.isEmpty()) InputFile = words.at(0);
    if (words.size() >= 2) OutputFile = words.at(1);
    InputFile = ResolveAgainstAppFolder(InputFile);
    OutputFile = ResolveAgainstAppFolder(OutputFile);
}

void ShutDown() {
    AbandonRunningOutput();
    SaveOptions();
    Engine.reset();
    int exitCode = 0;
    if (BatchMode && basProcessing::LastResult() != basProcessing::JobResult::Written) exitCode = 1;
    if (g_exit) {
        g_exit(exitCode);
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

void ReportError(const QString& source) {
    ++ErrorCount;
    LastErrorNumber = Err.Number;
    LastErrorDescription = Err.Description;
    const QString message =
        source + QStringLiteral(": Error ") + QString::number(LastErrorNumber) + QStringLiteral(": ") + LastErrorDescription;
    if (BatchMode)
        Messages().Note(message);
    else
        Messages().Show(message);
}

std::unique_ptr<QSettings> OpenSettings() { return OptionStore::Open(); }

void LoadOptions() {
    const auto settings = OpenSettings();
    const OptionSet options = OptionStore::Read(*settings);
    for (const OptionInfo& info : kOptions) Boxes().SetValue(info.option, options.Get(info.option) ? 1 : 0);
    Boxes().SetEncodingChoice(OptionStore::ReadEncoding(*settings));
}

// The classic command line (batch mode) saves only the classic eleven, so
// that it never adds the readable-text keys; the window saves them too, each
// once it is on or has a key (OptionStore::Rows::ClassicAndSet). When the
// store already holds what would be written, it is not written at all.
void SaveOptions() {
    const auto settings = OpenSettings();
    const auto rows = BatchMode ? OptionStore::Rows::Classic : OptionStore::Rows::ClassicAndSet;
    bool saved = OptionStore::Write(*settings, CheckedOptions(), rows);
    // The window saves its encoding choice; a batch run leaves the key as it
    // was.
    if (!BatchMode) saved = OptionStore::WriteEncoding(*settings, Boxes().EncodingChoice(), false) && saved;
    if (!saved) WriteLine(QStringLiteral("tessark: the options could not be saved to ") + settings->fileName());
}

OptionSet CheckedOptions() {
    OptionSet options;
    for (const OptionInfo& info : kOptions) options.Set(info.option, basTools::ToBoolean(Boxes().Value(info.option)) != 0);
    return options;
}

TextEncoding::Setting EncodingOption() { return Boxes().EncodingChoice(); }

void ApplyOptions() {
    for (const OptionInfo& info : kOptions) Engine->options.*(info.flag) = basTools::ToBoolean(Boxes().Value(info.option)) != 0;
}

void SetMessageSink(MessageSink* sink) { g_sink = sink; }

MessageSink& Messages() {
    static StderrMessageSink fallback;
    return g_sink ? *g_sink : fallback;
}

void SetWindow(MainWindowHost* window) { g_window = window; }
MainWindowHost* Window() { return g_window; }

void SetExitHandler(ExitHandler handler) { g_exit = std::move(handler); }

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void InstallEngineHooks() {}

}  // namespace basMain
}  // namespace tessark
