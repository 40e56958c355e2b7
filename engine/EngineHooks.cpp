#include "EngineHooks.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace tessark {

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

void ConversionContext::ReportCurrentException(std::string_view source) noexcept {
    ErrorInfo error = ErrorFromCurrentException();
    failed_ = true;
    try {
        reports_.push_back({std::string(source), std::move(error)});
    } catch (...) {
        // Failed() still tells that the conversion failed.
    }
}

}  // namespace tessark
