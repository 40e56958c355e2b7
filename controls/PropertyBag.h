// PropertyBag: the key/value store in which a host keeps the design settings
// of its controls (caption, font, ...), the way a form file would.
//
// A control saves by writing each setting together with its default; the
// store leaves out a value equal to its default, so a stored control carries
// only what differs from a fresh one. Loading reads each key with a default,
// which is what the reader gets back when the store holds no value.
//
// Values are kept as texts: Booleans as "True"/"False", fonts in
// QFont::toString() form, numbers in decimal.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tessark {

class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The stored value of `key` (a text), or `defaultValue` itself when the
    // store holds none.
    virtual QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const = 0;
    // Stores `value` under `key`, or removes the key when `value` equals
    // `defaultValue` (compared in stored form).
    virtual void WriteProperty(const QString& key, const QVariant& value,
                               const QVariant& defaultValue) = 0;
};

// The stored text form of a value.
QString StoredText(const QVariant& value);

// A property store in memory; the main window fills one per button with its
// design settings.
class MemoryPropertyBag final : public PropertyBag {
public:
    MemoryPropertyBag() = default;
    // Starts with the given key/text pairs, as read from a design.
    explicit MemoryPropertyBag(const QMap<QString, QString>& values) : values_(values) {}

    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override;
    void WriteProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override;

    bool Contains(const QString& key) const { return values_.contains(key); }
    QString Text(const QString& key) const { return values_.value(key); }
    QStringList Keys() const { return values_.keys(); }
    const QMap<QString, QString>& Values() const { return values_; }

private:
    QMap<QString, QString> values_;
};

}  // namespace tessark
