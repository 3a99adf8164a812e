#include "delivery/DeliveryTimer.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTime>

#include <limits>

using namespace kestrion;

namespace {

const QChar minus(u'\u2212');

struct Countdown {
    explicit Countdown(qint64 minutes)
        : timer(minutes, &clock)
    {
    }

    // Time passes and the ticker catches up, as it would while the event loop runs.
    void run(double seconds)
    {
        clock.advance(seconds);
        timer.tick();
    }

    test::ManualClock clock;
    DeliveryTimer timer;
};

} // namespace

TEST(DeliveryTimerTest, ANewTimerIsIdleWithItsPlannedLength)
{
    Countdown c(30);
    EXPECT_EQ(c.timer.state(), TimerState::Idle);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("30:00"));
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("0:00"));
    EXPECT_EQ(c.timer.progress(), 0);
    EXPECT_EQ(c.timer.targetSeconds(), 1800);
    EXPECT_EQ(c.timer.plannedTargetSeconds(), 1800);
    EXPECT_FALSE(c.timer.firstStartedAt());
    EXPECT_FALSE(c.timer.isTicking());
}

TEST(DeliveryTimerTest, StateTable)
{
    Countdown c(10);
    QSignalSpy states(&c.timer, &DeliveryTimer::stateChanged);

    c.timer.pause();
    EXPECT_EQ(c.timer.state(), TimerState::Idle);
    c.timer.start();
    EXPECT_EQ(c.timer.state(), TimerState::Running);
    EXPECT_TRUE(c.timer.isTicking());
    const double startedAt = *c.timer.startedAt();
    c.clock.advance(5);
    // A second start neither restarts the run nor adds a ticker.
    c.timer.start();
    EXPECT_EQ(*c.timer.startedAt(), startedAt);
    EXPECT_DOUBLE_EQ(c.timer.timeRun(), 5);
    c.timer.pause();
    EXPECT_EQ(c.timer.state(), TimerState::Paused);
    EXPECT_FALSE(c.timer.isTicking());
    EXPECT_FALSE(c.timer.startedAt());
    c.timer.pause();
    c.timer.start();
    EXPECT_EQ(c.timer.state(), TimerState::Running);
    c.timer.reset();
    EXPECT_EQ(c.timer.state(), TimerState::Idle);
    EXPECT_FALSE(c.timer.isTicking());
    c.timer.reset();

    ASSERT_EQ(states.count(), 4);
    const std::vector<std::pair<TimerState, TimerState>> expected { { TimerState::Running, TimerState::Idle },
        { TimerState::Paused, TimerState::Running }, { TimerState::Running, TimerState::Paused },
        { TimerState::Idle, TimerState::Running } };
    for (int i = 0; i < states.count(); ++i) {
        EXPECT_EQ(states.at(i).at(0).value<TimerState>(), expected[size_t(i)].first) << i;
        EXPECT_EQ(states.at(i).at(1).value<TimerState>(), expected[size_t(i)].second) << i;
    }
}

TEST(DeliveryTimerTest, APauseCountsForTheElapsedTimeButNotForProgress)
{
    Countdown c(10);
    c.timer.start();
    c.run(90);
    c.timer.pause();
    c.clock.advance(60);
    EXPECT_DOUBLE_EQ(c.timer.progress(), 90.0 / 600.0);
    c.timer.start();
    c.run(30);
    EXPECT_DOUBLE_EQ(c.timer.progress(), 120.0 / 600.0);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("8:00"));
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("3:00"));
    // A second pause adds its run to the time run before it.
    c.timer.pause();
    EXPECT_DOUBLE_EQ(c.timer.elapsedBeforePause(), 120);
    EXPECT_DOUBLE_EQ(c.timer.progress(), 120.0 / 600.0);
}

TEST(DeliveryTimerTest, OvertimeReadsNegativeWithAMinusSignAndProgressBeyondOne)
{
    Countdown c(10);
    c.timer.start();
    c.run(600.5);
    // Truncation toward zero: the first second past the target still reads 0:00.
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("0:00"));
    c.run(30);
    EXPECT_EQ(c.timer.remainingText(), minus + QStringLiteral("0:30"));
    EXPECT_DOUBLE_EQ(c.timer.progress(), 630.5 / 600.0);
    c.run(3600);
    EXPECT_EQ(c.timer.remainingText(), minus + QStringLiteral("60:30"));

    c.timer.reset();
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("10:00"));
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("0:00"));
    EXPECT_FALSE(c.timer.firstStartedAt());
}

TEST(DeliveryTimerTest, ElapsedShowsHoursFromAnHourOn)
{
    Countdown c(10);
    c.timer.start();
    c.clock.advance(3599);
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("59:59"));
    c.clock.advance(1);
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("1:00:00"));
    c.clock.advance(5 * 60 + 9);
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("1:05:09"));
}

TEST(DeliveryTimerTest, AdjustAddsToTheTargetAndUpdatesTheRemainingTimeAtOnce)
{
    Countdown c(20);
    c.timer.start();
    c.run(8 * 60);
    c.timer.pause();
    QSignalSpy targets(&c.timer, &DeliveryTimer::targetSecondsChanged);
    c.timer.adjust(5);
    EXPECT_EQ(c.timer.targetSeconds(), 25 * 60);
    EXPECT_EQ(c.timer.plannedTargetSeconds(), 20 * 60);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("17:00"));
    c.timer.adjust(0);
    EXPECT_EQ(targets.count(), 2);

    c.timer.reset();
    EXPECT_EQ(c.timer.targetSeconds(), 20 * 60);
}

TEST(DeliveryTimerTest, SetDurationReplacesTargetAndPlanAndUpdatesTheRemainingTimeInEveryState)
{
    Countdown c(30);
    c.timer.setDuration(40);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("40:00"));

    c.timer.start();
    c.timer.adjust(10);
    c.run(60);
    c.timer.setDuration(45);
    EXPECT_EQ(c.timer.targetSeconds(), 45 * 60);
    EXPECT_EQ(c.timer.plannedTargetSeconds(), 45 * 60);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("44:00"));

    c.timer.pause();
    c.timer.setDuration(20);
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("19:00"));
    EXPECT_EQ(c.timer.state(), TimerState::Paused);
}

TEST(DeliveryTimerTest, AZeroTargetHasNoProgressAndGoesNegativeAtOnce)
{
    Countdown c(0);
    c.timer.start();
    EXPECT_EQ(c.timer.progress(), 0);
    c.run(1.5);
    EXPECT_EQ(c.timer.remainingText(), minus + QStringLiteral("0:01"));
    c.timer.pause();
    EXPECT_EQ(c.timer.progress(), 0);
}

TEST(DeliveryTimerTest, DurationsAreBoundedToADay)
{
    struct Case {
        qint64 minutes;
        double seconds;
    };
    const Case cases[] = { { 1440, 86400 }, { 1441, 86400 }, { std::numeric_limits<qint64>::max(), 86400 }, { -5, 0 },
        { std::numeric_limits<qint64>::min(), 0 } };
    for (const Case& c : cases) {
        Countdown created(c.minutes);
        EXPECT_EQ(created.timer.targetSeconds(), c.seconds) << c.minutes;
        Countdown set(10);
        set.timer.setDuration(c.minutes);
        EXPECT_EQ(set.timer.plannedTargetSeconds(), c.seconds) << c.minutes;
    }
    Countdown c(1430);
    c.timer.adjust(std::numeric_limits<qint64>::max());
    EXPECT_EQ(c.timer.targetSeconds(), 86400);
    c.timer.adjust(std::numeric_limits<qint64>::min());
    EXPECT_EQ(c.timer.targetSeconds(), 0);
}

TEST(DeliveryTimerTest, WholeSecondsSurviveValuesNoIntegerHolds)
{
    EXPECT_EQ(DeliveryTimer::wholeSeconds(59.9), 59);
    EXPECT_EQ(DeliveryTimer::wholeSeconds(-0.9), 0);
    EXPECT_EQ(DeliveryTimer::wholeSeconds(-59.9), -59);
    EXPECT_EQ(DeliveryTimer::wholeSeconds(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_GT(DeliveryTimer::wholeSeconds(std::numeric_limits<double>::infinity()), 0);
    EXPECT_LT(DeliveryTimer::wholeSeconds(-1e300), 0);

    Countdown c(10);
    c.timer.start();
    c.run(1e300);
    // A clock gone wild still gives a readable text.
    EXPECT_TRUE(c.timer.remainingText().startsWith(minus));
}

TEST(DeliveryTimerTest, TimeComesFromTheClockNotFromTicks)
{
    Countdown c(10);
    c.timer.start();
    // Hours without a tick (a stalled event loop), then one tick: the countdown is exact.
    c.clock.advance(7200.25);
    c.timer.tick();
    EXPECT_EQ(c.timer.remainingText(), minus + QStringLiteral("110:00"));
    EXPECT_EQ(c.timer.elapsedText(), QStringLiteral("2:00:00"));

    // A clock that jumps back never counts negative time.
    Countdown back(10);
    back.timer.start();
    back.clock.advance(-30);
    back.timer.tick();
    EXPECT_EQ(back.timer.timeRun(), 0);
    EXPECT_EQ(back.timer.remainingText(), QStringLiteral("10:00"));
    EXPECT_EQ(back.timer.elapsedText(), QStringLiteral("0:00"));
    back.timer.pause();
    EXPECT_EQ(back.timer.elapsedBeforePause(), 0);
}

TEST(DeliveryTimerTest, TicksFallInTheMiddleOfEachSecondOfRunningTime)
{
    struct Case {
        double timeRun;
        int milliseconds;
    };
    const Case cases[]
        = { { 0, 500 }, { 0.2, 300 }, { 0.49, 1010 }, { 0.5, 1000 }, { 0.75, 750 }, { 12.4, 100 }, { -3, 500 } };
    for (const Case& c : cases)
        EXPECT_EQ(DeliveryTimer::tickDelayMilliseconds(c.timeRun), c.milliseconds) << c.timeRun;
}

TEST(DeliveryTimerTest, TheTickerUpdatesTheRemainingTimeWhileRunningOnly)
{
    Countdown c(10);
    QSignalSpy remaining(&c.timer, &DeliveryTimer::remainingSecondsChanged);
    c.timer.start();
    c.clock.advance(2);
    ASSERT_TRUE(remaining.wait(2000));
    EXPECT_EQ(c.timer.remainingText(), QStringLiteral("9:58"));
    EXPECT_TRUE(c.timer.isTicking());
    c.timer.pause();
    c.clock.advance(2);
    EXPECT_FALSE(remaining.wait(700));
}

TEST(DeliveryTimerTest, WallClockTextIsHoursMinutesSeconds)
{
    EXPECT_EQ(DeliveryTimer::wallClockText(QTime(9, 5, 7)), QStringLiteral("09:05:07"));
    EXPECT_EQ(DeliveryTimer::wallClockText(QTime(21, 0, 0)), QStringLiteral("21:00:00"));
}
