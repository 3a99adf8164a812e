#pragma once

#include <functional>

namespace kestrion {

// Zoom In, Zoom Out and Actual Size of the focused canvas.
struct ZoomAction {
    std::function<void()> zoomIn;
    std::function<void()> zoomOut;
    std::function<void()> reset;
};

struct FocusedZoomKey {
    using Value = ZoomAction;
};

} // namespace kestrion
