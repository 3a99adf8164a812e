#include "platform/FocusRingButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace kestrion {

void FocusRingButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (!(option.state & QStyle::State_HasFocus) || !(option.state & QStyle::State_KeyboardFocusChange))
        return;
    const bool onAccent = palette().color(QPalette::Button) == palette().color(QPalette::Highlight) && !isFlat();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = isFlat() ? 1 : 2;
    const QRectF ring = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(ring, 3, 3);
    painter.strokePath(
        path, QPen(palette().color(onAccent ? QPalette::HighlightedText : QPalette::Highlight), onAccent ? 1.5 : 2));
}

} // namespace kestrion
