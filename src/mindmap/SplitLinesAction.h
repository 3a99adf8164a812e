#pragma once

#include <functional>

namespace kestrion {

// Split Lines of the focused canvas; offered beside the node actions, read by no menu yet.
struct SplitLinesAction {
    std::function<void()> action;
};

struct FocusedSplitLinesKey {
    using Value = SplitLinesAction;
};

} // namespace kestrion
