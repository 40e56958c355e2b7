// EngineHooks: how the extraction engine talks to the program around it.
//
// The engine has no I/O and no user interface of its own. Two things reach
// outside it: the yield and the error report. Each goes to the conversion
// context of the calling thread when one is set (ConversionContext below:
// one conversion's own yield and its own list of reports, so that several
// conversions can run at once on different threads), and otherwise to the
// process-wide hooks that a single-threaded application installs once:
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
#include <string>
#include <string_view>
#include <vector>

#include "RuntimeError.h"

namespace tessark {

// The number and description of an error, as the error reporter sees it.
struct ErrorInfo {
    int number = 0;
    std::string description;
};

// Maps the exception being handled (call only inside a catch block) to its
// error number and description, as listed at the top of this file.
ErrorInfo ErrorFromCurrentException() noexcept;

namespace engine_detail {
void Yield();
void ReportCurrentException(std::string_view source) noexcept;
}  // namespace engine_detail

using YieldHook = std::function<void()>;
using ErrorHook = std::function<void(std::string_view source, const ErrorInfo& error)>;

// Installs the hooks; an empty function removes a hook. Both are process-wide,
// like the single window thread that they serve, and used only on a thread
// without a conversion context. Not thread-safe: install them before any
// conversion starts.
void SetYieldHook(YieldHook hook);
void SetErrorHook(ErrorHook hook);
// Calls the process-wide yield hook, if any, whether or not a context is set
// (a context's yield can pass the window's yields on this way).
void CallYieldHook();

// One failure the engine reported during a conversion.
struct ErrorReport {
    std::string source;  // "ExtractText", "CutHTML", "ConsolidateChar"
    ErrorInfo error;
};

// The context of one conversion on the thread that creates it: while the
// object lives, the engine's yields on this thread call `yield` (none when it
// is empty) and its reports are collected here as values instead of going to
// the process-wide hooks. Contexts nest (the inner one wins until it ends);
// create and destroy one on the same thread, innermost first. An object
// belongs to its thread; different threads each have their own.
class ConversionContext {
public:
    explicit ConversionContext(YieldHook yield = {});
    ~ConversionContext();
    ConversionContext(const ConversionContext&) = delete;
    ConversionContext& operator=(const ConversionContext&) = delete;

    // The reports in the order made. Failed() is true after any report,
    // also one whose details could not be stored for lack of memory.
    const std::vector<ErrorReport>& Reports() const noexcept { return reports_; }
    bool Failed() const noexcept { return failed_; }

private:
    friend void engine_detail::Yield();
    friend void engine_detail::ReportCurrentException(std::string_view source) noexcept;

    YieldHook yield_;
    std::vector<ErrorReport> reports_;
    bool failed_ = false;
    ConversionContext* previous_;
};

namespace engine_detail {
// Calls the current context's yield, or without a context the yield hook, if any. Whatever the hook throws propagates to the
// pass that yielded, which handles it as a failure of its own.
void Yield();
// Reports the exception being handled under the given source name, to the
// current context or without one to the error hook. Never throws.
void ReportCurrentException(std::string_view source) noexcept;
}  // namespace engine_detail

}  // namespace tessark
