#include "ConversionContext.h"

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
