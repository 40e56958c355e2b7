// EngineHooks: how the extraction engine talks to the program around it.
//
// The engine has no I/O and no user interface of its own. Two things reach
// outside it, both through hooks that the application installs once:
//
//  - the yield: at fixed points of a conversion the engine calls the yield
//    hook, so that a window can process its pending events (repaint, input)
//    during a long conversion. No hook installed means a yield does nothing.
//  - the error report: a pass that traps a failure reports it under its own
//    source name ("ExtractText", "CutHTML", "ConsolidateChar") with a classic
//    run-time error number and description. No hook installed means the
//    report is dropped.
//
// Failures inside the engine are C++ exceptions: std::bad_alloc becomes
// error 7 "Out of memory"; a RuntimeError carries its own number and
// description (a yield hook may throw one, which is how tests inject a
// failure at a chosen point); anything else becomes 51 "Internal error".
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessark {

// A run-time error with a classic error number, e.g. RuntimeError(53, "File not found").
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

// The number and description of an error, as the error reporter sees it.
struct ErrorInfo {
    int number = 0;
    std::string description;
};

// Maps the exception being handled (call only inside a catch block) to its
// error number and description, as listed at the top of this file.
ErrorInfo ErrorFromCurrentException() noexcept;

using YieldHook = std::function<void()>;
using ErrorHook = std::function<void(std::string_view source, const ErrorInfo& error)>;

// Installs the hooks; an empty function removes a hook. Both are process-wide,
// like the single window thread that they serve.
void SetYieldHook(YieldHook hook);
void SetErrorHook(ErrorHook hook);

namespace engine_detail {
// Calls the yield hook, if any. Whatever the hook throws propagates to the
// pass that yielded, which handles it as a failure of its own.
void Yield();
// Reports the exception being handled under the given source name. Never throws.
void ReportCurrentException(std::string_view source) noexcept;
}  // namespace engine_detail

}  // namespace tessark
