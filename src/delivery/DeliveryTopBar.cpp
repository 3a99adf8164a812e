#include "delivery/DeliveryTopBar.h"

#include "delivery/DeliveryTimelineRuler.h"
#include "platform/Appearance.h"
#include "platform/SemanticColors.h"

#include <QPainter>

namespace kestrion {

DeliveryTopBar::DeliveryTopBar(
    DeliveryTimer& timer, DeliveryCanvasState& canvasState, std::function<void(double)> onSeek, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("deliveryTopBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(DeliveryTimelineRuler::widgetHeight);
    m_ruler = new DeliveryTimelineRuler(timer, canvasState, this);
    m_ruler->setOnSeek(std::move(onSeek));
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

DeliveryTopBar::~DeliveryTopBar() = default;

void DeliveryTopBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_ruler->setGeometry(0, 0, width(), DeliveryTimelineRuler::widgetHeight);
}

void DeliveryTopBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRectF(0, barHeight - 1, width(), 1),
        SemanticColors::withOpacity(SemanticColors::primary(isDarkAppearance()), 0.35));
}

} // namespace kestrion
