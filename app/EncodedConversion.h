// EncodedConversion: one page converted by the engine in the text encoding
// that the Encoding setting (or a charset named for the run) asks for, for
// the program's job: the Qt face of the library's whole-page conversion
// (library/WholePage.h, which says what each encoding does) and of its
// usable encodings.
//
// Reentrant: it touches nothing but its arguments (and the engine's
// conversion context, through the engine).
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "TextEncoding.h"
#include "ClassicEngine.h"

namespace tessark {

// What the input was read as, and why.
struct EncodingUsed {
    QString encoding;  // "windows-1252", "UTF-8", "Shift_JIS", ...
    TextEncoding::Reason reason = TextEncoding::Reason::Chosen;
};
EncodingUsed UsedOf(const encoding::Detection& found);

// True for "windows-1252", "utf-8", "auto" and every label TextEncoding
// can decode.
bool IsUsableEncoding(const QString& encoding);

// The encoding as the library's functions take it: a setting by its name
// (as TextEncoding::ParseSetting reads it), else the label as it is.
std::string EncodingName(const QString& encoding);

// Converts `bytes` (the whole input, as FileSystem::ReadAll gives it) into
// the output bytes, in place where the path allows (ConvertWhole). Throws
// RuntimeError 5 for an encoding that IsUsableEncoding refuses;
// std::bad_alloc propagates. The engine reports its own failures, as
// ExtractText does.
EncodingUsed ConvertEncoded(ClassicEngine& engine, QByteArray& bytes, const QString& encoding);

}  // namespace tessark
