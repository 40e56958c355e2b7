// DesignFont: the fonts the window's design names, mapped onto what is
// installed.
//
// The design uses Windows fonts (MS Sans Serif, Verdana, Arial) that most
// Linux machines lack. DesignFont keeps the point size and style and picks
// the named family when it is installed, otherwise the closest installed
// one (DejaVu Sans or Liberation Sans, else the default sans serif). This is
// the one place where that choice is made.
#pragma once

#include <QFont>
#include <QString>

namespace tessark {

QFont DesignFont(const QString& family, qreal pointSize, bool bold = false, bool italic = false);

// The family DesignFont uses for `family` on this machine.
QString InstalledFamily(const QString& family);

}  // namespace tessark
