// OptionStore: the saved options in the per-user settings store
// ($XDG_CONFIG_HOME/OrvaneTessark/OrvaneTessark.ini, section [General] on
// Linux), one key per option (its name) with the text "True" or "False".
// Reading: a missing key gives the option's default; a stored text is read
// with ToBoolean (BooleanText.h), so an unreadable one is false.
// The text encoding is stored beside them under its own key (kEncodingKey),
// and so are readable text's choices (Options.h): the engine, the links and
// the alt text. Stores of the time when readable text was three options of
// the classic engine keep their meaning: where the new key is missing,
// BreakAtBlocks=True means readable text, KeepLinks=True the links inline
// and KeepAltText the alt text (missing: shown). Writing a new key removes
// the older one, which then says nothing the new keys do not.
// Writing: "True"/"False" (LinksText for the links) for each key chosen. When the stored text of
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
#include <vector>

#include "Options.h"

namespace tessark::OptionStore {

// The per-user settings store of the options.
std::unique_ptr<QSettings> Open();

// Every option from `settings`.
OptionSet Read(const QSettings& settings);

enum class Rows {
    Classic,  // the classic eleven only (what the classic form saves)
    // The classic eleven, and each other key whose value is not its default
    // or that is already stored (what the window saves): a value at its
    // default that has no key reads as it already, so a store that never saw
    // one of them stays as it was.
    ClassicAndSet,
    All,  // every key
};

// Each key of the options (the table's, then the readable-text choices')
// with the text stored for it.
struct StoredKey {
    QString key;
    QString text;
    bool classic = false;    // one of the classic eleven
    bool atDefault = false;  // what a missing key reads as
};
std::vector<StoredKey> StoredKeys(const OptionSet& options);

// Stores `options` for the chosen rows as described above. Returns false when
// the store reports an error after writing (the file could not be written).
bool Write(QSettings& settings, const OptionSet& options, Rows rows);

// The text stored for a state: "True" or "False".
QString StoredText(bool on);

// The text encoding under kEncodingKey: a missing or unreadable value is
// windows-1252.
TextEncoding::Setting ReadEncoding(const QSettings& settings);
// Stores `setting` under kEncodingKey unless the key already holds exactly
// its text. A store without the key is left without it when the setting is
// windows-1252 and createForClassic is false (a window that keeps the
// classic encoding leaves the file as it was). Returns false when the store
// reports an error after writing.
bool WriteEncoding(QSettings& settings, TextEncoding::Setting setting, bool createForClassic);

// What every form says when Write or WriteEncoding failed: "the options could
// not be saved to FILE" (the command lines put "tessark: " before it).
QString SaveFailure(const QSettings& settings);

}  // namespace tessark::OptionStore
