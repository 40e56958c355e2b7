#include "CommonDialog.h"

#include <QFileDialog>
#include <QFileInfo>


namespace tessark {

QList<FileFilter> ParseFilter(const QString& filter) {
    QList<FileFilter> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter entry;
        entry.description = parts.at(i);
        for (QString pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            // "*.*" is "every file", also the ones without a dot in the name.
            entry.patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        entries << entry;
    }
    return entries;
}

CommonDialog::CommonDialog(std::unique_ptr<FilePrompt> prompt) : prompt_(std::move(prompt)) {}

std::optional<QString> CommonDialog::Show(FilePrompt::Mode mode) {
    const QList<FileFilter> filters = ParseFilter(Filter);
    int selected = FilterIndex - 1;
    if (selected < 0 || selected >= filters.size()) selected = 0;
    std::optional<QString> chosen;
    if (prompt_) chosen = prompt_->Ask(mode, filters, selected, FileName);
    if (!chosen) return std::nullopt;
    FileName = *chosen;
    FilterIndex = selected + 1;
    return chosen;
}

// ---- QFileDialog ------------------------------------------------------------

QtFilePrompt::QtFilePrompt(QWidget* parent) : parent_(parent) {}
QtFilePrompt::~QtFilePrompt() = default;

std::optional<QString> QtFilePrompt::Ask(Mode mode, const QList<FileFilter>& filters, int& selectedFilter,
                                         const QString& fileName) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The job asks before overwriting; a typed name keeps exactly what was
    // typed (no suffix is added); the descriptions are shown as written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setDefaultSuffix(QString());
    QStringList names;
    for (const FileFilter& f : filters) names << f.description + QStringLiteral(" (") + f.patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    dialog.setNameFilters(names);
    if (selectedFilter >= 0 && selectedFilter < names.size()) dialog.selectNameFilter(names.at(selectedFilter));
    if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    // The dialog gives the entry as it shows it: without its patterns.
    const QString chosen = dialog.selectedNameFilter();
    selectedFilter = static_cast<int>(names.indexOf(chosen));
    for (qsizetype i = 0; selectedFilter < 0 && i < filters.size(); ++i)
        if (filters.at(i).description == chosen) selectedFilter = static_cast<int>(i);
    if (selectedFilter < 0) selectedFilter = 0;
    lastFolder_ = QFileInfo(files.first()).absolutePath();
    return QFileInfo(files.first()).absoluteFilePath();
}

}  // namespace tessark
