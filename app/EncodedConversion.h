// EncodedConversion: one page converted by the engine in the text encoding
// that the Encoding setting (or a charset named for the run) asks for.
//
//   "windows-1252": the classic byte path (Engine::ExtractBytes), output in
//                   Windows-1252, byte for byte as it always was.
//   "utf-8":        the UTF-8 byte path (Engine::ExtractUtf8); a UTF-8
//                   byte-order mark at the start is dropped; bytes that are
//                   not UTF-8 pass through.
//   "auto":         TextEncoding::Detect per page; any other charset label:
//                   that encoding. Input that is well-formed UTF-8 (after a
//                   byte-order mark) takes the UTF-8 byte path; any other is
//                   decoded into 16-bit text (U+FFFD for what the encoding
//                   does not define), converted by ExtractText and encoded
//                   as UTF-8. The output is UTF-8 without a byte-order mark.
//
// A page converted as it is read (ConversionJob.cpp) gets the same result
// from DecideEncoding over its beginning and TextEncoding::Utf8Decoder.
//
// Reentrant: it touches nothing but its arguments (and the engine's
// conversion context, through the engine).
#pragma once

#include <QByteArray>
#include <QString>

#include "TextEncoding.h"
#include "Engine.h"

namespace tessark {

// What the input was read as, and why.
struct EncodingUsed {
    QString encoding;  // "windows-1252", "UTF-8", "Shift_JIS", ...
    TextEncoding::Reason reason = TextEncoding::Reason::Chosen;
};

// True for "windows-1252", "utf-8", "auto" and every label TextEncoding
// can decode.
bool IsUsableEncoding(const QString& encoding);

// The encoding that "auto" or a charset label reads a page in, decided from
// `start`, the whole page or (with `more`) only its beginning: the chain of
// TextEncoding::Detect for "auto", else the label's encoding, whose own
// byte-order mark at the start is skipped. Throws RuntimeError 5 for a label
// that cannot be decoded.
TextEncoding::Detection DecideEncoding(QByteArrayView start, const QString& encoding, bool more = false);

// Converts `bytes` (the whole input, as FileSystem::ReadAll gives it) into
// the output bytes, in place where the path allows. Throws RuntimeError 5
// for an encoding that IsUsableEncoding refuses; std::bad_alloc propagates.
// The engine reports its own failures, as ExtractText does.
EncodingUsed ConvertEncoded(Engine& engine, QByteArray& bytes, const QString& encoding);

}  // namespace tessark
