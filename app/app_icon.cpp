#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QImage draw_app_icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);

    // The sheet, with a folded corner.
    QPainterPath sheet;
    sheet.moveTo(22, 8);
    sheet.lineTo(84, 8);
    sheet.lineTo(106, 30);
    sheet.lineTo(106, 120);
    sheet.lineTo(22, 120);
    sheet.closeSubpath();
    QLinearGradient paper_shade(22, 8, 106, 120);
    paper_shade.setColorAt(0, QColor(255, 255, 255));
    paper_shade.setColorAt(1, QColor(226, 234, 246));
    painter.setPen(QPen(QColor(52, 84, 140), 3));
    painter.setBrush(paper_shade);
    painter.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(84, 8);
    corner.lineTo(84, 30);
    corner.lineTo(106, 30);
    painter.setBrush(QColor(190, 206, 230));
    painter.drawPath(corner);

    // Three answer rows: an option box and a line of text each.
    painter.setPen(QPen(QColor(52, 84, 140), 2.5));
    for (int row = 0; row < 3; ++row) {
        const qreal y = 42 + row * 24;
        painter.setBrush(row == 1 ? QColor(52, 84, 140) : QColor(255, 255, 255));
        painter.drawRoundedRect(QRectF(32, y, 12, 12), 2, 2);
        painter.drawLine(QPointF(52, y + 6), QPointF(94, y + 6));
    }

    // The tick, in red as a teacher's pen.
    QPainterPath tick;
    tick.moveTo(58, 96);
    tick.lineTo(74, 112);
    tick.lineTo(120, 62);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(214, 48, 49), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return image;
}

QIcon app_icon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(draw_app_icon(app_icon_size)));
    icon.addPixmap(QPixmap::fromImage(draw_app_icon(32)));
    return icon;
}
