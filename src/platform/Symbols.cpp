#include "platform/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QPolygonF>
#include <QtMath>

namespace kestrion {

namespace {

const QString halfFilledCircle = QStringLiteral("circle.lefthalf.filled");
const QString sun = QStringLiteral("sun.max");
const QString moon = QStringLiteral("moon");
const QString document = QStringLiteral("doc.text");
const QString chevronDown = QStringLiteral("chevron.down");
const QString chevronLeft = QStringLiteral("chevron.left");
const QString chevronRight = QStringLiteral("chevron.right");
const QString removeCircle = QStringLiteral("xmark.circle.fill");
const QString plus = QStringLiteral("plus");
const QString minus = QStringLiteral("minus");
const QString chevronUp = QStringLiteral("chevron.up");
const QString magnifyingGlass = QStringLiteral("magnifyingglass");
const QString xmark = QStringLiteral("xmark");
const QString eye = QStringLiteral("eye");
const QString filledEye = QStringLiteral("eye.fill");
const QString playDisc = QStringLiteral("play.circle.fill");
const QString pauseDisc = QStringLiteral("pause.circle.fill");
const QString stopDisc = QStringLiteral("stop.circle.fill");

bool isDisc(const QString& name)
{
    return name == playDisc || name == pauseDisc || name == stopDisc;
}

// An eye: two arcs meeting at the corners, and the pupil.
void drawEye(QPainter& painter, const QPointF& centre, qreal side, qreal line, const QColor& colour, bool filled)
{
    const qreal halfWidth = side * 0.46;
    const qreal halfHeight = side * 0.3;
    QPainterPath outline;
    outline.moveTo(centre.x() - halfWidth, centre.y());
    outline.quadTo(centre.x(), centre.y() - 2 * halfHeight, centre.x() + halfWidth, centre.y());
    outline.quadTo(centre.x(), centre.y() + 2 * halfHeight, centre.x() - halfWidth, centre.y());
    const qreal pupil = side * 0.15;
    painter.setPen(QPen(colour, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (filled) {
        QPainterPath shape = outline;
        QPainterPath hole;
        hole.addEllipse(centre, pupil, pupil);
        painter.setBrush(colour);
        painter.drawPath(shape.subtracted(hole));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(centre, pupil * 0.55, pupil * 0.55);
        return;
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(centre, pupil, pupil);
}

// A chevron pointing along the given direction, as an open V in the middle of the box.
void drawChevron(QPainter& painter, const QPointF& centre, qreal side, const QPointF& direction)
{
    const QPointF across(-direction.y(), direction.x());
    const qreal reach = side * 0.16;
    const qreal spread = side * 0.3;
    const QPointF tip = centre + direction * reach;
    const QPointF back = centre - direction * reach;
    painter.drawPolyline(QPolygonF({ back + across * spread, tip, back - across * spread }));
}

} // namespace

bool Symbols::hasSymbol(const QString& name)
{
    return name == halfFilledCircle || name == sun || name == moon || name == document || name == chevronDown
        || name == chevronLeft || name == chevronRight || name == removeCircle || name == plus || name == minus
        || name == chevronUp || name == magnifyingGlass || name == xmark || name == eye || name == filledEye
        || isDisc(name);
}

QPainterPath Symbols::discGlyph(const QString& name, const QRectF& box)
{
    QPainterPath glyph;
    const qreal side = std::min(box.width(), box.height());
    const QPointF centre = box.center();
    if (name == playDisc) {
        // A triangle whose centroid sits on the disc's centre.
        const qreal height = side * 0.42;
        const qreal depth = height * 0.87;
        glyph.moveTo(centre.x() - depth / 3, centre.y() - height / 2);
        glyph.lineTo(centre.x() + depth * 2 / 3, centre.y());
        glyph.lineTo(centre.x() - depth / 3, centre.y() + height / 2);
        glyph.closeSubpath();
    } else if (name == pauseDisc) {
        const qreal height = side * 0.4;
        const qreal bar = side * 0.11;
        const qreal gap = side * 0.09;
        glyph.addRoundedRect(
            QRectF(centre.x() - gap / 2 - bar, centre.y() - height / 2, bar, height), bar / 4, bar / 4);
        glyph.addRoundedRect(QRectF(centre.x() + gap / 2, centre.y() - height / 2, bar, height), bar / 4, bar / 4);
    } else if (name == stopDisc) {
        const qreal square = side * 0.34;
        glyph.addRoundedRect(
            QRectF(centre.x() - square / 2, centre.y() - square / 2, square, square), square / 8, square / 8);
    }
    return glyph;
}

void Symbols::drawDisc(
    QPainter& painter, const QString& name, const QRectF& box, const QColor& disc, const QColor& glyph)
{
    if (!isDisc(name) || box.isEmpty())
        return;
    const qreal side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(box.center(), side * 0.48, side * 0.48);
    painter.setBrush(glyph);
    painter.drawPath(discGlyph(name, box));
    painter.restore();
}

void Symbols::draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour)
{
    if (!hasSymbol(name) || box.isEmpty())
        return;
    const qreal side = std::min(box.width(), box.height());
    const QPointF centre = box.center();
    const qreal line = std::max<qreal>(1.0, side / 12.0);
    if (isDisc(name)) {
        QPainterPath shape;
        shape.addEllipse(centre, side * 0.48, side * 0.48);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(shape.subtracted(discGlyph(name, box)), colour);
        painter.restore();
        return;
    }
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
    } else if (name == eye || name == filledEye) {
        drawEye(painter, centre, side, line, colour, name == filledEye);
    } else if (name == document) {
        // A page with a folded corner and three lines of text.
        const qreal width = side * 0.62;
        const qreal height = side * 0.8;
        const QRectF page(centre.x() - width / 2, centre.y() - height / 2, width, height);
        const qreal fold = side * 0.2;
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(QPolygonF({ page.topLeft(), QPointF(page.right() - fold, page.top()),
            QPointF(page.right(), page.top() + fold), page.bottomRight(), page.bottomLeft() }));
        const qreal margin = width * 0.22;
        for (int i = 0; i < 3; ++i) {
            const qreal y = page.top() + height * (0.42 + 0.18 * i);
            painter.drawLine(QPointF(page.left() + margin, y), QPointF(page.right() - margin, y));
        }
    } else if (name == chevronDown || name == chevronUp || name == chevronLeft || name == chevronRight) {
        painter.setPen(pen);
        const QPointF direction = name == chevronDown ? QPointF(0, 1)
            : name == chevronUp                       ? QPointF(0, -1)
            : name == chevronLeft                     ? QPointF(-1, 0)
                                                      : QPointF(1, 0);
        drawChevron(painter, centre, side, direction);
    } else if (name == removeCircle) {
        // A filled disc with the cross cut out of it.
        const qreal radius = side * 0.42;
        QPainterPath disc;
        disc.addEllipse(centre, radius, radius);
        const qreal arm = radius * 0.42;
        QPainterPathStroker stroker;
        stroker.setWidth(std::max<qreal>(1.0, side / 9.0));
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath lines;
        lines.moveTo(centre + QPointF(-arm, -arm));
        lines.lineTo(centre + QPointF(arm, arm));
        lines.moveTo(centre + QPointF(arm, -arm));
        lines.lineTo(centre + QPointF(-arm, arm));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPath(disc.subtracted(stroker.createStroke(lines)));
    } else if (name == plus || name == minus) {
        const qreal arm = side * 0.3;
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
