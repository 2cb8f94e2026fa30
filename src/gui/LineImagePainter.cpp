#include "LineImagePainter.h"

#include <QPainter>
#include <QPolygon>

namespace {

QColor ToQColor(const TProfileColor& c) {
    return QColor(c.R, c.G, c.B);
}

QPolygon ToPolygon(const std::vector<TProfilePoint>& points) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const TProfilePoint& p : points) polygon << QPoint(p.X, p.Y);
    return polygon;
}

} // namespace

QImage PaintLineImage(const TProfileGeometry& geometry) {
    QImage image(std::max(1, geometry.Width), geometry.Height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!geometry.Outline.empty()) {
        painter.setPen(QPen(ToQColor(ProfileOutlineColor), 1));
        painter.setBrush(ToQColor(ProfileFillColor));
        painter.drawPolygon(ToPolygon(geometry.Outline));
    }
    for (const TLineMarker& m : geometry.Markers) {
        painter.setPen(QPen(ToQColor(ProfileOutlineColor), 1));
        painter.setBrush(ToQColor(MarkerFillColor));
        painter.drawPolygon(ToPolygon(m.Polygon));
        painter.setPen(QPen(ToQColor(MarkerLineColor), 1));
        painter.drawLine(m.BaseFrom.X, m.BaseFrom.Y, m.BaseTo.X, m.BaseTo.Y);
        painter.drawLine(m.LeftX, 0, m.LeftX, LineImageHeight);
        painter.drawLine(m.RightX, 0, m.RightX, LineImageHeight);
    }
    return image;
}

QImage PaintLineImageStretch(const QImage& lineImage, int width, bool stretch) {
    QImage framed(std::max(2, width), LineImageHeight + 2, QImage::Format_RGB32);
    framed.fill(Qt::white);
    QPainter painter(&framed);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, framed.width() - 1, framed.height() - 1);
    const QRect inside(1, 1, framed.width() - 2, framed.height() - 2);
    painter.setClipRect(inside);
    if (stretch)
        painter.drawImage(inside, lineImage);
    else
        painter.drawImage(QPoint(1, 1), lineImage);
    return framed;
}
