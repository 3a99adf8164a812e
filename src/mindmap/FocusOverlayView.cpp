#include "mindmap/FocusOverlayView.h"

#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/AnimationClock.h"
#include "platform/Preferences.h"
#include "platform/Typography.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace kestrion {

FocusOverlayView::FocusOverlayView(SermonDocument& document, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_clock(&AnimationClock::system())
    , m_fade(m_clock)
{
    setObjectName(QStringLiteral("focusOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);

    m_fadeTimer.setSingleShot(true);
    m_fadeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_fadeTimer, &QTimer::timeout, this, &FocusOverlayView::tick);

    // Queued: an edit records its step before it changes the nodes.
    for (auto signal : { &SermonDocument::rootChanged, &SermonDocument::undoStackChanged,
             &SermonDocument::redoStackChanged, &SermonDocument::contentEdited, &SermonDocument::titleChanged })
        connect(&document, signal, this, &FocusOverlayView::invalidateLabel, Qt::QueuedConnection);
    connect(&document, &SermonDocument::undoRedoGenerationChanged, this, &FocusOverlayView::invalidateLabel,
        Qt::QueuedConnection);
    setPreferences(&Preferences::shared());
}

FocusOverlayView::~FocusOverlayView()
{
    removeActivityMonitor();
}

QString FocusOverlayView::overlayLabelText(qint64 words, qint64 wordsPerMinute)
{
    if (words == 0)
        return tr("0 words");
    return tr("%1 words · %2 min").arg(words).arg(readingMinutes(words, wordsPerMinute));
}

QString FocusOverlayView::labelText() const
{
    if (!m_label) {
        const qint64 words = m_document ? wordCount(m_document->root()) : 0;
        const qint64 pace = m_preferences ? m_preferences->usableReadingPaceWPM() : Preferences::defaultReadingPaceWPM;
        m_label = overlayLabelText(words, pace);
    }
    return *m_label;
}

void FocusOverlayView::setPreferences(Preferences* preferences)
{
    if (m_preferences)
        m_preferences->disconnect(this);
    m_preferences = preferences;
    if (m_preferences) {
        connect(m_preferences, &Preferences::changed, this, [this](const QString& key) {
            if (key == Preferences::readingPaceWPMKey)
                invalidateLabel();
        });
    }
    invalidateLabel();
}

void FocusOverlayView::setAnimationClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
    m_fade.setClock(m_clock);
}

void FocusOverlayView::invalidateLabel()
{
    // Counted again when next painted, once however many changes came in between.
    m_label.reset();
    update(pillBand());
}

QFont FocusOverlayView::pillFont() const
{
    return Typography::systemFont(fontSize, QFont::Medium);
}

qreal FocusOverlayView::pillHeight() const
{
    return std::ceil(QFontMetricsF(pillFont()).height()) + 2 * verticalPadding;
}

QRectF FocusOverlayView::pillRect() const
{
    const QFontMetricsF metrics(pillFont());
    const qreal width = std::ceil(metrics.horizontalAdvance(labelText())) + 2 * horizontalPadding;
    return { QPointF(edgeInset, height() - edgeInset - pillHeight()), QSizeF(width, pillHeight()) };
}

QRect FocusOverlayView::pillBand() const
{
    // The row the pill sits in, whatever its text's width.
    const qreal top = height() - edgeInset - pillHeight();
    return QRectF(0, top, width(), pillHeight()).toAlignedRect().adjusted(0, -1, 0, 1);
}

// --- Showing and fading ---------------------------------------------------------------------

void FocusOverlayView::noteActivity()
{
    setPillShown(true);
    restartFadeTimer();
}

void FocusOverlayView::restartFadeTimer()
{
    m_fadeDeadline = m_clock->now() + fadeDelaySeconds;
    m_fadeTimer.start(int(fadeDelaySeconds * 1000));
}

void FocusOverlayView::tick()
{
    if (m_fadeDeadline) {
        const double remaining = *m_fadeDeadline - m_clock->now();
        if (remaining <= 0) {
            m_fadeDeadline.reset();
            m_fadeTimer.stop();
            setPillShown(false);
        } else if (!m_fadeTimer.isActive()) {
            // Woken early (a test, a coarse timer): wait for the rest.
            m_fadeTimer.start(std::max(1, int(std::ceil(remaining * 1000))));
        }
    }
    m_fade.tick();
}

void FocusOverlayView::setPillShown(bool shown)
{
    if (shown == m_isPillShown)
        return;
    m_isPillShown = shown;
    const double from = m_opacity;
    const double to = shown ? 1.0 : 0.0;
    m_fade.start(
        fadeDuration, [this, from, to](double t) { setOpacity(from + (to - from) * t); }, {},
        FrameAnimation::easeInOutCubic);
}

void FocusOverlayView::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update(pillBand());
}

// --- Pointer activity -----------------------------------------------------------------------

void FocusOverlayView::installActivityMonitor()
{
    if (m_isMonitoring)
        return;
    restartFadeTimer();
    qApp->installEventFilter(this);
    m_isMonitoring = true;
}

void FocusOverlayView::removeActivityMonitor()
{
    m_fadeTimer.stop();
    m_fadeDeadline.reset();
    if (!m_isMonitoring)
        return;
    qApp->removeEventFilter(this);
    m_isMonitoring = false;
}

bool FocusOverlayView::isOwnPointerEvent(QObject* watched, QEvent* event) const
{
    switch (event->type()) {
    case QEvent::MouseMove:
        // A drag with a button held is not a pointer at rest coming back to life.
        if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton)
            return false;
        break;
    case QEvent::MouseButtonPress: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button != Qt::LeftButton && button != Qt::RightButton)
            return false;
        break;
    }
    default:
        return false;
    }
    // Events reach the window first and then the widget under the pointer; either counts.
    const QWidget* own = window();
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window() == own;
    if (auto* target = qobject_cast<QWindow*>(watched))
        return target == own->windowHandle();
    return false;
}

bool FocusOverlayView::eventFilter(QObject* watched, QEvent* event)
{
    // Coming back to the window from another one, by keyboard too, is the user coming back: the
    // count may have changed meanwhile.
    if (isOwnPointerEvent(watched, event) || (event->type() == QEvent::WindowActivate && watched == window()))
        noteActivity();
    // The event travels on untouched.
    return false;
}

// --- Widget ---------------------------------------------------------------------------------

void FocusOverlayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    installActivityMonitor();
}

void FocusOverlayView::hideEvent(QHideEvent* event)
{
    removeActivityMonitor();
    QWidget::hideEvent(event);
}

void FocusOverlayView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void FocusOverlayView::paintEvent(QPaintEvent*)
{
    if (m_opacity <= 0)
        return;
    const QRectF pill = pillRect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);

    // A thin, translucent capsule of the window's own colour.
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.72f);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.08f);
    const qreal radius = pill.height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(capsule, fill);
    painter.setPen(QPen(edge, 1));
    painter.drawPath(capsule);

    painter.setFont(pillFont());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(pill, Qt::AlignCenter | Qt::TextSingleLine, labelText());
}

} // namespace kestrion
