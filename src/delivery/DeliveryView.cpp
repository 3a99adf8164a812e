#include "delivery/DeliveryView.h"

#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryTimer.h"
#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/Preferences.h"

#include <QVBoxLayout>

namespace kestrion {

DeliveryView::DeliveryView(SermonDocument& document, Preferences& preferences, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_preferences(preferences)
{
    setObjectName(QStringLiteral("deliveryView"));
    m_timer = new DeliveryTimer(plannedMinutes(document, estimatePace), nullptr, this);
    m_canvasState = new DeliveryCanvasState(this);
    m_canvas = new DeliveryCanvas(document, *m_timer, *m_canvasState, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_canvas, 1);

    applySettings();
    connect(&m_preferences, &Preferences::changed, this, &DeliveryView::preferenceChanged);
}

DeliveryView::~DeliveryView()
{
    // The page's widgets hold the countdown and the scroll state; they go first.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

qint64 DeliveryView::plannedMinutes(const SermonDocument& document, qint64 wordsPerMinute)
{
    if (document.metadata().duration)
        return *document.metadata().duration;
    return roundedDurationMinutes(wordCount(document.root()), wordsPerMinute);
}

qint64 DeliveryView::autoDurationMinutes() const
{
    return plannedMinutes(m_document, m_preferences.deliveryWPM());
}

void DeliveryView::applySettings()
{
    m_canvas->setBaseFontSize(m_preferences.usableDeliveryFontSize());
    m_canvas->setLineSpacing(m_preferences.usableDeliveryLineSpacing());
    m_canvas->setTextWidth(m_preferences.usableDeliveryTextWidth());
    m_canvas->setWpm(m_preferences.deliveryWPM());
}

void DeliveryView::preferenceChanged(const QString& key)
{
    applySettings();
    if (key == Preferences::deliveryWPMKey && !m_document.metadata().duration && m_timer->state() == TimerState::Idle)
        m_timer->setDuration(autoDurationMinutes());
}

void DeliveryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_hasAppeared)
        return;
    m_hasAppeared = true;
    if (!m_document.metadata().duration)
        m_timer->setDuration(autoDurationMinutes());
}

} // namespace kestrion
