// Engine tests run once for every implementation of the kernels that the
// processor supports: Kernels() lists their names (baseline first), and a
// UsingKernels chooses the named one for its lifetime, then the automatic
// choice again. EachKernels is a fixture whose parameter is that name.
// Not thread-safe: the choice is the process's.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DifferentialInput.h"

namespace tessark::test {

class UsingKernels {
public:
    explicit UsingKernels(const std::string& name) : chosen_(fast::ChooseImplementation(name)) {}
    ~UsingKernels() { fast::ChooseImplementation(""); }
    UsingKernels(const UsingKernels&) = delete;
    UsingKernels& operator=(const UsingKernels&) = delete;
    bool chosen() const { return chosen_; }

private:
    bool chosen_;
};

inline const std::vector<std::string>& Kernels() {
    static const std::vector<std::string> names = differential::SupportedImplementations();
    return names;
}

class EachKernels : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { ASSERT_TRUE(using_.chosen()) << GetParam(); }
    UsingKernels using_{GetParam()};
};

}  // namespace tessark::test
