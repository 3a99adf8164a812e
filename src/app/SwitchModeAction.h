#pragma once

#include "app/AppMode.h"

#include <functional>

namespace kestrion {

// "Mind Map" and "Delivery": switches the focused window to a mode.
struct SwitchModeAction {
    std::function<void(AppMode mode)> action;
};

struct FocusedSwitchModeKey {
    using Value = SwitchModeAction;
};

} // namespace kestrion
