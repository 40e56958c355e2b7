#include "DesignFont.h"

#include <QFontDatabase>
#include <QStringList>
#include <QWidget>

namespace tessark {

QString InstalledFamily(const QString& family) {
    if (QFontDatabase::hasFamily(family)) return family;
    // Closest metric-compatible or look-alike families first.
    QStringList candidates;
    if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0) {
        candidates << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo");
    } else if (family.compare(QLatin1String("Verdana"), Qt::CaseInsensitive) == 0) {
        candidates << QStringLiteral("DejaVu Sans") << QStringLiteral("Bitstream Vera Sans");
    } else if (family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
        candidates << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("DejaVu Sans")
                   << QStringLiteral("Liberation Sans");
    }
    candidates << QStringLiteral("DejaVu Sans") << QStringLiteral("Liberation Sans");
    for (const QString& candidate : candidates) {
        if (QFontDatabase::hasFamily(candidate)) return candidate;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont DesignFont(const QString& family, qreal pointSize, bool bold, bool italic) {
    QFont font(InstalledFamily(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void ApplyDesignFont(QWidget* widget, const QString& family, qreal pointSize, bool bold, bool italic) {
    if (!widget) return;
    widget->setFont(DesignFont(family, pointSize, bold, italic));
    widget->setProperty(kDesignFontFamily, family);
}

}  // namespace tessark
