#include "sheets/SheetStyle.h"

#include "platform/Typography.h"

#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace kestrion::SheetStyle {

QFont title2Font()
{
    return Typography::systemFont(title2Size, QFont::Bold);
}

QFont headlineFont()
{
    return Typography::systemFont(headlineSize, QFont::DemiBold);
}

QFont bodyFont()
{
    return Typography::systemFont(bodySize);
}

QFont calloutDigitsFont()
{
    // The system faces of the desktop (DejaVu, Noto, Cantarell) draw digits of equal width
    // already; Qt 6.4 cannot ask for them.
    return Typography::systemFont(calloutSize);
}

QFont captionFont()
{
    return Typography::systemFont(captionSize);
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

QColor primary(const QPalette& palette, qreal opacity)
{
    return withAlpha(palette.color(QPalette::WindowText), opacity);
}

QColor secondary(const QPalette& palette, qreal opacity)
{
    return withAlpha(palette.color(secondaryRole), opacity);
}

QColor accent(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor red(qreal opacity)
{
    return withAlpha(QColor(255, 59, 48), opacity);
}

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    const qreal radius = rect.height() / 2;
    capsule.addRoundedRect(rect, radius, radius);
    painter.fillPath(capsule, color);
}

void makePlainField(QLineEdit* field)
{
    field->setFrame(false);
    QPalette colors = field->palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    field->setPalette(colors);
}

QWidget* makeDivider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    line->setAutoFillBackground(true);
    QPalette colors = line->palette();
    colors.setColor(QPalette::Window, secondary(parent->palette(), 0.15));
    line->setPalette(colors);
    return line;
}

} // namespace kestrion::SheetStyle
