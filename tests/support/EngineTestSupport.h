// The engine tests' GoogleTest side (DifferentialInput.h has the rest): the
// fixture that runs a test once for every implementation of the kernels that
// the processor supports.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DifferentialInput.h"

namespace tessark::test {

inline const std::vector<std::string>& Kernels() {
    static const std::vector<std::string> names = SupportedImplementations();
    return names;
}

// Chooses the named implementation for its lifetime, then the automatic
// choice again. Not thread-safe: the choice is the process's.
class UsingKernels {
public:
    explicit UsingKernels(const std::string& name) : chosen(fast::ChooseImplementation(name)) {}
    ~UsingKernels() { fast::ChooseImplementation(""); }
    UsingKernels(const UsingKernels&) = delete;
    UsingKernels& operator=(const UsingKernels&) = delete;
    const bool chosen;
};

// A fixture whose parameter names the implementation of the kernels.
class EachKernels : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { ASSERT_TRUE(using_.chosen) << GetParam(); }
    UsingKernels using_{GetParam()};
};

}  // namespace tessark::test
