#include "AnsiCodePage.h"


namespace tessark {

std::u16string DecodeAnsi(QByteArrayView bytes) {
    std::u16string text(static_cast<std::size_t>(bytes.size()), u'\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = Windows1252Char(in[i]);
    return text;
}

QByteArray EncodeAnsi(std::u16string_view text) {
    QByteArray bytes(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char* out = bytes.data();
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(Windows1252Byte(text[i]));
    return bytes;
}

}  // namespace tessark
