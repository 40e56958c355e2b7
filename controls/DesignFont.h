// DesignFont: the fonts the window's design names, mapped onto what is
// installed.
//
// The design uses Windows fonts (MS Sans Serif, Verdana, Arial) that most
// Linux machines lack. DesignFont keeps the point size and style and picks
// the named family when it is installed, otherwise the closest installed
// one (DejaVu Sans or Liberation Sans, else the default sans serif). This is
// the one place where that choice is made. Main thread only (it asks the
// font database).
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace tessark {

QFont DesignFont(const QString& family, qreal pointSize, bool bold = false, bool italic = false);

// The family DesignFont uses for `family` on this machine.
QString InstalledFamily(const QString& family);

// Sets DesignFont(...) as the widget's font and keeps the design's own family
// name in its "designFontFamily" property, so that the design can be read
// back whatever the machine put in its place.
void ApplyDesignFont(QWidget* widget, const QString& family, qreal pointSize, bool bold = false,
                     bool italic = false);

// The name of the property that ApplyDesignFont sets.
inline constexpr const char* kDesignFontFamily = "designFontFamily";

}  // namespace tessark
