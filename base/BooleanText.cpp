#include "BooleanText.h"

#include <QRegularExpression>

namespace tessark {

std::optional<Boolean> ReadBoolean(const QString& value) noexcept {
    try {
        const QString text = value.trimmed();
        if (text.compare(u"True", Qt::CaseInsensitive) == 0) return True;
        if (text.compare(u"False", Qt::CaseInsensitive) == 0) return False;
        if (text.size() > 2 && text[0] == u'&') {
            const QChar kind = text[1].toUpper();
            const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
            if (base == 0) return std::nullopt;
            bool ok = false;
            const qulonglong n = text.mid(2).toULongLong(&ok, base);
            if (!ok) return std::nullopt;
            return n != 0 ? True : False;
        }
        static const QRegularExpression number(
            QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
        if (!number.match(text).hasMatch()) return std::nullopt;
        bool ok = false;
        const double n = text.toDouble(&ok);
        if (!ok) return std::nullopt;
        return n != 0.0 ? True : False;
    } catch (...) {
        return std::nullopt;
    }
}

Boolean ToBoolean(const QString& value) noexcept { return ReadBoolean(value).value_or(False); }

Boolean ToBoolean(int checkBoxValue) noexcept { return checkBoxValue != 0 ? True : False; }

std::optional<Boolean> ReadBoolean(const QVariant& value) noexcept {
    if (value.typeId() == QMetaType::QString) return ReadBoolean(value.toString());
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? True : False;
    return std::nullopt;
}

Boolean ToBoolean(const QVariant& value) noexcept { return ReadBoolean(value).value_or(False); }

}  // namespace tessark
