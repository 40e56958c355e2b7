// RuntimeError: a failure with a classic run-time error number and its
// description, e.g. RuntimeError(ErrorNumber::FileNotFound) is 53 "File not
// found". Thrown by the disk layer, the text encodings and by yields that
// inject failures; the engine and the conversion job turn it into a report
// with that number (ConversionContext.h).
//
// kErrorTexts is the one table of the numbers the program raises and their
// descriptions, for every layer: the engine maps its exceptions onto it, the
// application throws from it, and the conversion job's messages show it
// ("Source: Error N: description", ConversionError::Message).
//
// Pure C++. Thread safety: the table is constant; an exception object is
// immutable once thrown.
#pragma once

#include <stdexcept>
#include <string>

namespace tessark {

enum class ErrorNumber : int {
    InvalidProcedureCall = 5,
    OutOfMemory = 7,
    OutOfStringSpace = 14,
    InternalError = 51,
    BadFileName = 52,
    FileNotFound = 53,
    DeviceIoError = 57,
    DiskFull = 61,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
};

struct ErrorText {
    ErrorNumber number;
    const char* description;
};

inline constexpr ErrorText kErrorTexts[] = {
    {ErrorNumber::InvalidProcedureCall, "Invalid procedure call or argument"},
    {ErrorNumber::OutOfMemory, "Out of memory"},
    {ErrorNumber::OutOfStringSpace, "Out of string space"},
    {ErrorNumber::InternalError, "Internal error"},
    {ErrorNumber::BadFileName, "Bad file name or number"},
    {ErrorNumber::FileNotFound, "File not found"},
    {ErrorNumber::DeviceIoError, "Device I/O error"},
    {ErrorNumber::DiskFull, "Disk full"},
    {ErrorNumber::PermissionDenied, "Permission denied"},
    {ErrorNumber::PathFileAccessError, "Path/File access error"},
    {ErrorNumber::PathNotFound, "Path not found"},
};

// The table's description of `number`; "" for a number it does not hold.
constexpr const char* ErrorDescription(ErrorNumber number) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.number == number) return entry.description;
    return "";
}

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    // One of the table's errors, with its description.
    explicit RuntimeError(ErrorNumber number)
        : RuntimeError(static_cast<int>(number), ErrorDescription(number)) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

}  // namespace tessark
