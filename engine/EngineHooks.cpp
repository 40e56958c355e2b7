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
thread_local ConversionContext* t_current = nullptr;
}  // namespace

ConversionContext::ConversionContext(YieldHook yield) : yield_(std::move(yield)), previous_(t_current) {
    t_current = this;
}

ConversionContext::~ConversionContext() { t_current = previous_; }

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
        return {static_cast<int>(ErrorNumber::OutOfMemory), ErrorDescription(ErrorNumber::OutOfMemory)};
    } catch (const std::length_error&) {
        return {static_cast<int>(ErrorNumber::OutOfStringSpace), ErrorDescription(ErrorNumber::OutOfStringSpace)};
    } catch (...) {
        try {
            return {static_cast<int>(ErrorNumber::InternalError), ErrorDescription(ErrorNumber::InternalError)};
        } catch (...) {
            return {static_cast<int>(ErrorNumber::InternalError), {}};
        }
    }
}

void SetYieldHook(YieldHook hook) { yieldHook() = std::move(hook); }
void SetErrorHook(ErrorHook hook) { errorHook() = std::move(hook); }

void CallYieldHook() {
    if (yieldHook()) yieldHook()();
}

namespace engine_detail {
void Yield() {
    if (ConversionContext* context = t_current) {
        if (context->yield_) context->yield_();
        return;
    }
    if (yieldHook()) yieldHook()();
}

void ReportCurrentException(std::string_view source) noexcept {
    ErrorInfo error = ErrorFromCurrentException();
    if (ConversionContext* context = t_current) {
        context->failed_ = true;
        try {
            context->reports_.push_back({std::string(source), std::move(error)});
        } catch (...) {
            // Failed() still tells that the conversion failed.
        }
        return;
    }
    try {
        if (errorHook()) errorHook()(source, error);
    } catch (...) {
        // A reporter that fails itself has nothing left to tell.
    }
}
}  // namespace engine_detail
}  // namespace tessark
