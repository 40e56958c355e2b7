// basTools: small helpers shared by the modules.
//
//  - ToBoolean: the conversion of a stored text or a check box value to a
//    Boolean; never fails (an unreadable value is false). ReadBoolean is the
//    same conversion that tells an unreadable value apart (no value).
//  - ShellOpen: asks the desktop to open a file or a web address. The window
//    layer installs the real opener (the desktop services need QtGui); until
//    then ShellOpen does nothing. Failures are not detected.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

#include "cTessark.h"

namespace tessark::basTools {

// A text: "True"/"False" in any letter case give that value; a text that
// reads as a number (decimal with optional sign, fraction and exponent, or
// &H hexadecimal / &O octal; surrounding spaces allowed) gives false for 0
// and true otherwise; anything else, the empty string included, is false.
Boolean ToBoolean(const QString& value) noexcept;
// The same, but a text that is neither "True"/"False" nor a number gives no
// value, so that a caller can keep what it had.
std::optional<Boolean> ReadBoolean(const QString& value) noexcept;
// A check box value: 0 is false, anything else true.
Boolean ToBoolean(int checkBoxValue) noexcept;
// A value from the settings store: a text as above; other kinds (a list) false.
Boolean ToBoolean(const QVariant& value) noexcept;
// A value from a store: a text as ReadBoolean, a Boolean as itself; other
// kinds give no value.
std::optional<Boolean> ReadBoolean(const QVariant& value) noexcept;

// Calls Initialize on every button control (a child whose "ControlIdentifier"
// property is "Tessark.Command") of `window`, in the window's control order
// (creation order, depth first). A control that fails is skipped.
void InitCommandButtons(QObject* window);

using ShellOpener = std::function<void(const QString& pathOrAddress)>;
void SetShellOpener(ShellOpener opener);
void ShellOpen(const QString& pathOrAddress);

}  // namespace tessark::basTools
