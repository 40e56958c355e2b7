// ProgramText: the program's own conversion of a file (ConvertOne, into
// memory) for the library's tests to compare with; in a file of its own,
// so that the program's headers and the library's public one stay apart.
//
// Thread safety: reentrant, as ConvertOne.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace tessark::test {

struct ProgramChoice {
    bool readable = false;
    int links = 0;  // 0 none, 1 inline, 2 list
    bool altText = true;
    int width = 0;
    bool crlf = false;
    // The twelve classic steps in the order of tessark::ClassicOptions.
    std::array<bool, 12> classic{};
    bool classicLineEnds = false;
    QString encoding;
};

// The text ConvertOne writes for the file, or "FAILED: " and the reason.
QByteArray ProgramText(const QString& path, const ProgramChoice& choice);
// The classic text of the page converted whole (ConvertEncoded, classic
// line ends), the way that never streams.
QByteArray WholeClassicText(QByteArray page, const ProgramChoice& choice);

}  // namespace tessark::test
