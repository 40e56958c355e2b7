// BooleanText: ToBoolean, the conversion of a stored text, a check box value
// or a stored setting to a Boolean. It never fails: a value that cannot be
// read as one is false. ReadBoolean is the same conversion that tells such a
// value apart (no value), for a reader that keeps what it had. Shared by the option store and the
// button control's property store. Thread safety: pure functions.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

#include "Boolean.h"

namespace tessark {

// A text: "True"/"False" in any letter case give that value; a text that
// reads as a number (decimal with optional sign, fraction and exponent, or
// &H hexadecimal / &O octal; surrounding spaces allowed) gives false for 0
// and true otherwise; anything else, the empty string included, is false.
Boolean ToBoolean(const QString& value) noexcept;
// A check box value: 0 is false, anything else true.
Boolean ToBoolean(int checkBoxValue) noexcept;
// A value from a settings store: a text as above, a bool as it is; other
// kinds (a list) false.
Boolean ToBoolean(const QVariant& value) noexcept;

// The same conversions, but a text that is neither "True"/"False" nor a
// number, or a value of another kind, gives no value.
std::optional<Boolean> ReadBoolean(const QString& value) noexcept;
std::optional<Boolean> ReadBoolean(const QVariant& value) noexcept;

}  // namespace tessark
