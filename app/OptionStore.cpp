#include "OptionStore.h"

#include "BooleanText.h"

#include <QStringList>
#include <algorithm>

namespace tessark::OptionStore {

std::unique_ptr<QSettings> Open() {
    // Keys at the top level of an INI file land in its [General] section.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("OrvaneTessark"), QStringLiteral("OrvaneTessark"));
}

namespace {

// The keys of the time when readable text was three options of the classic
// engine, each read where its successor is missing.
const QString kOldReadableKey = QStringLiteral("BreakAtBlocks");
const QString kOldLinksKey = QStringLiteral("KeepLinks");
const QString kOldAltTextKey = QStringLiteral("KeepAltText");

// The stored value of `key`, else of `older`; invalid when neither is stored.
QVariant ValueOrOlder(const QSettings& settings, const QString& key, const QString& older) {
    return settings.contains(key) ? settings.value(key) : settings.value(older);
}

}  // namespace

OptionSet Read(const QSettings& settings) {
    OptionSet options;
    for (const OptionInfo& info : kOptions) {
        const QVariant text = settings.value(QLatin1String(info.name),
                                             info.defaultOn ? QStringLiteral("true") : QStringLiteral("false"));
        options.Set(info.option, ToBoolean(text) != 0);
    }
    const QVariant readable = ValueOrOlder(settings, QLatin1String(kReadableKey), kOldReadableKey);
    options.readable = readable.isValid() && ToBoolean(readable) != 0;
    if (settings.contains(QLatin1String(kLinksKey))) {
        options.layout.links =
            ParseLinks(settings.value(QLatin1String(kLinksKey)).toString()).value_or(ReadableOptions::Links::None);
    } else if (const QVariant keep = settings.value(kOldLinksKey); keep.isValid() && ToBoolean(keep) != 0) {
        options.layout.links = ReadableOptions::Links::Inline;
    }
    if (const QVariant alt = ValueOrOlder(settings, QLatin1String(kAltTextKey), kOldAltTextKey); alt.isValid())
        options.layout.altText = ToBoolean(alt) != 0;
    return options;
}

QString StoredText(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

std::vector<StoredKey> StoredKeys(const OptionSet& options) {
    std::vector<StoredKey> keys;
    for (const OptionInfo& info : kOptions)
        keys.push_back({QLatin1String(info.name), StoredText(options.Get(info.option)), info.classic,
                        options.Get(info.option) == info.defaultOn});
    const OptionSet defaults;
    keys.push_back({QLatin1String(kReadableKey), StoredText(options.readable), false,
                    options.readable == defaults.readable});
    keys.push_back({QLatin1String(kLinksKey), LinksText(options.layout.links), false,
                    options.layout.links == defaults.layout.links});
    keys.push_back({QLatin1String(kAltTextKey), StoredText(options.layout.altText), false,
                    options.layout.altText == defaults.layout.altText});
    return keys;
}

bool Write(QSettings& settings, const OptionSet& options, Rows rows) {
    std::vector<StoredKey> keys = StoredKeys(options);
    std::erase_if(keys, [&](const StoredKey& k) {
        if (rows == Rows::All || k.classic) return false;
        return rows == Rows::Classic || (k.atDefault && !settings.contains(k.key));
    });
    QStringList older;
    if (rows != Rows::Classic)
        for (const QString& key : {kOldReadableKey, kOldLinksKey, kOldAltTextKey})
            if (settings.contains(key)) older << key;
    const bool upToDate = older.isEmpty() && std::all_of(keys.begin(), keys.end(), [&](const StoredKey& k) {
        const QVariant stored = settings.value(k.key);
        return stored.typeId() == QMetaType::QString && stored.toString() == k.text;
    });
    if (upToDate) return true;
    for (const StoredKey& k : keys) settings.setValue(k.key, k.text);
    for (const QString& key : older) settings.remove(key);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

TextEncoding::Setting ReadEncoding(const QSettings& settings) {
    return TextEncoding::SettingFromStore(settings.value(QLatin1String(kEncodingKey)));
}

bool WriteEncoding(QSettings& settings, TextEncoding::Setting setting, bool createForClassic) {
    const QString key = QLatin1String(kEncodingKey);
    const QString text = TextEncoding::SettingText(setting);
    const QVariant stored = settings.value(key);
    if (stored.typeId() == QMetaType::QString && stored.toString() == text) return true;
    if (!stored.isValid() && setting == TextEncoding::Setting::Windows1252 && !createForClassic) return true;
    settings.setValue(key, text);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString SaveFailure(const QSettings& settings) {
    return QStringLiteral("the options could not be saved to ") + settings.fileName();
}

}  // namespace tessark::OptionStore
