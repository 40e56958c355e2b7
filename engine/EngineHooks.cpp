#include "EngineHooks.h"

#include <new>
#include <utility>

namespace tessark {
namespace {
YieldHook& yieldHook() {
    static YieldHook hook;
    return hook;
}
ErrorHook& errorHook() {
    static ErrorHook hook;
    return hook;
}
}  // namespace

ErrorInfo ErrorFromCurrentException() noexcept {
    try {
        throw;
    } catch (const RuntimeError& e) {
        try {
            return {e.number(), e.what()};
        } catch (...) {
            return {e.number(), {}};
        }
    } catch (const std::bad_alloc&) {
        return {7, "Out of memory"};
    } catch (const std::length_error&) {
        return {14, "Out of string space"};
    } catch (...) {
        try {
            return {51, "Internal error"};
        } catch (...) {
            return {51, {}};
        }
    }
}

void SetYieldHook(YieldHook hook) { yieldHook() = std::move(hook); }
void SetErrorHook(ErrorHook hook) { errorHook() = std::move(hook); }

namespace engine_detail {
void Yield() {
    if (yieldHook()) yieldHook()();
}

void ReportCurrentException(std::string_view source) noexcept {
    ErrorInfo error = ErrorFromCurrentException();
    try {
        if (errorHook()) errorHook()(source, error);
    } catch (...) {
        // A reporter that fails itself has nothing left to tell.
    }
}
}  // namespace engine_detail
}  // namespace tessark
