#include "TextEncoding.h"

namespace tessark::TextEncoding {
namespace {

QString Text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

QString SettingText(Setting setting) { return Text(encoding::SettingName(setting)); }

std::optional<Setting> ParseSetting(QStringView text) {
    // Qt trims every kind of space; the rest is ASCII.
    return encoding::ParseSetting(Name(text.trimmed()));
}

Setting SettingFromStore(const QVariant& stored) {
    if (!stored.isValid() || stored.typeId() != QMetaType::QString) return Setting::Windows1252;
    return ParseSetting(stored.toString()).value_or(Setting::Windows1252);
}

QString EncodingForLabel(QStringView label) { return Text(encoding::EncodingForLabel(Name(label))); }

bool CanDecode(const QString& encoding) { return encoding::CanDecode(Name(encoding)); }

QString ReasonText(Reason reason) { return Text(encoding::ReasonName(reason)); }

Detection FromDetection(const encoding::Detection& found) {
    return {Text(found.encoding), found.reason, static_cast<qsizetype>(found.bomLength)};
}

Detection Detect(QByteArrayView bytes, bool more) { return FromDetection(encoding::Detect(View(bytes), more)); }

std::optional<Detection> SniffBom(QByteArrayView bytes) {
    const auto found = encoding::SniffBom(View(bytes));
    if (!found) return std::nullopt;
    return FromDetection(*found);
}

QString PrescanMeta(QByteArrayView bytes) { return Text(encoding::PrescanMeta(View(bytes))); }

bool IsValidUtf8(QByteArrayView bytes, bool more) { return encoding::IsValidUtf8(View(bytes), more); }

QString Guess(QByteArrayView bytes) { return Text(encoding::Guess(View(bytes))); }

std::u16string Decode(QByteArrayView bytes, const QString& encoding) {
    return encoding::Decode(View(bytes), Name(encoding));
}

QByteArray EncodeUtf8(std::u16string_view text) {
    const std::string utf8 = encoding::EncodeUtf8(text);
    return QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Utf8Decoder::Utf8Decoder(const QString& encoding) : decoder_(Name(encoding)) {}

void Utf8Decoder::Decode(QByteArrayView bytes, bool last, QByteArray& out) {
    piece_.clear();
    decoder_.Decode(View(bytes), last, piece_);
    out.append(piece_.data(), static_cast<qsizetype>(piece_.size()));
}

}  // namespace tessark::TextEncoding
