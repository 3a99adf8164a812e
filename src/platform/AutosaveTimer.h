#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace kestrion {

// A one-shot timer behind autosave; each open document has one per purpose. The manager
// makes them through a factory, so tests can fire them by hand instead of waiting.
class AutosaveTimer {
public:
    enum class Purpose {
        // Saving a titled sermon in place once the editing pauses.
        SaveInPlace,
        // Keeping unsaved words in the recovery folder, also while the typing goes on.
        RecoveryCopy,
    };

    virtual ~AutosaveTimer() = default;

    // Starts or restarts the countdown.
    virtual void start(std::chrono::milliseconds delay) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    // Called when the countdown ends.
    std::function<void()> onTimeout;

    // A QTimer on the current thread's event loop.
    static std::unique_ptr<AutosaveTimer> create(Purpose purpose);

protected:
    AutosaveTimer() = default;
};

using AutosaveTimerFactory = std::function<std::unique_ptr<AutosaveTimer>(AutosaveTimer::Purpose purpose)>;

} // namespace kestrion
