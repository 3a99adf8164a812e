#pragma once

#include <functional>

namespace kestrion {

// "Focus Mode": enters or leaves focus mode; offered only in the mind map.
struct FocusModeAction {
    std::function<void()> toggle;
};

struct FocusedFocusModeKey {
    using Value = FocusModeAction;
};

} // namespace kestrion
