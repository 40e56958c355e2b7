// ConversionContext (formerly EngineHooks): how the extraction engine talks to the program around it.
//
// The engine has no I/O and no user interface of its own. Two things reach
// outside it, both through the ConversionContext that the caller hands to an
// engine object (ClassicEngine, ReferenceEngine, a stream) when it makes one:
//
//  - the yield: at fixed points of a conversion the engine calls the
//    context's yield function, so that a window can process its pending
//    events (repaint, input) during a long conversion. No function (or no
//    context) means a yield does nothing.
//  - the error report: a pass that traps a failure reports it under its own
//    source name ("ExtractText", "CutHTML", "ConsolidateChar") with a classic
//    run-time error number and description; the context keeps the reports in
//    order. An engine made without a context drops them.
//
// Failures inside the engine are C++ exceptions: std::bad_alloc becomes
// error 7 "Out of memory"; a RuntimeError carries its own number and
// description (a yield function may throw one, which is how tests inject a
// failure at a chosen point: the pass that yielded fails); anything else
// becomes 51 "Internal error".
//
// Thread safety: there is no state outside the contexts. A context belongs
// to one conversion at a time; conversions on different threads each use
// their own.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
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

using YieldFunction = std::function<void()>;

// One failure the engine reported during a conversion.
struct ErrorReport {
    std::string source;  // "ExtractText", "CutHTML", "ConsolidateChar"
    ErrorInfo error;
};

// The context of one conversion: its yield function and the reports that
// the engine made.
class ConversionContext {
public:
    explicit ConversionContext(YieldFunction yield = {}) : yield_(std::move(yield)) {}
    ConversionContext(const ConversionContext&) = delete;
    ConversionContext& operator=(const ConversionContext&) = delete;

    // Calls the yield function, if any. Whatever it throws propagates to the
    // pass that yielded, which handles it as a failure of its own.
    void Yield() {
        if (yield_) yield_();
    }
    // Records the exception being handled under the given source name. Never
    // throws.
    void ReportCurrentException(std::string_view source) noexcept;

    // The reports in the order made. Failed() is true after any report,
    // also one whose details could not be stored for lack of memory.
    const std::vector<ErrorReport>& Reports() const noexcept { return reports_; }
    bool Failed() const noexcept { return failed_; }

private:
    YieldFunction yield_;
    std::vector<ErrorReport> reports_;
    bool failed_ = false;
};

namespace engine_detail {
// The engine's side of a context that may be absent (null).
inline void Yield(ConversionContext* context) {
    if (context) context->Yield();
}
inline void ReportCurrentException(ConversionContext* context, std::string_view source) noexcept {
    if (context) context->ReportCurrentException(source);
}
}  // namespace engine_detail

}  // namespace tessark
