// Helpers for the application tests: a message sink that records every
// message and answers questions from a script, a temporary settings store,
// the files of a folder (whole-file reads and writes: ProcessTestSupport.h).
// Used from the test's main thread only.
#pragma once

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>

#include "ProcessTestSupport.h"
#include "ClassicJob.h"

namespace tessark::test {

class RecordingSink final : public MessageSink {
public:
    void Show(const QString& text) override { shown << text; }
    bool AskOkCancel(const QString& text) override {
        asked << text;
        if (answers.empty()) return true;
        const bool ok = answers.front();
        answers.pop_front();
        return ok;
    }
    void Note(const QString& text) override { notes << text; }

    QStringList shown, asked, notes;
    std::deque<bool> answers;  // true = OK
};

// Points the per-user settings store at a fresh temporary folder.
class TempSettings {
public:
    TempSettings() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path()); }
    QString FilePath() const { return dir_.filePath(QStringLiteral("OrvaneTessark/OrvaneTessark.ini")); }
    QSettings Open() const { return QSettings(FilePath(), QSettings::IniFormat); }

private:
    QTemporaryDir dir_;
};

// Every file in `folder`, hidden ones too, by name.
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace tessark::test
