#pragma once

#include <atomic>

namespace kestrion {

// The handle of one minimap render: the only thing shared between the main thread and the
// render. Cancelling is cooperative; the render looks at the flag at its checkpoints.
class MinimapRenderTask {
public:
    void cancel() { m_isCancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_isCancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_isCancelled { false };
};

} // namespace kestrion
