#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace kestrion {

// The one-shot timer behind autosave, one per open document. The manager makes them through
// a factory, so tests can fire them by hand instead of waiting.
class AutosaveTimer {
public:
    virtual ~AutosaveTimer() = default;

    // Starts or restarts the countdown.
    virtual void start(std::chrono::milliseconds delay) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    // Called when the countdown ends.
    std::function<void()> onTimeout;

    // A QTimer on the current thread's event loop.
    static std::unique_ptr<AutosaveTimer> create();

protected:
    AutosaveTimer() = default;
};

using AutosaveTimerFactory = std::function<std::unique_ptr<AutosaveTimer>()>;

} // namespace kestrion
