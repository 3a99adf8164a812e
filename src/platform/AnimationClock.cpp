#include "platform/AnimationClock.h"

#include <QElapsedTimer>

namespace kestrion {

namespace {

class SystemAnimationClock final : public AnimationClock {
public:
    SystemAnimationClock() { m_timer.start(); }
    double now() const override { return static_cast<double>(m_timer.nsecsElapsed()) / 1e9; }

private:
    QElapsedTimer m_timer;
};

} // namespace

const AnimationClock& AnimationClock::system()
{
    static const SystemAnimationClock clock;
    return clock;
}

} // namespace kestrion
