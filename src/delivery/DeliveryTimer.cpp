#include "delivery/DeliveryTimer.h"

#include "platform/AnimationClock.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

// Whole seconds as "m:ss": minutes neither padded nor limited to 59.
QString minutesAndSeconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

DeliveryTimer::DeliveryTimer(qint64 minutes, const AnimationClock* clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock ? clock : &AnimationClock::system())
{
    const double seconds = static_cast<double>(boundedMinutes(minutes)) * 60.0;
    m_remainingSeconds = seconds;
    m_targetSeconds = seconds;
    m_plannedTargetSeconds = seconds;
    m_ticker.setSingleShot(true);
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, [this] {
        tick();
        scheduleTick();
    });
}

DeliveryTimer::~DeliveryTimer() = default;

qint64 DeliveryTimer::boundedMinutes(qint64 minutes)
{
    return std::clamp<qint64>(minutes, 0, maxMinutes);
}

qint64 DeliveryTimer::wholeSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // Within a 64-bit integer with room to spare, so negating or adding a little cannot overflow.
    constexpr double largest = 9.0e18;
    return static_cast<qint64>(std::clamp(seconds, -largest, largest));
}

int DeliveryTimer::tickDelayMilliseconds(double timeRun)
{
    if (!std::isfinite(timeRun) || timeRun < 0)
        timeRun = 0;
    const double fraction = timeRun - std::floor(timeRun);
    double delay = 0.5 - fraction;
    // Too close to the middle to be worth a tick of its own: the next middle then.
    if (delay < 0.02)
        delay += 1.0;
    return static_cast<int>(std::ceil(delay * 1000.0));
}

QString DeliveryTimer::wallClockText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

double DeliveryTimer::now() const
{
    return m_clock->now();
}

double DeliveryTimer::timeRun() const
{
    double run = m_elapsedBeforePause;
    if (m_startedAt)
        run += std::max(now() - *m_startedAt, 0.0);
    return std::max(run, 0.0);
}

void DeliveryTimer::start()
{
    if (!m_firstStartedAt)
        setFirstStartedAt(now());
    switch (m_state) {
    case TimerState::Running:
        return;
    case TimerState::Idle:
        m_elapsedBeforePause = 0;
        break;
    case TimerState::Paused:
        break;
    }
    m_startedAt = now();
    setState(TimerState::Running);
    scheduleTick();
}

void DeliveryTimer::pause()
{
    if (m_state != TimerState::Running)
        return;
    if (m_startedAt)
        m_elapsedBeforePause += std::max(now() - *m_startedAt, 0.0);
    m_startedAt.reset();
    m_ticker.stop();
    setState(TimerState::Paused);
}

void DeliveryTimer::reset()
{
    m_ticker.stop();
    m_startedAt.reset();
    m_elapsedBeforePause = 0;
    setState(TimerState::Idle);
    setTargetSeconds(m_plannedTargetSeconds);
    setRemainingSeconds(m_plannedTargetSeconds);
    setFirstStartedAt(std::nullopt);
}

void DeliveryTimer::setDuration(qint64 minutes)
{
    const double seconds = static_cast<double>(boundedMinutes(minutes)) * 60.0;
    setTargetSeconds(seconds);
    setPlannedTargetSeconds(seconds);
    // Paused, the old remaining time would stand until the next start; keep it true at once.
    updateRemaining();
}

void DeliveryTimer::adjust(qint64 minutes)
{
    const double added = static_cast<double>(std::clamp(minutes, -maxMinutes, maxMinutes)) * 60.0;
    setTargetSeconds(std::clamp(m_targetSeconds + added, 0.0, maxTargetSeconds), true);
    updateRemaining();
}

void DeliveryTimer::updateRemaining()
{
    switch (m_state) {
    case TimerState::Idle:
        setRemainingSeconds(m_targetSeconds);
        break;
    case TimerState::Running:
    case TimerState::Paused:
        setRemainingSeconds(m_targetSeconds - timeRun());
        break;
    }
}

double DeliveryTimer::progress() const
{
    if (!(m_targetSeconds > 0) || m_state == TimerState::Idle)
        return 0;
    return timeRun() / m_targetSeconds;
}

QString DeliveryTimer::remainingText() const
{
    const qint64 seconds = wholeSeconds(m_remainingSeconds);
    if (seconds >= 0)
        return minutesAndSeconds(seconds);
    return QChar(u'\u2212') + minutesAndSeconds(-seconds);
}

QString DeliveryTimer::elapsedText() const
{
    // A clock that went back counts as no time.
    const qint64 seconds = m_firstStartedAt ? std::max<qint64>(wholeSeconds(now() - *m_firstStartedAt), 0) : 0;
    if (seconds < 3600)
        return minutesAndSeconds(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void DeliveryTimer::tick()
{
    if (m_state != TimerState::Running || !m_startedAt)
        return;
    setRemainingSeconds(m_targetSeconds - timeRun());
}

void DeliveryTimer::scheduleTick()
{
    if (m_state != TimerState::Running)
        return;
    m_ticker.start(tickDelayMilliseconds(timeRun()));
}

void DeliveryTimer::setState(TimerState state)
{
    if (state == m_state)
        return;
    const TimerState previous = m_state;
    m_state = state;
    Q_EMIT stateChanged(state, previous);
}

void DeliveryTimer::setRemainingSeconds(double seconds)
{
    if (seconds == m_remainingSeconds)
        return;
    m_remainingSeconds = seconds;
    Q_EMIT remainingSecondsChanged(seconds);
}

void DeliveryTimer::setTargetSeconds(double seconds, bool alwaysNotify)
{
    if (seconds == m_targetSeconds && !alwaysNotify)
        return;
    m_targetSeconds = seconds;
    Q_EMIT targetSecondsChanged(seconds);
}

void DeliveryTimer::setPlannedTargetSeconds(double seconds)
{
    if (seconds == m_plannedTargetSeconds)
        return;
    m_plannedTargetSeconds = seconds;
    Q_EMIT plannedTargetSecondsChanged(seconds);
}

void DeliveryTimer::setFirstStartedAt(std::optional<double> time)
{
    if (time == m_firstStartedAt)
        return;
    m_firstStartedAt = time;
    Q_EMIT firstStartedAtChanged();
}

} // namespace kestrion
