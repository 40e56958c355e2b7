// TextEncoding: the Qt face of the encoding module (library/encoding/
// Encoding.h, the one home of the labels, the detection and the decoders):
// the same functions over QString and QByteArray for the program's job, its
// settings, its command line and its window. Every fact (the label table,
// the detection chain, the decoders) lives there; this module only converts
// between Qt's types and the standard ones.
//
//  - The Encoding setting: "windows-1252" (the classic byte path, the
//    default), "utf-8" (the UTF-8 byte path) or "auto" (detected per file),
//    and its stored form.
//  - Labels, detection, decoding: as Encoding.h describes them.
//
// Every function is reentrant and may be called from any thread: nothing is
// shared between calls (each conversion opens its own converter).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "encoding/Encoding.h"

namespace tessark::TextEncoding {

// ----------------------------------------------------------------- setting

using Setting = encoding::Setting;

// "windows-1252", "utf-8" or "auto": the value stored under the settings key.
QString SettingText(Setting setting);
// The setting for one of those three texts (surrounding spaces and letter
// case ignored); nothing for any other text.
std::optional<Setting> ParseSetting(QStringView text);
// The setting for a stored value; a missing or unreadable one is
// Windows1252.
Setting SettingFromStore(const QVariant& stored);

// ------------------------------------------------------------------ labels

// encoding::EncodingForLabel, encoding::CanDecode.
QString EncodingForLabel(QStringView label);
bool CanDecode(const QString& encoding);

// --------------------------------------------------------------- detection

using Reason = encoding::Reason;
QString ReasonText(Reason reason);

struct Detection {
    QString encoding;     // a name that EncodingForLabel gives
    Reason reason = Reason::Default;
    qsizetype bomLength = 0;  // bytes of the byte-order mark at the start, to skip
};
Detection FromDetection(const encoding::Detection& found);

inline constexpr qsizetype kDetectBytes = static_cast<qsizetype>(encoding::kDetectBytes);

// encoding::Detect and its steps.
Detection Detect(QByteArrayView bytes, bool more = false);
std::optional<Detection> SniffBom(QByteArrayView bytes);
QString PrescanMeta(QByteArrayView bytes);
bool IsValidUtf8(QByteArrayView bytes, bool more = false);
QString Guess(QByteArrayView bytes);
inline constexpr qsizetype kGuessMinNonAscii = static_cast<qsizetype>(encoding::kGuessMinNonAscii);
inline constexpr qsizetype kGuessSampleBytes = static_cast<qsizetype>(encoding::kGuessSampleBytes);

// -------------------------------------------------------------- conversion

// encoding::Decode, encoding::EncodeUtf8.
std::u16string Decode(QByteArrayView bytes, const QString& encoding);
QByteArray EncodeUtf8(std::u16string_view text);

// encoding::Utf8Decoder, appending to a QByteArray.
class Utf8Decoder {
public:
    // Throws RuntimeError 5 for an encoding that Decode cannot decode.
    explicit Utf8Decoder(const QString& encoding);
    void Decode(QByteArrayView bytes, bool last, QByteArray& out);

private:
    encoding::Utf8Decoder decoder_;
    std::string piece_;
};

// The standard types of the encoding module for Qt's.
inline std::string_view View(QByteArrayView bytes) {
    return {bytes.data(), static_cast<std::size_t>(bytes.size())};
}
inline std::string Name(QStringView name) { return name.toString().toStdString(); }

}  // namespace tessark::TextEncoding
