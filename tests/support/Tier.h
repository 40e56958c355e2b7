// Which tier of the test suite is running. The README's test command runs the
// fast tier: every behaviour, and the long comparisons on a fixed sample.
// scripts/test-nightly.sh sets TESSARK_NIGHTLY=1: the whole corpus under every
// option set, the kill test and the other long runs.
#pragma once

#include <cstdlib>
#include <string_view>

namespace tessark::test {

inline bool Nightly() {
    const char* v = std::getenv("TESSARK_NIGHTLY");
    return v != nullptr && *v != '\0' && std::string_view(v) != "0";
}

}  // namespace tessark::test
