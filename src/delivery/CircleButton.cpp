#include "delivery/CircleButton.h"

namespace kestrion {

CircleButton::CircleButton(int diameter, QWidget* parent)
    : QAbstractButton(parent)
    , m_diameter(diameter)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    resize(sizeHint());
}

QSize CircleButton::sizeHint() const
{
    return { m_diameter, m_diameter };
}

bool CircleButton::hitButton(const QPoint& position) const
{
    const QPointF offset = QPointF(position) - QRectF(rect()).center();
    const double radius = m_diameter / 2.0;
    return offset.x() * offset.x() + offset.y() * offset.y() <= radius * radius;
}

} // namespace kestrion
