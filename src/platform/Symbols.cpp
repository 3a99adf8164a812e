#include "platform/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace kestrion {

namespace {

const QString halfFilledCircle = QStringLiteral("circle.lefthalf.filled");
const QString sun = QStringLiteral("sun.max");
const QString moon = QStringLiteral("moon");
const QString minus = QStringLiteral("minus");
const QString plus = QStringLiteral("plus");
const QString magnifyingGlass = QStringLiteral("magnifyingglass");
const QString chevronUp = QStringLiteral("chevron.up");
const QString chevronDown = QStringLiteral("chevron.down");
const QString xmark = QStringLiteral("xmark");

} // namespace

bool Symbols::hasSymbol(const QString& name)
{
    return name == halfFilledCircle || name == sun || name == moon || name == minus || name == plus
        || name == magnifyingGlass || name == chevronUp || name == chevronDown || name == xmark;
}

void Symbols::draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour)
{
    if (!hasSymbol(name) || box.isEmpty())
        return;
    const qreal side = std::min(box.width(), box.height());
    const QPointF centre = box.center();
    const qreal line = std::max<qreal>(1.0, side / 12.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    if (name == halfFilledCircle) {
        const qreal radius = side * 0.42 - line / 2;
        const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPie(circle, 90 * 16, 180 * 16);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
    } else if (name == sun) {
        const qreal radius = side * 0.2;
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius, radius);
        const qreal inner = side * 0.32;
        const qreal outer = side * 0.46;
        for (int i = 0; i < 8; ++i) {
            const qreal angle = qDegreesToRadians(45.0 * i);
            const QPointF direction(std::cos(angle), std::sin(angle));
            painter.drawLine(centre + direction * inner, centre + direction * outer);
        }
    } else if (name == moon) {
        const qreal radius = side * 0.4;
        QPainterPath disc;
        disc.addEllipse(centre, radius, radius);
        QPainterPath bite;
        bite.addEllipse(centre + QPointF(radius * 0.55, -radius * 0.45), radius * 0.85, radius * 0.85);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(disc.subtracted(bite));
    } else if (name == minus || name == plus) {
        const qreal arm = side * 0.36;
        painter.setPen(pen);
        painter.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
        if (name == plus)
            painter.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
    } else if (name == magnifyingGlass) {
        const qreal radius = side * 0.27;
        const QPointF lens = centre - QPointF(side * 0.08, side * 0.08);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(lens, radius, radius);
        const QPointF direction(M_SQRT1_2, M_SQRT1_2);
        painter.drawLine(lens + direction * radius, lens + direction * (side * 0.56));
    } else if (name == chevronUp || name == chevronDown) {
        const qreal halfWidth = side * 0.3;
        const qreal halfHeight = side * 0.15 * (name == chevronUp ? 1 : -1);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QPointF points[] { centre + QPointF(-halfWidth, halfHeight), centre + QPointF(0, -halfHeight),
            centre + QPointF(halfWidth, halfHeight) };
        painter.drawPolyline(points, 3);
    } else if (name == xmark) {
        const qreal arm = side * 0.28;
        painter.setPen(pen);
        painter.drawLine(centre + QPointF(-arm, -arm), centre + QPointF(arm, arm));
        painter.drawLine(centre + QPointF(-arm, arm), centre + QPointF(arm, -arm));
    }
    painter.restore();
}

QIcon Symbols::icon(const QString& name, const QColor& colour, int size)
{
    QIcon icon;
    for (const qreal ratio : { 1.0, 2.0 }) {
        QPixmap pixmap(qRound(size * ratio), qRound(size * ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        draw(painter, name, QRectF(0, 0, size, size), colour);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace kestrion
