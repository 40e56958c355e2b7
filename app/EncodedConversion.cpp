#include "EncodedConversion.h"

#include "ConversionContext.h"

namespace tessark {
namespace {

using TextEncoding::Reason;

// Runs a byte path of the engine over bytes[skip, size) in place; the result
// ends up at the start of the buffer.
template <class Extract>
void InPlace(QByteArray& bytes, qsizetype skip, const Extract& extract) {
    if (skip > 0) bytes.remove(0, skip);
    const std::size_t length = extract(reinterpret_cast<unsigned char*>(bytes.data()),
                                       static_cast<std::size_t>(bytes.size()), [&bytes](std::size_t size) {
                                           bytes.resize(static_cast<qsizetype>(size));
                                           return reinterpret_cast<unsigned char*>(bytes.data());
                                       });
    bytes.truncate(static_cast<qsizetype>(length));
}

void Utf8BytePath(Engine& engine, QByteArray& bytes, qsizetype skip) {
    InPlace(bytes, skip, [&engine](unsigned char* d, std::size_t n, const Engine::GrowBuffer& grow) {
        return engine.ExtractUtf8(d, n, grow);
    });
}

}  // namespace

bool IsUsableEncoding(const QString& encoding) {
    if (TextEncoding::ParseSetting(encoding)) return true;
    return TextEncoding::CanDecode(TextEncoding::EncodingForLabel(encoding));
}

TextEncoding::Detection DecideEncoding(QByteArrayView start, const QString& encoding, bool more) {
    if (TextEncoding::ParseSetting(encoding) == TextEncoding::Setting::Auto) return TextEncoding::Detect(start, more);
    TextEncoding::Detection found;
    found.encoding = TextEncoding::EncodingForLabel(encoding);
    if (!TextEncoding::CanDecode(found.encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    found.reason = Reason::Chosen;
    // A byte-order mark of the named encoding is not part of the text.
    if (const auto bom = TextEncoding::SniffBom(start); bom && bom->encoding == found.encoding)
        found.bomLength = bom->bomLength;
    return found;
}

EncodingUsed ConvertEncoded(Engine& engine, QByteArray& bytes, const QString& encoding) {
    const std::optional<TextEncoding::Setting> setting = TextEncoding::ParseSetting(encoding);
    if (setting == TextEncoding::Setting::Windows1252) {
        InPlace(bytes, 0, [&engine](unsigned char* d, std::size_t n, const Engine::GrowBuffer& grow) {
            return engine.ExtractBytes(d, n, grow);
        });
        return {QStringLiteral("windows-1252"), Reason::Chosen};
    }
    if (setting == TextEncoding::Setting::Utf8) {
        Utf8BytePath(engine, bytes, bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
        return {QStringLiteral("UTF-8"), Reason::Chosen};
    }

    const TextEncoding::Detection found = DecideEncoding(bytes, encoding);
    const QByteArrayView body = QByteArrayView(bytes).sliced(found.bomLength);
    if (found.encoding == QLatin1String("UTF-8") &&
        (found.reason == Reason::ValidUtf8 || TextEncoding::IsValidUtf8(body))) {
        Utf8BytePath(engine, bytes, found.bomLength);
    } else {
        std::u16string text = TextEncoding::Decode(body, found.encoding);
        bytes = QByteArray();  // the page's bytes are no longer needed
        text = engine.ExtractText(text);
        bytes = TextEncoding::EncodeUtf8(text);
    }
    return {found.encoding, found.reason};
}

}  // namespace tessark
