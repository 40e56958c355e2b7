// AnsiCodePage: bytes <-> 16-bit text for the contents of input and output
// files (one character: Windows1252.h).
//
// Files are read and written in one fixed single-byte code page, Windows-1252,
// one character per byte. The five bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081, U+008D, U+008F, U+0090 and
// U+009D, so every byte survives a read followed by a write. When writing, a
// character the code page cannot hold becomes "?".
//
// Thread safety: pure functions over a constant table.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <string>
#include <string_view>

#include "Windows1252.h"

namespace tessark {

// Whole buffers. Both allocate exactly the result's size; std::bad_alloc
// propagates.
std::u16string DecodeAnsi(QByteArrayView bytes);
QByteArray EncodeAnsi(std::u16string_view text);

}  // namespace tessark
