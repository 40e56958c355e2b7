#include "Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cstdio>

#include "BooleanText.h"
#include "OptionStore.h"

namespace tessark::startup {
namespace {

void WriteLine(const QString& text) {
    const QByteArray line = text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

// The batch form has no window: its notes go to standard error, one line
// each. It asks no question and shows no box.
class StderrMessageSink final : public MessageSink {
public:
    void Show(const QString& text) override { WriteLine(text); }
    bool AskOkCancel(const QString& text) override {
        WriteLine(text);
        return true;
    }
    void Note(const QString& text) override { WriteLine(text); }
};

// A path that is absolute on this platform, or holds ":\" (a drive path of
// the original platform), is used as it is; any other is relative to the
// program folder.
QString ResolveAgainst(const QString& programFolder, const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) ||
        path.contains(QStringLiteral(":\\"), Qt::CaseInsensitive))
        return path;
    return programFolder + path;
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

void Main(MainWindowHost& window) {
    window.Load();
    LoadOptions(window.CheckBoxes());
    window.Show();
}

int RunBatch(const QStringList& words, FileSystem& files) {
    OptionHolder boxes;
    LoadOptions(boxes);
    classic::JobRequest request = ParseCommandLine(words, ProgramFolder());
    request.options = CheckedOptions(boxes);
    request.encoding = boxes.EncodingChoice();
    StderrMessageSink messages;
    const classic::JobResult result = classic::RemoveHTML(request, files, messages);
    if (const QString failure = SaveOptions(boxes, true); !failure.isEmpty())
        WriteLine(QStringLiteral("tessark: ") + failure);
    return result == classic::JobResult::Written ? 0 : 1;
}

classic::JobRequest ParseCommandLine(const QStringList& words, const QString& programFolder) {
    classic::JobRequest request;
    request.batch = true;
    if (!words.isEmpty()) request.inputFile = ResolveAgainst(programFolder, words.at(0));
    if (words.size() >= 2) request.outputFile = ResolveAgainst(programFolder, words.at(1));
    return request;
}

std::unique_ptr<QSettings> OpenSettings() { return OptionStore::Open(); }

void LoadOptions(OptionBoxes& boxes) {
    const auto settings = OpenSettings();
    const OptionSet options = OptionStore::Read(*settings);
    for (const OptionInfo& info : kOptions) boxes.SetValue(info.option, options.Get(info.option) ? 1 : 0);
    boxes.SetEncodingChoice(OptionStore::ReadEncoding(*settings));
    boxes.SetReadableChoice(options.readable);
    boxes.SetLayoutChoice(options.layout);
}

// The classic command line (batch mode) saves only the classic eleven, so
// that it never adds the other keys; the window saves them too, each once
// it is not at its default or has a key (OptionStore::Rows::ClassicAndSet). When the
// store already holds what would be written, it is not written at all.
QString SaveOptions(const OptionBoxes& boxes, bool batch) {
    const auto settings = OpenSettings();
    const auto rows = batch ? OptionStore::Rows::Classic : OptionStore::Rows::ClassicAndSet;
    bool saved = OptionStore::Write(*settings, CheckedOptions(boxes), rows);
    // The window saves its encoding choice; a batch run leaves the key as it
    // was.
    if (!batch) saved = OptionStore::WriteEncoding(*settings, boxes.EncodingChoice(), false) && saved;
    if (saved) return {};
    return OptionStore::SaveFailure(*settings);
}

OptionSet CheckedOptions(const OptionBoxes& boxes) {
    OptionSet options;
    for (const OptionInfo& info : kOptions) options.Set(info.option, ToBoolean(boxes.Value(info.option)) != 0);
    options.readable = boxes.ReadableChoice();
    // Only the saved part of the layout comes from the boxes.
    const ReadableOptions chosen = boxes.LayoutChoice();
    options.layout.links = chosen.links;
    options.layout.altText = chosen.altText;
    return options;
}

}  // namespace tessark::startup
