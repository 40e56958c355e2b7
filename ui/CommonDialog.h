// CommonDialog: the window's one file dialog component (cmDialog1), reused
// for the Open and the Save dialog.
//
// Like a dialog component it is a set of properties that outlive each use:
// whatever a handler does not set stays as the last use left it (the chosen
// filter in FilterIndex, the flags). The filter is one text of
// description|pattern pairs separated by "|". ShowOpen and ShowSave return
// the chosen path, or nothing on a cancel (FileName then stays as it was).
//
// The question itself goes through FilePrompt, so that tests can answer it;
// QtFilePrompt shows a QFileDialog.
//
// Thread safety: the window thread only.
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
    explicit CommonDialog(std::unique_ptr<FilePrompt> prompt);

    QString FileName;
    QString Filter;
    int Flags = 0;          // 4: hide the read-only box of the Open dialog
    int FilterIndex = 0;    // 1-based; 0 before any use means the first entry

    // The chosen file's full path (also put in FileName), or nothing on a
    // cancel.
    std::optional<QString> ShowOpen() { return Show(FilePrompt::Mode::Open); }
    std::optional<QString> ShowSave() { return Show(FilePrompt::Mode::Save); }

    // Replaces the prompt (tests).
    void SetPrompt(std::unique_ptr<FilePrompt> prompt) { prompt_ = std::move(prompt); }

private:
    std::optional<QString> Show(FilePrompt::Mode mode);
    std::unique_ptr<FilePrompt> prompt_;
};

}  // namespace tessark
