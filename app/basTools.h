// basTools: small helpers shared by the modules.
//
//  - ToBoolean: the conversion of a stored text or a check box value to a
//    Boolean; never fails (an unreadable value is false). It lives in base
//    (BooleanText.h), shared with the button control, and is named here too.
//  - InitCommandButtons: start-up's call of Initialize on each of the
//    window's button controls, which the window hands over as functions.
//  - ShellOpen: asks the desktop to open a file or a web address. The window
//    layer installs the real opener (the desktop services need QtGui); until
//    then ShellOpen does nothing. Failures are not detected.
//
// Thread safety: the window thread only (the shell opener is global).
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "BooleanText.h"

namespace tessark::basTools {

using ::tessark::ToBoolean;

// One button control's Initialize.
using ControlInitializer = std::function<void()>;

// Calls each of the window's button controls' Initialize, in the window's
// control order (creation order, depth first). A control that fails is
// skipped.
void InitCommandButtons(const std::vector<ControlInitializer>& buttons);

using ShellOpener = std::function<void(const QString& pathOrAddress)>;
void SetShellOpener(ShellOpener opener);
void ShellOpen(const QString& pathOrAddress);

}  // namespace tessark::basTools
