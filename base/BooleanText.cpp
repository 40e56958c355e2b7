#include "BooleanText.h"

#include <QRegularExpression>

namespace tessark {

Boolean ToBoolean(const QString& value) noexcept {
    try {
        const QString text = value.trimmed();
        if (text.compare(u"True", Qt::CaseInsensitive) == 0) return True;
        if (text.compare(u"False", Qt::CaseInsensitive) == 0) return False;
        if (text.size() > 2 && text[0] == u'&') {
            const QChar kind = text[1].toUpper();
            const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
            if (base == 0) return False;
            bool ok = false;
            const qulonglong n = text.mid(2).toULongLong(&ok, base);
            return ok && n != 0 ? True : False;
        }
        static const QRegularExpression number(
            QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
        if (!number.match(text).hasMatch()) return False;
        bool ok = false;
        const double n = text.toDouble(&ok);
        return ok && n != 0.0 ? True : False;
    } catch (...) {
        return False;
    }
}

Boolean ToBoolean(int checkBoxValue) noexcept { return checkBoxValue != 0 ? True : False; }

Boolean ToBoolean(const QVariant& value) noexcept {
    if (value.typeId() == QMetaType::QString) return ToBoolean(value.toString());
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? True : False;
    return False;
}

}  // namespace tessark
