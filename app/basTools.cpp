#include "basTools.h"

#include <utility>

namespace tessark::basTools {
namespace {
ShellOpener& opener() {
    static ShellOpener instance;
    return instance;
}
}  // namespace

void SetShellOpener(ShellOpener o) { opener() = std::move(o); }

void ShellOpen(const QString& pathOrAddress) {
    try {
        if (opener()) opener()(pathOrAddress);
    } catch (...) {
        // The shell's result is not looked at.
    }
}

void InitCommandButtons(const std::vector<ControlInitializer>& buttons) {
    for (const ControlInitializer& initialize : buttons) {
        try {
            if (initialize) initialize();
        } catch (...) {
            // A control that fails to initialise is skipped.
        }
    }
}

}  // namespace tessark::basTools
