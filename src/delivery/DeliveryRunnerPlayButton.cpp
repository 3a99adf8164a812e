#include "delivery/DeliveryRunnerPlayButton.h"

#include "delivery/DeliveryTimer.h"
#include "platform/Appearance.h"
#include "platform/SemanticColors.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace kestrion {

DeliveryRunnerPlayButton::DeliveryRunnerPlayButton(DeliveryTimer& timer, QWidget* parent)
    : CircleButton(discDiameter, parent)
    , m_timer(timer)
{
    setObjectName(QStringLiteral("deliveryRunnerPlayButton"));
    setToolTip(tr("Play / Pause"));
    connect(this, &QAbstractButton::clicked, this, &DeliveryRunnerPlayButton::playPause);
    connect(&m_timer, &DeliveryTimer::stateChanged, this, &DeliveryRunnerPlayButton::follow);
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    follow();
}

QString DeliveryRunnerPlayButton::symbolName() const
{
    return m_timer.state() == TimerState::Running ? QStringLiteral("pause.circle.fill")
                                                  : QStringLiteral("play.circle.fill");
}

void DeliveryRunnerPlayButton::playPause()
{
    if (m_timer.state() == TimerState::Running)
        m_timer.pause();
    else
        m_timer.start();
}

void DeliveryRunnerPlayButton::follow()
{
    setAccessibleName(m_timer.state() == TimerState::Running ? tr("Pause") : tr("Play"));
    update();
}

void DeliveryRunnerPlayButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool isDark = isDarkAppearance();
    const QColor disc
        = m_timer.state() == TimerState::Running ? SemanticColors::red(isDark) : SemanticColors::green(isDark);
    // The glyph in the window's colour reads as a cut-out.
    Symbols::drawDisc(painter, symbolName(), QRectF(rect()), disc, palette().color(QPalette::Window));
}

} // namespace kestrion
