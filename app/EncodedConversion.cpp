#include "EncodedConversion.h"

#include "WholePage.h"

namespace tessark {

EncodingUsed UsedOf(const encoding::Detection& found) {
    return {QString::fromStdString(found.encoding), found.reason};
}

std::string EncodingName(const QString& encoding) {
    if (const auto setting = TextEncoding::ParseSetting(encoding)) return std::string(encoding::SettingName(*setting));
    return TextEncoding::Name(encoding);
}

bool IsUsableEncoding(const QString& encoding) { return encoding::IsUsableEncoding(EncodingName(encoding)); }

EncodingUsed ConvertEncoded(ClassicEngine& engine, QByteArray& bytes, const QString& encoding) {
    return UsedOf(ConvertWhole(engine, bytes, EncodingName(encoding)));
}

}  // namespace tessark
