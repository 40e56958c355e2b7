// The window icon: a sheet of paper with a folded corner; an angle-bracket
// pair at the top stands for markup, and the text lines below it for the
// plain text the program makes of it.
#include "ImageGen.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace tessark::imagegen {

QImage RenderIcon() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);

        const QColor outline(0, 60, 116);
        const QColor bracket(32, 110, 200);
        const QColor text(70, 112, 160);

        // Sheet with its upper-right corner folded over.
        constexpr qreal left = 5.5, top = 1.5, right = 26.5, bottom = 30.5, fold = 7.0;
        QPainterPath sheet;
        sheet.moveTo(left, top);
        sheet.lineTo(right - fold, top);
        sheet.lineTo(right, top + fold);
        sheet.lineTo(right, bottom);
        sheet.lineTo(left, bottom);
        sheet.closeSubpath();
        QLinearGradient paper(0, top, 0, bottom);
        paper.setColorAt(0.0, QColor(255, 255, 255));
        paper.setColorAt(1.0, QColor(214, 232, 250));
        p.setBrush(paper);
        p.setPen(QPen(outline, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawPath(sheet);

        QPainterPath flap;
        flap.moveTo(right - fold, top);
        flap.lineTo(right - fold, top + fold);
        flap.lineTo(right, top + fold);
        flap.closeSubpath();
        p.setBrush(QColor(176, 206, 240));
        p.setPen(QPen(outline, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawPath(flap);

        // "<>" at the top of the sheet.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(bracket, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF lt[] = {{13.0, 7.0}, {9.0, 11.0}, {13.0, 15.0}};
        const QPointF gt[] = {{16.0, 7.0}, {20.0, 11.0}, {16.0, 15.0}};
        p.drawPolyline(lt, 3);
        p.drawPolyline(gt, 3);

        // Lines of text below it, the last one short.
        p.setPen(QPen(text, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 19.5), QPointF(22.5, 19.5));
        p.drawLine(QPointF(9.5, 23.0), QPointF(22.5, 23.0));
        p.drawLine(QPointF(9.5, 26.5), QPointF(17.5, 26.5));
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace tessark::imagegen
