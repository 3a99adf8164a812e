#pragma once

#include <functional>

namespace kestrion {

// "File Settings…": opens the file settings of the focused window's document.
struct FileSettingsAction {
    std::function<void()> open;
};

struct FocusedFileSettingsKey {
    using Value = FileSettingsAction;
};

} // namespace kestrion
