#pragma once

#include <functional>

namespace kestrion {

// Split Sentences of the focused canvas; offered beside the node actions, read by no menu yet.
struct SplitSentencesAction {
    std::function<void()> action;
};

struct FocusedSplitSentencesKey {
    using Value = SplitSentencesAction;
};

} // namespace kestrion
