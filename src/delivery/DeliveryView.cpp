#include "delivery/DeliveryView.h"

#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "delivery/DeliveryNavOverlay.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/DeliveryRunnerPlayButton.h"
#include "delivery/DeliveryRunnerStopButton.h"
#include "delivery/DeliverySettingsBar.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/DeliveryTopBar.h"
#include "delivery/FollowRunnerButton.h"
#include "delivery/FullscreenController.h"
#include "delivery/WindowFullscreenBridge.h"
#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/Preferences.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrion {

namespace {

constexpr int navRightInset = 20;
constexpr int navBottomInset = 16;
// Between the jump buttons and the nearest text.
constexpr int navClearance = 12;
// The narrowest a jump button may be made to stand beside the reading column.
constexpr int minimumMarginButtonWidth = 200;
constexpr int counterInset = 8;
constexpr int counterTop = 12;
constexpr double playButtonY = 26;
constexpr double stopButtonY = 64;
constexpr int fadeMilliseconds = 150;

void centreAt(QWidget* widget, const QPointF& centre)
{
    const QSize size = widget->size();
    widget->move(QPointF(centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0).toPoint());
}

} // namespace

DeliveryView::DeliveryView(SermonDocument& document, Preferences& preferences, UndoRegistrar* undoManager,
    QWidget* toolbar, DeliveryMeasureKeeper* measures, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_preferences(preferences)
    , m_undoManager(undoManager)
    , m_measures(measures)
{
    setObjectName(QStringLiteral("deliveryView"));
    for (const auto signal : { &SermonDocument::rootChanged, &SermonDocument::contentEdited,
             &SermonDocument::undoStackChanged, &SermonDocument::redoStackChanged })
        connect(&document, signal, this, [this] { m_words.reset(); });
    m_timer = new DeliveryTimer(plannedMinutes(estimatePace), nullptr, this);
    m_canvasState = new DeliveryCanvasState(this);
    m_fullscreen = new FullscreenController(this);
    m_fullscreen->setToolbar(toolbar);
    m_fullscreenBridge = new WindowFullscreenBridge(this, *m_fullscreen);

    // Back to front: the page, its aids and readouts, then the bars.
    m_canvas = new DeliveryCanvas(document, *m_timer, *m_canvasState, this);
    m_canvas->setMeasureKeeper(measures);
    // Shown, and so laid out, once the countdown has its plan and the page its settings.
    m_canvas->hide();
    m_followButton = new FollowRunnerButton(*m_canvasState, this);
    m_navOverlay = new DeliveryNavOverlay(this);
    m_navOverlay->setOnNavigate([this](const QUuid& id) { m_canvasState->navigate(id); });
    m_counterBlock = new DeliveryCounterBlock(*m_timer, this);
    m_counterBlock->setOnDurationChanged([this](qint64 minutes) { commitDuration(minutes); });
    m_counterBlock->setOnEditingEnded([this] { m_canvasState->callIfSet(m_canvasState->requestCanvasFocus); });
    m_playButton = new DeliveryRunnerPlayButton(*m_timer, this);
    m_stopButton = new DeliveryRunnerStopButton(*m_timer, this);
    m_stopOpacity = new QGraphicsOpacityEffect(m_stopButton);
    m_stopButton->setGraphicsEffect(m_stopOpacity);
    m_stopButton->hide();
    m_stopFade = new QVariantAnimation(this);
    m_stopFade->setDuration(fadeMilliseconds);
    m_stopFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_stopFade, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { m_stopOpacity->setOpacity(value.toDouble()); });
    connect(m_stopFade, &QVariantAnimation::finished, this, [this] {
        if (m_timer->state() != TimerState::Paused)
            m_stopButton->hide();
    });
    m_topBar = new DeliveryTopBar(
        *m_timer, *m_canvasState, [this](double fraction) { seek(fraction); }, this);
    m_settingsBar = new DeliverySettingsBar(preferences, this);

    m_fullscreenEnabled = m_preferences.deliveryFullscreen();
    applySettings();
    connect(&m_preferences, &Preferences::changed, this, &DeliveryView::preferenceChanged);
    connect(&m_document, &SermonDocument::metadataChanged, this, &DeliveryView::metadataChanged);
    connect(m_timer, &DeliveryTimer::stateChanged, this,
        [this](TimerState state, TimerState previous) { timerStateChanged(previous, state); });
    connect(m_fullscreenBridge, &WindowFullscreenBridge::fullscreenChanged, this, [this](bool isInFullscreen) {
        m_isInFullscreen = isInFullscreen;
        relayout();
    });
    // A window closed while delivering: nothing keeps counting for it.
    connect(m_fullscreenBridge, &WindowFullscreenBridge::windowClosed, this, [this] { m_timer->reset(); });
    for (const auto signal : { &DeliveryCanvasState::scrollYChanged, &DeliveryCanvasState::viewportHeightChanged })
        connect(m_canvasState, signal, this, &DeliveryView::updateNavTargets);
    connect(m_canvasState, &DeliveryCanvasState::layoutChanged, this, &DeliveryView::updateNavTargets);
    relayout();
}

DeliveryView::~DeliveryView()
{
    // Leaving delivery mode ends its full screen and brings the chrome back.
    m_fullscreen->exit();
    if (m_fullscreen->hasHiddenToolbar())
        m_fullscreen->restoreChrome();
    // The page's widgets hold the countdown and the scroll state; they go first.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

qint64 DeliveryView::plannedMinutes(qint64 wordsPerMinute)
{
    if (const std::optional<qint64>& duration = m_document.metadata().duration)
        return plannedDuration(*duration);
    return estimatedDurationMinutes(sermonWords(), wordsPerMinute);
}

qint64 DeliveryView::plannedDuration(qint64 minutes)
{
    return plannedDurationMinutes(minutes);
}

qint64 DeliveryView::sermonWords()
{
    if (!m_words)
        m_words = m_measures ? m_measures->sermonWords() : std::nullopt;
    if (!m_words)
        m_words = wordCount(m_document.root());
    return *m_words;
}

qint64 DeliveryView::autoDurationMinutes()
{
    return plannedMinutes(m_preferences.deliveryWPM());
}

double DeliveryView::maxTextWidth(double availableWidth)
{
    constexpr Preferences::Range range = Preferences::deliveryTextWidthRange;
    if (!(availableWidth > 0) || !std::isfinite(availableWidth))
        return range.high;
    const double room = availableWidth - gutter;
    if (room >= range.high)
        return range.high;
    return std::floor(std::max(room, range.low) / DeliverySettingsBar::textWidthStep)
        * DeliverySettingsBar::textWidthStep;
}

int DeliveryView::minimumViewWidth(double textWidth, int screenWidth)
{
    const int room = std::max(static_cast<int>(std::ceil(textWidth + gutter)), minimumContentWidth);
    return screenWidth > 0 ? std::min(room, screenWidth) : room;
}

double DeliveryView::maxTextWidth() const
{
    return maxTextWidth(width());
}

double DeliveryView::pageTextWidth() const
{
    return pageTextWidth(m_preferences.deliveryTextWidth(), width());
}

double DeliveryView::pageTextWidth(double storedWidth, double viewWidth)
{
    return std::min(storedWidth, maxTextWidth(viewWidth));
}

void DeliveryView::applySettings()
{
    m_canvas->setBaseFontSize(m_preferences.deliveryFontSize());
    m_canvas->setLineSpacing(m_preferences.deliveryLineSpacing());
    m_canvas->setTextWidth(pageTextWidth());
    m_canvas->setWpm(m_preferences.deliveryWPM());
    // The window is kept wide enough for the stored reading column, as far as the screen allows.
    const QScreen* shown = screen();
    const int minimum
        = minimumViewWidth(m_preferences.deliveryTextWidth(), shown ? shown->availableGeometry().width() : 0);
    if (minimum != m_minimumWidth) {
        m_minimumWidth = minimum;
        // Kept while the window shows another mode, the view must not hold that mode wide.
        if (!isHidden())
            setMinimumWidth(minimum);
        Q_EMIT minimumContentWidthChanged(minimum);
    }
}

void DeliveryView::preferenceChanged(const QString& key)
{
    applySettings();
    if (key == Preferences::deliveryWPMKey && !m_document.metadata().duration && m_timer->state() == TimerState::Idle)
        m_timer->setDuration(autoDurationMinutes());
    if (key == Preferences::deliveryFullscreenKey) {
        const bool enabled = m_preferences.deliveryFullscreen();
        if (enabled != m_fullscreenEnabled) {
            m_fullscreenEnabled = enabled;
            // Switched in another window: this one follows when it shows delivery.
            if (!isHidden())
                fullscreenSettingChanged(enabled);
        }
    }
    updateNavTargets();
    relayout();
}

void DeliveryView::metadataChanged()
{
    // An undone or otherwise changed duration is planned again, unless a delivery is under way.
    if (m_timer->state() == TimerState::Idle)
        m_timer->setDuration(autoDurationMinutes());
}

void DeliveryView::seek(double fraction)
{
    m_canvasState->callIfSet(m_canvasState->stopScrollAnimation);
    m_canvasState->callIfSet(m_canvasState->stopScrollDeceleration);
    m_canvasState->setFollowRunner(false);
    const DeliveryCanvasState::Layout& layout = m_canvasState->layout();
    if (!layout)
        return;
    const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    m_canvasState->setScrollY(
        m_canvasState->clampedScrollY(layout->yForFraction(f) - DeliveryCanvasState::readingLine));
}

bool DeliveryView::commitPendingEdit()
{
    return m_counterBlock->commitDurationEdit();
}

void DeliveryView::commitDuration(qint64 minutes)
{
    const SermonMetadata& current = m_document.metadata();
    // A duration outside the countdown's range is shown at its end: committing what is shown
    // keeps the sermon's own value.
    if (current.duration && plannedDuration(*current.duration) == minutes)
        return;
    m_document.recordUndo(std::nullopt, m_undoManager);
    SermonMetadata changed = current;
    changed.duration = minutes;
    m_document.setMetadata(changed);
}

void DeliveryView::timerStateChanged(TimerState previous, TimerState state)
{
    if (m_fullscreenEnabled && previous == TimerState::Idle && state == TimerState::Running)
        m_fullscreen->enter();
    else if (state == TimerState::Idle && previous != TimerState::Idle)
        m_fullscreen->exit();
    showStopButton(state == TimerState::Paused);
}

void DeliveryView::fullscreenSettingChanged(bool enabled)
{
    if (!enabled)
        m_fullscreen->exit();
    else if (m_timer->state() != TimerState::Idle)
        m_fullscreen->enter();
}

void DeliveryView::showStopButton(bool show)
{
    if (show == (m_stopButton->isVisible() && m_stopFade->endValue().toDouble() > 0))
        return;
    m_stopFade->stop();
    m_stopFade->setStartValue(m_stopOpacity->opacity());
    m_stopFade->setEndValue(show ? 1.0 : 0.0);
    if (show) {
        m_stopOpacity->setOpacity(0);
        m_stopFade->setStartValue(0.0);
        m_stopButton->show();
        m_stopButton->raise();
    }
    m_stopFade->start();
}

bool DeliveryView::escapeKey()
{
    switch (m_timer->state()) {
    case TimerState::Idle:
        return false;
    case TimerState::Running:
        // The key everyone presses to leave full screen does that, and nothing to the
        // countdown under way.
        if (!m_fullscreen->isFullScreen())
            return false;
        m_fullscreen->exit();
        return true;
    case TimerState::Paused:
        m_timer->reset();
        return true;
    }
    return false;
}

bool DeliveryView::returnKey()
{
    // A field being edited takes its own Return.
    const QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
        || qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return false;
    m_canvasState->callIfSet(m_canvasState->stopScrollDeceleration);
    m_canvasState->setFollowRunner(!m_canvasState->followRunner());
    return true;
}

void DeliveryView::keyPressEvent(QKeyEvent* event)
{
    // A chord such as Ctrl+Return is a menu command's, disabled here: it is not the bare key.
    const bool isBare = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const bool handled = isBare
        && ((event->key() == Qt::Key_Escape && escapeKey())
            || ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && returnKey()));
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

int DeliveryView::marginButtonWidth() const
{
    const double textWidth = m_canvas->textWidth();
    const double columnRight = DeliveryPageRenderer::xOffset(width(), textWidth) + gutter + textWidth;
    const double room = std::floor(width() - columnRight - navRightInset - navClearance);
    return room >= minimumMarginButtonWidth ? static_cast<int>(room) : 0;
}

int DeliveryView::navFootHeight() const
{
    return navBottomInset + DeliveryNavOverlay::stackHeight(m_canvas->baseFontSize()) + navClearance;
}

void DeliveryView::updateNavTargets()
{
    const auto [nextL1, nextL2] = m_canvasState->nextNavTargets();
    // Beside the reading column when it leaves room, else over the foot of the page.
    const int besideColumn = marginButtonWidth();
    const int maxWidth
        = besideColumn > 0 ? besideColumn + 2 * DeliveryNavOverlay::shadowMargin : std::max(160, width() / 2);
    m_navOverlay->setTargets(nextL1, nextL2, m_canvas->baseFontSize(), maxWidth);
    const QSize size = m_navOverlay->sizeHint();
    m_navOverlay->resize(size);
    m_navOverlay->move(width() - navRightInset - size.width() + DeliveryNavOverlay::shadowMargin,
        m_canvas->geometry().bottom() + 1 - navBottomInset - size.height() + DeliveryNavOverlay::shadowMargin);
}

void DeliveryView::relayout()
{
    const int w = width();
    const int h = height();
    m_settingsBar->setVisible(!m_isInFullscreen);
    m_settingsBar->setMaxTextWidth(maxTextWidth());
    // A narrower or wider view wraps the page again; the stored width stays as it is.
    m_canvas->setTextWidth(pageTextWidth());
    const int settingsHeight = m_isInFullscreen ? 0 : m_settingsBar->sizeHint().height();
    m_settingsBar->setGeometry(0, h - settingsHeight, w, settingsHeight);

    const int areaTop = DeliveryTopBar::barHeight;
    const int areaHeight = std::max(h - settingsHeight - areaTop, 0);
    m_canvas->setGeometry(0, areaTop, w, areaHeight);
    // No line of the page is ever read under the jump buttons: without room for them beside
    // the column, the page ends above them.
    m_canvas->setFootHeight(marginButtonWidth() > 0 ? 0 : navFootHeight());
    m_topBar->setGeometry(0, 0, w, m_topBar->height());

    const double textWidth = m_canvas->textWidth();
    const double left = DeliveryPageRenderer::xOffset(w, textWidth);
    centreAt(m_followButton, FollowRunnerButton::centre(QSizeF(w, areaHeight), textWidth) + QPointF(0, areaTop));
    m_counterBlock->adjustSize();
    m_counterBlock->move(static_cast<int>(std::round(left)) + counterInset, areaTop + counterTop);
    centreAt(m_playButton, QPointF(left + DeliveryContentLayout::runnerX, areaTop + playButtonY));
    centreAt(m_stopButton, QPointF(left + DeliveryContentLayout::runnerX, areaTop + stopButtonY));
    updateNavTargets();

    m_canvas->lower();
    for (QWidget* above : { static_cast<QWidget*>(m_followButton), static_cast<QWidget*>(m_navOverlay),
             static_cast<QWidget*>(m_counterBlock), static_cast<QWidget*>(m_playButton),
             static_cast<QWidget*>(m_stopButton), static_cast<QWidget*>(m_topBar) })
        above->raise();
}

void DeliveryView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden itself, not with its window: the window shows another mode. The delivery goes on
    // out of sight, the window comes out of its full screen.
    if (!isHidden())
        return;
    setMinimumWidth(0);
    m_resumesFullscreen = m_fullscreen->isFullScreen();
    m_fullscreen->exit();
    if (m_fullscreen->hasHiddenToolbar())
        m_fullscreen->restoreChrome();
}

void DeliveryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void DeliveryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_fullscreenBridge->attach();
    setMinimumWidth(m_minimumWidth);
    if (m_hasAppeared) {
        // Back from another mode: the delivery as it was left, full screen included.
        if (std::exchange(m_resumesFullscreen, false))
            m_fullscreen->enter();
        return;
    }
    m_hasAppeared = true;
    if (!m_document.metadata().duration)
        m_timer->setDuration(autoDurationMinutes());
    m_canvas->show();
}

} // namespace kestrion
