#pragma once

namespace kestrion {

// Media time in seconds for the canvas animations. The system clock is monotonic; tests give
// a clock of their own and advance it by hand, so no test waits for real time to pass.
class AnimationClock {
public:
    virtual ~AnimationClock() = default;
    virtual double now() const = 0;

    // The monotonic clock of the process.
    static const AnimationClock& system();

protected:
    AnimationClock() = default;
    AnimationClock(const AnimationClock&) = default;
    AnimationClock& operator=(const AnimationClock&) = default;
};

} // namespace kestrion
