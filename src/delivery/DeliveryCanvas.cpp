#include "delivery/DeliveryCanvas.h"

#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/PlatformScrollEventView.h"
#include "delivery/ReadingPlace.h"
#include "document/SermonDocument.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"
#include "platform/Preferences.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

// The runner's line is 2 points wide; with antialiasing it touches the columns beside it.
constexpr double runnerLineReach = 2;

} // namespace

DeliveryCanvas::DeliveryCanvas(
    SermonDocument& document, DeliveryTimer& timer, DeliveryCanvasState& state, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_timer(timer)
    , m_state(state)
    , m_clock(&AnimationClock::system())
    , m_baseFontSize(Preferences::defaultDeliveryFontSize)
    , m_lineSpacing(Preferences::defaultDeliveryLineSpacing)
    , m_textWidth(Preferences::defaultDeliveryTextWidth)
    , m_wpm(Preferences::defaultDeliveryWPM)
{
    setObjectName(QStringLiteral("deliveryCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_tickTimer.setTimerType(Qt::PreciseTimer);
    m_tickTimer.setInterval(tickIntervalMilliseconds);
    connect(&m_tickTimer, &QTimer::timeout, this, &DeliveryCanvas::displayLinkTick);

    m_scrollEvents = new PlatformScrollEventView(this);
    m_scrollEvents->setOnScroll([this](double deltaY) { handleScrollWheel(deltaY); });

    connect(&m_timer, &DeliveryTimer::stateChanged, this, [this](TimerState newState) {
        if (newState == TimerState::Running && isVisible())
            startTicking();
        else if (newState != TimerState::Running)
            stopTicking();
        update();
    });
    connect(&m_timer, &DeliveryTimer::targetSecondsChanged, this, [this](double seconds) {
        if (DeliveryTimer::wholeSeconds(seconds) != m_layoutSeconds)
            relayout();
    });
    connect(&m_timer, &DeliveryTimer::firstStartedAtChanged, this, qOverload<>(&QWidget::update));
    connect(&m_state, &DeliveryCanvasState::scrollYChanged, this, &DeliveryCanvas::scrollChanged);
    connect(&m_state, &DeliveryCanvasState::viewportHeightChanged, this, qOverload<>(&QWidget::update));
    connect(&m_state, &DeliveryCanvasState::layoutChanged, this, qOverload<>(&QWidget::update));
    connect(&m_state, &DeliveryCanvasState::pendingScrollTargetChanged, this, &DeliveryCanvas::scrollToPendingTarget);
    // Whatever changed the tree (an undo while delivering among others), the page follows once
    // the change is complete.
    connect(&m_document, &SermonDocument::rootChanged, this, &DeliveryCanvas::scheduleRebuild);
    connect(&m_document, &SermonDocument::contentEdited, this, &DeliveryCanvas::scheduleRebuild);
    connect(&m_document, &SermonDocument::undoStackChanged, this, &DeliveryCanvas::scheduleRebuild);
    connect(&m_document, &SermonDocument::redoStackChanged, this, &DeliveryCanvas::scheduleRebuild);
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));

    const QPointer<DeliveryCanvas> guard(this);
    m_state.stopScrollAnimation = [guard] {
        if (guard)
            guard->m_scrollAnimation.stop();
    };
    m_state.requestCanvasFocus = [guard] {
        QTimer::singleShot(0, guard, [guard] {
            if (guard)
                guard->setFocus(Qt::OtherFocusReason);
        });
    };
}

DeliveryCanvas::~DeliveryCanvas()
{
    m_state.stopScrollAnimation = {};
    m_state.requestCanvasFocus = {};
}

void DeliveryCanvas::setClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
    m_scrollAnimation.setClock(clock);
}

void DeliveryCanvas::setting(double& field, double value)
{
    if (!std::isfinite(value) || value == field)
        return;
    field = value;
    relayout();
}

void DeliveryCanvas::relayout()
{
    if (!hasLaidOut())
        return;
    // Off screen, nobody reads the page: an edit in another mode costs it nothing.
    if (!isVisible()) {
        m_needsLayout = true;
        return;
    }
    rebuildLayout();
}

void DeliveryCanvas::setBaseFontSize(double size)
{
    setting(m_baseFontSize, size);
}

void DeliveryCanvas::setLineSpacing(double spacing)
{
    setting(m_lineSpacing, spacing);
}

void DeliveryCanvas::setTextWidth(double width)
{
    setting(m_textWidth, width);
}

void DeliveryCanvas::setWpm(qint64 wordsPerMinute)
{
    if (wordsPerMinute == m_wpm)
        return;
    m_wpm = wordsPerMinute;
    relayout();
}

void DeliveryCanvas::setFootHeight(double height)
{
    height = std::isfinite(height) ? std::max(height, 0.0) : 0.0;
    if (height == m_footHeight)
        return;
    m_footHeight = height;
    updateViewportHeight();
    update();
}

void DeliveryCanvas::updateViewportHeight()
{
    m_state.setViewportHeight(std::max(height() - m_footHeight, 0.0));
}

void DeliveryCanvas::scheduleRebuild()
{
    if (m_rebuildPending || !hasLaidOut())
        return;
    m_rebuildPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_rebuildPending) {
                m_rebuildPending = false;
                relayout();
            }
        },
        Qt::QueuedConnection);
}

void DeliveryCanvas::rebuildLayout()
{
    m_rebuildPending = false;
    m_needsLayout = false;
    // The words at the reading line, and where a running glide is headed, on the page as it
    // stands; a page at its top stays there.
    const ReadingPlace::Page before { m_state.layout().get(), m_fonts.get(), m_layoutTextWidth };
    const auto placeOf = [&before](double scrollY) {
        return scrollY > 0 ? ReadingPlace::at(before, scrollY + DeliveryCanvasState::readingLine) : std::nullopt;
    };
    const std::optional<ReadingPlace> place = placeOf(m_state.scrollY());
    const bool isGliding = m_scrollAnimation.isRunning();
    const std::optional<ReadingPlace> aim = isGliding ? placeOf(m_scrollTarget) : std::nullopt;

    if (!m_fonts || m_fonts->baseSize() != m_baseFontSize)
        m_fonts = m_keeper ? m_keeper->fonts(m_baseFontSize) : std::make_shared<DeliveryFonts>(m_baseFontSize);
    m_layoutSeconds = DeliveryTimer::wholeSeconds(m_timer.targetSeconds());
    m_layoutTextWidth = m_textWidth;
    const qint64 minutes = std::max<qint64>(m_layoutSeconds / 60, 1);
    auto layout = std::make_shared<const DeliveryContentLayout>(DeliveryContentLayout::build(m_document.root(), minutes,
        m_textWidth, *m_fonts, m_lineSpacing, m_keeper ? &m_keeper->measures() : &m_measures));
    ++m_layoutCount;
    const ReadingPlace::Page after { layout.get(), m_fonts.get(), m_textWidth };
    m_state.setLayout(std::move(layout));

    const auto scrollTo = [&after](const std::optional<ReadingPlace>& at, double fallback) {
        const std::optional<double> y = at ? at->y(after) : std::nullopt;
        return y ? *y - DeliveryCanvasState::readingLine : fallback;
    };
    if (place)
        m_state.setScrollY(m_state.clampedScrollY(scrollTo(place, m_state.scrollY())));
    // A glide goes on from the place kept to where it was headed on the new page.
    if (isGliding)
        animateScroll(m_scrollTarget > 0 ? scrollTo(aim, m_scrollTarget) : 0);
}

void DeliveryCanvas::handleScrollWheel(double deltaY)
{
    m_scrollAnimation.stop();
    m_state.setFollowRunner(false);
    m_state.setScrollY(m_state.clampedScrollY(m_state.scrollY() - deltaY));
}

void DeliveryCanvas::prepareScroll()
{
    m_scrollAnimation.stop();
    m_state.callIfSet(m_state.stopScrollDeceleration);
    m_state.setFollowRunner(false);
}

bool DeliveryCanvas::handleKey(int key)
{
    const double page = std::max(m_state.viewportHeight() - pageOverlap, minimumPage);
    switch (key) {
    case Qt::Key_Space:
        if (m_timer.state() == TimerState::Running)
            m_timer.pause();
        else
            m_timer.start();
        return true;
    case Qt::Key_Escape:
        // A countdown under way is never lost to the key everyone presses to leave full
        // screen: that much is the delivery view's. Paused, stopping is a deliberate step.
        if (m_timer.state() == TimerState::Running)
            return false;
        m_timer.reset();
        return true;
    case Qt::Key_Home:
        prepareScroll();
        animateScroll(0);
        return true;
    case Qt::Key_End:
        prepareScroll();
        animateScroll(m_state.maxScrollY());
        return true;
    case Qt::Key_PageUp:
        prepareScroll();
        animateScroll(m_state.scrollY() - page);
        return true;
    case Qt::Key_PageDown:
        prepareScroll();
        animateScroll(m_state.scrollY() + page);
        return true;
    default:
        return false;
    }
}

void DeliveryCanvas::animateScroll(double y)
{
    const double from = m_state.scrollY();
    const double to = m_state.clampedScrollY(y);
    m_scrollTarget = to;
    m_scrollAnimation.start(scrollAnimationDuration, [this, from, to](double eased) {
        // Within the range as it stands at each frame: the page may have changed meanwhile.
        m_state.setScrollY(m_state.clampedScrollY(from + (to - from) * eased));
    });
}

void DeliveryCanvas::animationFrame()
{
    m_scrollAnimation.tick();
}

void DeliveryCanvas::startTicking()
{
    if (!m_tickTimer.isActive())
        m_tickTimer.start();
}

void DeliveryCanvas::stopTicking()
{
    m_tickTimer.stop();
}

void DeliveryCanvas::displayLinkTick()
{
    m_pulseClock.advance();
    const DeliveryCanvasState::Layout& layout = m_state.layout();
    if (m_state.followRunner() && layout) {
        const double progress = std::clamp(m_timer.progress(), 0.0, 1.0);
        const double y = layout->yForFraction(progress);
        m_state.setScrollY(m_state.clampedScrollY(y - DeliveryCanvasState::readingLine));
    }
    // A sermon's runner creeps a point every few seconds: a frame is drawn only when it moved
    // visibly, or while it pulses in overtime.
    const double progress = m_timer.progress();
    const std::optional<double> y = DeliveryPageRenderer::runnerY(layout.get(), currentRunner());
    const std::optional<double> painted = paintedRunnerY();
    const bool hasMoved
        = !y || !painted || std::abs(*y - *painted) * std::max(devicePixelRatioF(), 1.0) >= minimumRunnerStep;
    if (hasMoved || progress > 1)
        updateRunner();
}

void DeliveryCanvas::scrollToPendingTarget()
{
    const std::optional<QUuid> target = m_state.pendingScrollTarget();
    if (!target)
        return;
    // Cleared first, so the same heading can be asked for again.
    m_state.setPendingScrollTarget(std::nullopt);
    const DeliveryCanvasState::Layout& layout = m_state.layout();
    if (!layout)
        return;
    // Text is set with its first baseline on its frame's top, one ascent above the frame: the
    // target is the middle of the text as drawn.
    std::optional<double> y;
    if (const auto heading = layout->headingYPositions.constFind(*target); heading != layout->headingYPositions.cend())
        y = *heading - (m_fonts ? m_fonts->heading(layout->headingDepths.value(*target)).ascent() : 0);
    else if (const auto leaf = layout->nodeYPositions.constFind(*target); leaf != layout->nodeYPositions.cend())
        y = *leaf - (m_fonts ? m_fonts->leaf(false).ascent() : 0);
    if (y)
        animateScroll(*y - jumpOffset);
}

double DeliveryCanvas::drawnScrollY() const
{
    const double ratio = std::max(devicePixelRatioF(), 1.0);
    return std::round(m_state.scrollY() * ratio) / ratio;
}

void DeliveryCanvas::scrollChanged()
{
    if (drawnScrollY() != m_paintedScrollY)
        update();
    else
        updateRunner();
}

DeliveryPageRenderer::Runner DeliveryCanvas::currentRunner() const
{
    return { m_timer.state(), m_timer.progress(), m_clock->now() };
}

std::optional<double> DeliveryCanvas::paintedRunnerY() const
{
    return DeliveryPageRenderer::runnerY(m_state.layout().get(), m_paintedRunner);
}

QRegion DeliveryCanvas::runnerRegion() const
{
    const std::optional<double> y = DeliveryPageRenderer::runnerY(m_state.layout().get(), currentRunner());
    const std::optional<double> painted = paintedRunnerY();
    if (!y && !painted)
        return {};
    DeliveryPageRenderer::Page page;
    page.canvasSize = size();
    page.scrollY = drawnScrollY();
    page.textWidth = m_textWidth;
    QRectF dirty;
    if (y)
        dirty = DeliveryPageRenderer::runnerHeadBounds(page, *y);
    if (painted)
        dirty = dirty.united(DeliveryPageRenderer::runnerHeadBounds(page, *painted));
    // The stretch of line between the two heads.
    const double x = DeliveryPageRenderer::xOffset(width(), m_textWidth) + DeliveryContentLayout::runnerX;
    const double now = y ? *y : *painted;
    const double before = painted ? *painted : *y;
    const double from = std::min(now, before) - page.scrollY;
    const double to = std::max(now, before) - page.scrollY;
    QRegion region(dirty.toAlignedRect());
    region += QRectF(x - runnerLineReach, from, 2 * runnerLineReach, to - from).toAlignedRect();
    return region;
}

void DeliveryCanvas::updateRunner()
{
    const QRegion region = runnerRegion();
    if (!region.isEmpty())
        update(region);
}

void DeliveryCanvas::renderPage(QPainter& painter, const QRectF& dirty)
{
    renderPage(painter, dirty, currentRunner());
}

void DeliveryCanvas::renderPage(QPainter& painter, const QRectF& dirty, const DeliveryPageRenderer::Runner& runner)
{
    DeliveryPageRenderer::Page page;
    page.layout = m_state.layout().get();
    page.fonts = m_fonts.get();
    page.canvasSize = size();
    page.scrollY = drawnScrollY();
    page.viewportHeight = m_state.viewportHeight();
    page.textWidth = m_textWidth;
    page.isTimerStarted = m_timer.firstStartedAt().has_value();
    page.isDark = isDarkAppearance();
    if (m_footHeight > 0)
        page.readingBottom = m_state.viewportHeight();
    DeliveryPageRenderer::drawContent(painter, page, dirty);
    DeliveryPageRenderer::drawRunner(painter, page, runner);
}

void DeliveryCanvas::paintEvent(QPaintEvent* event)
{
    // A paint that leaves out part of the runner's stretch (a readout over the page repainting
    // beside it) draws the runner as the screen shows it, so that what stays on screen still
    // agrees; only a paint over all of the stretch moves it.
    const bool coversRunner = ((runnerRegion() & rect()) - event->region()).isEmpty();
    const DeliveryPageRenderer::Runner runner = coversRunner ? currentRunner() : m_paintedRunner;
    QPainter painter(this);
    renderPage(painter, event->region().boundingRect(), runner);
    m_paintedScrollY = drawnScrollY();
    m_paintedRunner = runner;
}

void DeliveryCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateViewportHeight();
}

bool DeliveryCanvas::isCanvasKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Escape:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

bool DeliveryCanvas::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The page's keys, and Return for the delivery view, come before any menu shortcut.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool isReturn = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (isCanvasKey(key->key(), key->modifiers()) || isReturn) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void DeliveryCanvas::keyPressEvent(QKeyEvent* event)
{
    if (isCanvasKey(event->key(), event->modifiers())) {
        // Held, Space would start and pause the countdown over and over and leave it either way:
        // it acts once per press. The page keys repeat.
        if (event->isAutoRepeat() && event->key() == Qt::Key_Space) {
            event->accept();
            return;
        }
        // A key the page leaves alone goes on to the delivery view.
        event->setAccepted(handleKey(event->key()));
        return;
    }
    QWidget::keyPressEvent(event);
}

void DeliveryCanvas::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!hasLaidOut() || m_needsLayout)
        rebuildLayout();
    if (m_timer.state() == TimerState::Running)
        startTicking();
    m_state.callIfSet(m_state.requestCanvasFocus);
}

void DeliveryCanvas::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    stopTicking();
}

void DeliveryCanvas::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

} // namespace kestrion
