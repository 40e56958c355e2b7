// ProgramText: the program's own conversion of a file (ConvertOne, into
// memory) for the library's tests to compare with, the library's options
// mapped onto the program's by hand (the program's option set, not the
// library's mapping).
//
// Thread safety: reentrant, as ConvertOne.
#pragma once

#include <QByteArray>
#include <QString>
#include <tessark/tessark.hpp>

namespace tessark::test {

// The text ConvertOne writes for the file, or "FAILED: " and the reason.
QByteArray ProgramText(const QString& path, const Options& options);
// The classic text of the page converted whole (ConvertEncoded), the way
// that never streams.
QByteArray WholeClassicText(QByteArray page, const Options& options);

}  // namespace tessark::test
