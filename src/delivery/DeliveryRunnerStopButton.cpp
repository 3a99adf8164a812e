#include "delivery/DeliveryRunnerStopButton.h"

#include "delivery/DeliveryTimer.h"
#include "platform/Appearance.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace kestrion {

DeliveryRunnerStopButton::DeliveryRunnerStopButton(DeliveryTimer& timer, QWidget* parent)
    : CircleButton(discDiameter, parent)
    , m_timer(timer)
{
    setObjectName(QStringLiteral("deliveryRunnerStopButton"));
    setToolTip(tr("Stop / Reset"));
    setAccessibleName(tr("Stop"));
    connect(this, &QAbstractButton::clicked, this, [this] { m_timer.reset(); });
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void DeliveryRunnerStopButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor disc = isDarkAppearance() ? QColor(Qt::white) : QColor(Qt::black);
    Symbols::drawDisc(
        painter, QStringLiteral("stop.circle.fill"), QRectF(rect()), disc, palette().color(QPalette::Window));
}

} // namespace kestrion
