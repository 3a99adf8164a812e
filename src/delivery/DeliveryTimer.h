#pragma once

#include "delivery/TimerState.h"
#include "document/WordCount.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QTime;

namespace kestrion {

class AnimationClock;

// The countdown of one delivery: the planned length, a target the speaker can stretch while
// preaching, the time remaining and the time run so far.
//
// Every time is read from a monotonic clock and computed, never counted: a late, skipped or
// coalesced tick, a suspended event loop or a change of the wall clock cannot make it drift.
// Times are the clock's seconds; tests give a clock of their own. While running, one
// single-shot precise timer brings remainingSeconds up to date once a second, at the middle of
// each second of running time, so that the truncated readout steps by exactly one second each
// time; paused or idle, no timer runs.
//
// Durations are whole minutes bounded to 0...maxMinutes wherever they come in, so a
// mistyped or hand-edited duration can never make a countdown of millions of minutes.
//
// Setters notify only on change, except the target written by adjust(), which always does.
// Main thread only.
class DeliveryTimer : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 maxMinutes = maxPlannedMinutes;
    static constexpr double maxTargetSeconds = static_cast<double>(maxMinutes) * 60.0;

    explicit DeliveryTimer(qint64 minutes, const AnimationClock* clock = nullptr, QObject* parent = nullptr);
    ~DeliveryTimer() override;

    const AnimationClock& clock() const { return *m_clock; }

    TimerState state() const { return m_state; }
    // Target minus the time run, as of the last update; negative in overtime.
    double remainingSeconds() const { return m_remainingSeconds; }
    // The planned length plus any minutes added while delivering.
    double targetSeconds() const { return m_targetSeconds; }
    // Whole minutes times 60; only creation and setDuration change it.
    double plannedTargetSeconds() const { return m_plannedTargetSeconds; }
    // Clock times; absent while idle or paused, and before the first start.
    const std::optional<double>& startedAt() const { return m_startedAt; }
    double elapsedBeforePause() const { return m_elapsedBeforePause; }
    const std::optional<double>& firstStartedAt() const { return m_firstStartedAt; }
    // Whether the once-a-second update is scheduled.
    bool isTicking() const { return m_ticker.isActive(); }

    void start();
    void pause();
    void reset();
    // A new planned length replacing the target (minutes added are dropped); the remaining
    // time follows at once in every state.
    void setDuration(qint64 minutes);
    // Adds to the target only; the remaining time follows at once.
    void adjust(qint64 minutes);

    // The time run: banked time plus the current run, never negative.
    double timeRun() const;
    // Share of the target run so far; 0 while idle or without a target; above 1 in overtime.
    double progress() const;
    // "m:ss" of the remaining time truncated to whole seconds, with U+2212 when negative.
    QString remainingText() const;
    // Time since the first start, pauses included: "m:ss", from an hour on "h:mm:ss".
    QString elapsedText() const;

    // Brings the remaining time up to date while running; the ticker calls it.
    void tick();

    // Minutes bounded to 0...maxMinutes.
    static qint64 boundedMinutes(qint64 minutes);
    // Seconds truncated toward zero to a whole number; not finite gives 0 and values beyond a
    // 64-bit integer are clamped first.
    static qint64 wholeSeconds(double seconds);
    // Milliseconds from a time run to the middle of its next second.
    static int tickDelayMilliseconds(double timeRun);
    // The shared wall-clock format "HH:mm:ss".
    static QString wallClockText(const QTime& time);

Q_SIGNALS:
    void stateChanged(kestrion::TimerState state, kestrion::TimerState previous);
    void remainingSecondsChanged(double seconds);
    void targetSecondsChanged(double seconds);
    void plannedTargetSecondsChanged(double seconds);
    void firstStartedAtChanged();

private:
    double now() const;
    void setState(TimerState state);
    void setRemainingSeconds(double seconds);
    void setTargetSeconds(double seconds, bool alwaysNotify = false);
    void setPlannedTargetSeconds(double seconds);
    void setFirstStartedAt(std::optional<double> time);
    void updateRemaining();
    void scheduleTick();

    const AnimationClock* m_clock;
    TimerState m_state = TimerState::Idle;
    double m_remainingSeconds = 0;
    double m_targetSeconds = 0;
    double m_plannedTargetSeconds = 0;
    std::optional<double> m_startedAt;
    double m_elapsedBeforePause = 0;
    std::optional<double> m_firstStartedAt;
    QTimer m_ticker;
};

} // namespace kestrion
