#include "forms/main/ProcessPicture.h"

#include <QPainter>
#include <QPolygonF>

namespace forms {

QPixmap laptopChartPicture(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 100 x 100 canvas and scaled, as a metafile would be.
    painter.scale(size.width() / 100.0, size.height() / 100.0);

    painter.setPen(QPen(QColor(64, 64, 64), 2));
    painter.setBrush(QColor(200, 200, 200));
    painter.drawRect(QRectF(18, 8, 64, 52));                                  // lid
    painter.drawPolygon(QPolygonF({{18, 62}, {82, 62}, {96, 86}, {4, 86}}));  // keyboard deck

    painter.setBrush(QColor(255, 255, 255));
    painter.drawRect(QRectF(24, 14, 52, 40));  // screen

    painter.setPen(Qt::NoPen);
    const QColor bars[] = {QColor(40, 90, 200), QColor(220, 60, 40), QColor(40, 160, 60)};
    const double heights[] = {14, 26, 20};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(bars[i]);
        painter.drawRect(QRectF(32 + i * 13, 50 - heights[i], 9, heights[i]));
    }
    painter.setPen(QPen(QColor(64, 64, 64), 1.5));
    painter.drawLine(QPointF(28, 50), QPointF(72, 50));  // the chart's axis
    return pixmap;
}

}  // namespace forms
