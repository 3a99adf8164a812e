#pragma once

#include <QTimer>

#include <functional>

namespace kestrion {

class AnimationClock;

// One slot for a frame animation of a canvas: a precise timer (1/60 s unless set) that, on
// each tick, computes t = min((now − start) / duration, 1) on the media clock and hands the
// eased t to the step; at t = 1 the animation stops and runs its completion. Starting again
// replaces the running animation where it stands (its completion does not run). Main thread
// only.
class FrameAnimation {
public:
    using Step = std::function<void(double easedProgress)>;
    using Completion = std::function<void()>;
    using Easing = double (*)(double);

    static constexpr int frameIntervalMilliseconds = 16;

    explicit FrameAnimation(const AnimationClock* clock = nullptr);
    FrameAnimation(const FrameAnimation&) = delete;
    FrameAnimation& operator=(const FrameAnimation&) = delete;

    const AnimationClock& clock() const { return *m_clock; }
    void setClock(const AnimationClock* clock);

    // The time between ticks; at least 1 ms.
    int frameInterval() const { return m_timer.interval(); }
    void setFrameInterval(int milliseconds);

    // A duration of zero or less (or not finite) runs the step once with 1 and completes at
    // once, before start returns.
    void start(double duration, Step step, Completion completion = {}, Easing easing = easeOutCubic);
    // Ends the running animation where it stands, without its completion.
    void stop();
    bool isRunning() const { return m_isRunning; }

    // One frame now; the timer calls it, and tests call it after advancing their clock.
    void tick();

    // 1 − (1 − t)³.
    static double easeOutCubic(double t);
    // Slow at both ends: 4t³ up to the middle, then mirrored.
    static double easeInOutCubic(double t);
    static double linear(double t) { return t; }

private:
    void finish();

    const AnimationClock* m_clock;
    QTimer m_timer;
    double m_startTime = 0;
    double m_duration = 0;
    Step m_step;
    Completion m_completion;
    Easing m_easing = easeOutCubic;
    bool m_isRunning = false;
    // Tells a tick whether its step or completion replaced or stopped the animation.
    quint64 m_generation = 0;
};

} // namespace kestrion
