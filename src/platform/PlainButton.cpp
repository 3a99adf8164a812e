#include "platform/PlainButton.h"

#include "platform/Appearance.h"
#include "platform/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace kestrion {

PlainButton::PlainButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void PlainButton::setSymbol(const QString& name, qreal size)
{
    m_symbol = name;
    m_symbolSize = size;
    updateGeometry();
    update();
}

QSize PlainButton::sizeHint() const
{
    if (!m_symbol.isEmpty()) {
        const int side = static_cast<int>(std::ceil(m_symbolSize));
        return QSize(side, side);
    }
    const QFontMetricsF metrics(font());
    return QSize(
        static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))), static_cast<int>(std::ceil(metrics.height())));
}

void PlainButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor colour = Appearance::secondaryColor(palette());
    if (!isEnabled())
        colour.setAlphaF(colour.alphaF() * 0.45f);
    else if (isDown())
        colour.setAlphaF(std::min(1.0f, colour.alphaF() * 1.6f));
    if (!m_symbol.isEmpty()) {
        const QRectF box((width() - m_symbolSize) / 2, (height() - m_symbolSize) / 2, m_symbolSize, m_symbolSize);
        Symbols::draw(painter, m_symbol, box, colour);
        return;
    }
    painter.setPen(colour);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace kestrion
