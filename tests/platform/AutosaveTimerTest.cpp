#include "platform/AutosaveTimer.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace kestrion;
using namespace std::chrono_literals;

namespace {

// Two countdowns end in the same pass; the first to be told stops or destroys the other,
// as a question over one document may close another: the other's ending is not told.
TEST(AutosaveTimerTest, ACountdownStoppedOrGoneAfterItEndedButBeforeItWasToldStaysSilent)
{
    const std::function<void(std::unique_ptr<AutosaveTimer>&)> ways[] = {
        [](std::unique_ptr<AutosaveTimer>& timer) { timer->stop(); },
        [](std::unique_ptr<AutosaveTimer>& timer) { timer.reset(); },
    };
    for (const auto& silence : ways) {
        std::unique_ptr<AutosaveTimer> timers[2] = { AutosaveTimer::create(AutosaveTimer::Purpose::SaveInPlace),
            AutosaveTimer::create(AutosaveTimer::Purpose::RecoveryCopy) };
        int told[2] = { 0, 0 };
        for (int i = 0; i < 2; ++i) {
            timers[i]->onTimeout = [&, i] {
                ++told[i];
                silence(timers[1 - i]);
            };
        }
        timers[0]->start(1ms);
        timers[1]->start(1ms);
        QTest::qWait(50);
        EXPECT_EQ(told[0] + told[1], 1);
        for (const auto& timer : timers)
            EXPECT_TRUE(!timer || !timer->isActive());
    }
}

} // namespace
