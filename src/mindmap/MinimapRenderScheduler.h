#pragma once

#include "mindmap/MinimapRenderTask.h"

#include <QImage>

#include <functional>
#include <memory>
#include <optional>

namespace kestrion {

// Runs the minimap's render tasks. A task waits debounceMilliseconds, so a burst of requests
// costs one render; unless cancelled by then it renders off the main thread, and unless
// cancelled while rendering it hands a bitmap back on the main thread. A task that is
// cancelled, or whose render gives no bitmap, delivers nothing.
//
// The application's scheduler is ConcurrentMinimapRenderScheduler; tests give one that runs
// each step when told.
class MinimapRenderScheduler {
public:
    using Render = std::function<std::optional<QImage>()>;
    using Deliver = std::function<void(QImage)>;

    static constexpr int debounceMilliseconds = 60;

    virtual ~MinimapRenderScheduler() = default;
    virtual void start(std::shared_ptr<MinimapRenderTask> task, Render render, Deliver deliver) = 0;
};

} // namespace kestrion
