#include "platform/FrameAnimation.h"

#include "platform/AnimationClock.h"

#include <algorithm>
#include <cmath>

namespace kestrion {

FrameAnimation::FrameAnimation(const AnimationClock* clock)
    : m_clock(clock ? clock : &AnimationClock::system())
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(frameIntervalMilliseconds);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
}

void FrameAnimation::setClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
}

void FrameAnimation::setFrameInterval(int milliseconds)
{
    m_timer.setInterval(std::max(milliseconds, 1));
}

void FrameAnimation::start(double duration, Step step, Completion completion, Easing easing)
{
    stop();
    m_step = std::move(step);
    m_completion = std::move(completion);
    m_easing = easing ? easing : easeOutCubic;
    m_startTime = m_clock->now();
    m_isRunning = true;
    if (!(duration > 0) || !std::isfinite(duration)) {
        // Nothing to spread over frames; also keeps the progress from dividing by zero.
        m_duration = 0;
        const quint64 generation = m_generation;
        if (m_step)
            m_step(m_easing(1.0));
        if (generation == m_generation)
            finish();
        return;
    }
    m_duration = duration;
    m_timer.start();
}

void FrameAnimation::stop()
{
    ++m_generation;
    m_timer.stop();
    m_isRunning = false;
    m_step = {};
    m_completion = {};
}

void FrameAnimation::tick()
{
    if (!m_isRunning)
        return;
    const double elapsed = m_clock->now() - m_startTime;
    const double t = m_duration > 0 ? std::clamp(elapsed / m_duration, 0.0, 1.0) : 1.0;
    const quint64 generation = m_generation;
    if (m_step) {
        // The step may start or stop this very slot; keep it alive while it runs.
        Step step = m_step;
        step(m_easing(t));
    }
    if (generation != m_generation)
        return;
    if (t >= 1)
        finish();
}

void FrameAnimation::finish()
{
    Completion completion = std::move(m_completion);
    ++m_generation;
    m_timer.stop();
    m_isRunning = false;
    m_step = {};
    m_completion = {};
    if (completion)
        completion();
}

double FrameAnimation::easeOutCubic(double t)
{
    const double u = 1.0 - t;
    return 1.0 - u * u * u;
}

double FrameAnimation::easeInOutCubic(double t)
{
    if (t < 0.5)
        return 4.0 * t * t * t;
    const double u = -2.0 * t + 2.0;
    return 1.0 - u * u * u / 2.0;
}

} // namespace kestrion
