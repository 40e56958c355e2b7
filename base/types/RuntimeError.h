// RuntimeError: a failure with a classic run-time error number and its
// description, e.g. RuntimeError(53, "File not found"). Thrown by the disk
// layer and by yields that inject failures; the engine and the conversion job
// turn it into a report with that number (EngineHooks.h). Pure C++; an
// exception object, immutable once thrown.
#pragma once

#include <stdexcept>
#include <string>

namespace tessark {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

}  // namespace tessark
