#include "PropertyBag.h"

#include <QFont>

namespace tessark {

QString StoredText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::QFont:
            return value.value<QFont>().toString();
        default:
            return value.toString();
    }
}

QVariant MemoryPropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    const auto it = values_.constFind(key);
    if (it == values_.constEnd()) return defaultValue;
    return *it;
}

void MemoryPropertyBag::WriteProperty(const QString& key, const QVariant& value,
                                      const QVariant& defaultValue) {
    const QString text = StoredText(value);
    if (text == StoredText(defaultValue)) {
        values_.remove(key);
    } else {
        values_.insert(key, text);
    }
}

}  // namespace tessark
