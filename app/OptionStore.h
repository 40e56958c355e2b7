// OptionStore: the saved options in the per-user settings store
// ($XDG_CONFIG_HOME/OrvaneTessark/OrvaneTessark.ini, section [General] on
// Linux), one key per option (its name) with the text "True" or "False".
// Reading: a missing key gives the option's default; a stored text is read
// with basTools::ToBoolean, so an unreadable one is false.
// Writing: "True"/"False" for each option chosen. When the stored text of
// every such key already equals what would be written, nothing is written at
// all (the file is neither locked nor rewritten), so that many runs that save
// unchanged options do not wait on each other. When any differs, every chosen
// key is written and the store synced, as a plain setValue of each would.
//
// Thread safety: each call opens its own QSettings; QSettings serialises
// access to one file within the process and uses a lock file between
// processes when it writes.
#pragma once

#include <QSettings>
#include <memory>

#include "Options.h"

namespace tessark::OptionStore {

// The per-user settings store of the options.
std::unique_ptr<QSettings> Open();

// Every option from `settings`.
OptionSet Read(const QSettings& settings);

enum class Rows {
    Classic,  // the classic eleven only (what the window and the classic form save)
    All,      // every option of the table
};

// Stores `options` for the chosen rows as described above. Returns false when
// the store reports an error after writing (the file could not be written).
bool Write(QSettings& settings, const OptionSet& options, Rows rows);

// The text stored for a state: "True" or "False".
QString StoredText(bool on);

}  // namespace tessark::OptionStore
