#pragma once

#include <functional>

namespace kestrion {

// Find: opens the focused canvas's search bar.
struct FindAction {
    std::function<void()> action;
};

struct FocusedFindKey {
    using Value = FindAction;
};

} // namespace kestrion
