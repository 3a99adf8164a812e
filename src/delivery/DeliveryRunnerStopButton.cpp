#include "delivery/DeliveryRunnerStopButton.h"

#include "delivery/DeliveryTimer.h"
#include "platform/Appearance.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace kestrion {

DeliveryRunnerStopButton::DeliveryRunnerStopButton(DeliveryTimer& timer, QWidget* parent)
    : QAbstractButton(parent)
    , m_timer(timer)
{
    setObjectName(QStringLiteral("deliveryRunnerStopButton"));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Stop / Reset"));
    setAccessibleName(tr("Stop"));
    resize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, [this] { m_timer.reset(); });
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize DeliveryRunnerStopButton::sizeHint() const
{
    return { diameter, diameter };
}

bool DeliveryRunnerStopButton::hitButton(const QPoint& position) const
{
    const QPointF offset = QPointF(position) - QRectF(rect()).center();
    return offset.x() * offset.x() + offset.y() * offset.y() <= (diameter / 2.0) * (diameter / 2.0);
}

void DeliveryRunnerStopButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor disc = isDarkAppearance() ? QColor(Qt::white) : QColor(Qt::black);
    Symbols::drawDisc(
        painter, QStringLiteral("stop.circle.fill"), QRectF(rect()), disc, palette().color(QPalette::Window));
}

} // namespace kestrion
