// CommonDialog: the window's one file dialog component (cmDialog1), reused
// for the Open and the Save dialog.
//
// Like a dialog component it is a set of properties that outlive each use:
// whatever a handler does not set stays as the last use left it (the chosen
// filter in FilterIndex, the flags). The filter is one text of
// description|pattern pairs separated by "|". A cancel sets FileName to
// nothing new and, when CancelError is on, puts error 32755 "Cancel was
// selected." into the current error (basMain::Err), which is how the window
// tells a cancel from a choice.
//
// The question itself goes through FilePrompt, so that tests can answer it;
// QtFilePrompt shows a QFileDialog.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

namespace tessark {

// One filter entry as shown: its description and its patterns.
struct FileFilter {
    QString description;
    QStringList patterns;
};

// Splits "Desc|pat|Desc|pat" into entries; "*.*" matches every file.
QList<FileFilter> ParseFilter(const QString& filter);

class FilePrompt {
public:
    enum class Mode { Open, Save };
    virtual ~FilePrompt() = default;
    // Shows the dialog modally, with `filters` and the 0-based entry
    // `selectedFilter` chosen at first. Returns the full path of the chosen
    // file, with `selectedFilter` set to the entry in use, or nothing on a
    // cancel.
    virtual std::optional<QString> Ask(Mode mode, const QList<FileFilter>& filters, int& selectedFilter,
                                       const QString& fileName) = 0;
};

class QtFilePrompt final : public FilePrompt {
public:
    explicit QtFilePrompt(QWidget* parent);
    ~QtFilePrompt() override;
    std::optional<QString> Ask(Mode mode, const QList<FileFilter>& filters, int& selectedFilter,
                               const QString& fileName) override;

private:
    QWidget* parent_;
    QString lastFolder_;
};

class CommonDialog {
public:
    static constexpr int kCancelError = 32755;

    explicit CommonDialog(std::unique_ptr<FilePrompt> prompt);

    QString FileName;
    QString Filter;
    int Flags = 0;          // 4: hide the read-only box of the Open dialog
    bool CancelError = false;
    int FilterIndex = 0;    // 1-based; 0 before any use means the first entry

    void ShowOpen() { Show(FilePrompt::Mode::Open); }
    void ShowSave() { Show(FilePrompt::Mode::Save); }

    // Replaces the prompt (tests).
    void SetPrompt(std::unique_ptr<FilePrompt> prompt) { prompt_ = std::move(prompt); }

private:
    void Show(FilePrompt::Mode mode);
    std::unique_ptr<FilePrompt> prompt_;
};

}  // namespace tessark
