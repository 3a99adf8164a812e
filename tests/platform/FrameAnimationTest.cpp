#include "platform/FrameAnimation.h"

#include "support/ManualClock.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace kestrion;

TEST(FrameAnimationTest, StepsFollowTheClockWithCubicEaseOut)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    std::vector<double> steps;
    int completions = 0;
    animation.start(
        0.2, [&](double t) { steps.push_back(t); }, [&] { ++completions; });
    EXPECT_TRUE(animation.isRunning());

    clock.advance(0.1);
    animation.tick();
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_NEAR(steps.back(), 1 - 0.5 * 0.5 * 0.5, 1e-9);
    EXPECT_EQ(completions, 0);

    clock.advance(0.15);
    animation.tick();
    EXPECT_DOUBLE_EQ(steps.back(), 1.0);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(animation.isRunning());

    // Further ticks do nothing.
    animation.tick();
    EXPECT_EQ(steps.size(), 2u);
    EXPECT_EQ(completions, 1);
}

TEST(FrameAnimationTest, AnAnimationWhoseTimeHasPassedStepsOnceWithOneAndCompletes)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    std::vector<double> steps;
    int completions = 0;
    animation.start(
        0.3, [&](double t) { steps.push_back(t); }, [&] { ++completions; });
    clock.advance(5);
    animation.tick();
    EXPECT_EQ(steps, std::vector<double> { 1.0 });
    EXPECT_EQ(completions, 1);
}

TEST(FrameAnimationTest, ZeroDurationCompletesAtOnce)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    std::vector<double> steps;
    int completions = 0;
    animation.start(
        0, [&](double t) { steps.push_back(t); }, [&] { ++completions; });
    EXPECT_EQ(steps, std::vector<double> { 1.0 });
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(animation.isRunning());

    animation.start(-1, [&](double t) { steps.push_back(t); });
    EXPECT_EQ(steps.size(), 2u);
    EXPECT_FALSE(animation.isRunning());
}

TEST(FrameAnimationTest, StartingAgainReplacesTheRunningAnimationWithoutItsCompletion)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    int firstCompletions = 0;
    int firstSteps = 0;
    animation.start(
        0.2, [&](double) { ++firstSteps; }, [&] { ++firstCompletions; });
    clock.advance(0.05);
    animation.tick();

    double lastSecond = -1;
    animation.start(0.2, [&](double t) { lastSecond = t; });
    clock.advance(0.5);
    animation.tick();
    EXPECT_EQ(firstSteps, 1);
    EXPECT_EQ(firstCompletions, 0);
    EXPECT_EQ(lastSecond, 1.0);
}

TEST(FrameAnimationTest, StopEndsWhereItStands)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    int completions = 0;
    int steps = 0;
    animation.start(
        0.2, [&](double) { ++steps; }, [&] { ++completions; });
    animation.stop();
    clock.advance(1);
    animation.tick();
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(completions, 0);
}

TEST(FrameAnimationTest, ACompletionMayStartTheNextAnimation)
{
    test::ManualClock clock;
    FrameAnimation animation(&clock);
    int secondSteps = 0;
    animation.start(
        0.1, [](double) {}, [&] { animation.start(0.1, [&](double) { ++secondSteps; }); });
    clock.advance(0.2);
    animation.tick();
    EXPECT_TRUE(animation.isRunning());
    clock.advance(0.2);
    animation.tick();
    EXPECT_EQ(secondSteps, 1);
    EXPECT_FALSE(animation.isRunning());
}

TEST(FrameAnimationTest, RunsOnItsOwnTimer)
{
    // The real clock and timer: the animation finishes without anyone ticking it.
    FrameAnimation animation;
    bool completed = false;
    animation.start(
        0.03, [](double) {}, [&] { completed = true; });
    for (int i = 0; i < 200 && !completed; ++i)
        QTest::qWait(5);
    EXPECT_TRUE(completed);
}
