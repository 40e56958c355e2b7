#include "OptionStore.h"

#include "BooleanText.h"

namespace tessark::OptionStore {

std::unique_ptr<QSettings> Open() {
    // Keys at the top level of an INI file land in its [General] section.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("OrvaneTessark"), QStringLiteral("OrvaneTessark"));
}

OptionSet Read(const QSettings& settings) {
    OptionSet options;
    for (const OptionInfo& info : kOptions) {
        const QVariant text = settings.value(QLatin1String(info.name),
                                             info.defaultOn ? QStringLiteral("true") : QStringLiteral("false"));
        options.Set(info.option, ToBoolean(text) != 0);
    }
    return options;
}

QString StoredText(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

bool Write(QSettings& settings, const OptionSet& options, Rows rows) {
    const auto chosen = [&](const OptionInfo& info) {
        if (rows == Rows::All || info.classic) return true;
        return rows == Rows::ClassicAndSet &&
               (options.Get(info.option) || settings.contains(QLatin1String(info.name)));
    };
    bool upToDate = true;
    for (const OptionInfo& info : kOptions) {
        if (!chosen(info)) continue;
        const QVariant stored = settings.value(QLatin1String(info.name));
        if (stored.typeId() != QMetaType::QString || stored.toString() != StoredText(options.Get(info.option))) {
            upToDate = false;
            break;
        }
    }
    if (upToDate) return true;
    for (const OptionInfo& info : kOptions)
        if (chosen(info)) settings.setValue(QLatin1String(info.name), StoredText(options.Get(info.option)));
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
