#include "delivery/FollowRunnerButton.h"

#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryPageRenderer.h"
#include "platform/Appearance.h"
#include "platform/SemanticColors.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace kestrion {

FollowRunnerButton::FollowRunnerButton(DeliveryCanvasState& state, QWidget* parent)
    : CircleButton(discDiameter, parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("followRunnerButton"));
    connect(this, &QAbstractButton::clicked, this, &FollowRunnerButton::toggleFollow);
    connect(&m_state, &DeliveryCanvasState::followRunnerChanged, this, &FollowRunnerButton::follow);
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    follow();
}

QPointF FollowRunnerButton::centre(const QSizeF& area, double textWidth)
{
    return { DeliveryPageRenderer::xOffset(area.width(), textWidth) + DeliveryContentLayout::runnerX,
        area.height() - bottomOffset };
}

QString FollowRunnerButton::symbolName() const
{
    return m_state.followRunner() ? QStringLiteral("eye.fill") : QStringLiteral("eye");
}

void FollowRunnerButton::toggleFollow()
{
    m_state.callIfSet(m_state.stopScrollDeceleration);
    m_state.setFollowRunner(!m_state.followRunner());
}

void FollowRunnerButton::follow()
{
    const QString help = m_state.followRunner() ? tr("Stop following runner") : tr("Follow runner");
    setToolTip(help);
    setAccessibleName(help);
    update();
}

void FollowRunnerButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool isDark = isDarkAppearance();
    // A translucent disc of the window's colour stands in for the material.
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.78f);
    painter.setPen(QPen(SemanticColors::withOpacity(SemanticColors::primary(isDark), 0.1), 0.5));
    painter.setBrush(material);
    const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawEllipse(disc);
    const QColor colour = m_state.followRunner() ? SemanticColors::red(isDark) : SemanticColors::secondary(isDark);
    const double side = 22;
    Symbols::draw(
        painter, symbolName(), QRectF(disc.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), colour);
}

} // namespace kestrion
