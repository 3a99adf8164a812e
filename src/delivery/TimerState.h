#pragma once

namespace kestrion {

// The countdown's state: never started since creation or the last reset, counting down, or
// stopped keeping the time run so far.
enum class TimerState {
    Idle,
    Running,
    Paused,
};

} // namespace kestrion
