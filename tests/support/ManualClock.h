#pragma once

#include "platform/AnimationClock.h"

namespace kestrion::test {

// An animation clock that moves only when the test says so.
class ManualClock final : public AnimationClock {
public:
    double now() const override { return m_now; }
    void advance(double seconds) { m_now += seconds; }
    void set(double seconds) { m_now = seconds; }

private:
    double m_now = 1000;
};

} // namespace kestrion::test
