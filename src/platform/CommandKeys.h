#pragma once

#include <functional>

class QEvent;
class QKeyEvent;

namespace kestrion {

// Key handling of a canvas whose keys are commands looked up per press: a key with a command
// is taken before the window's menu shortcuts, and Tab and Shift-Tab with a command run it
// instead of walking the focus chain. Presses and their repeats act; releases never do.
class CommandKeys {
public:
    // The command for a key press; empty when the canvas leaves the key alone.
    using Lookup = std::function<std::function<void()>(const QKeyEvent&)>;

    // For the widget's event(): true when the event was taken.
    static bool routeEvent(QEvent* event, const Lookup& lookup);
    // For the widget's keyPressEvent(): runs the key's command; false when it has none.
    static bool runKeyPress(QKeyEvent* event, const Lookup& lookup);

    CommandKeys() = delete;
};

} // namespace kestrion
