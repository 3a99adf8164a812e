#pragma once

#include <Qt>

#include <functional>

class QKeyEvent;

namespace kestrion {

// The keys of an in-place node editor (Ctrl stands for Command, Alt for Option; Meta, the
// Control key of other keyboards, plays no part):
//   Escape with any modifiers cancels; Tab and Shift-Tab; Return with Ctrl, with Alt (not Ctrl),
//   and with none of Ctrl, Alt and Shift. Shift-Return is left to the text: a line break.
class InPlaceEditorKeys {
public:
    enum class Action {
        // The key belongs to the text.
        None,
        Cancel,
        Tab,
        ShiftTab,
        Enter,
        CommandEnter,
        OptionEnter,
    };

    static Action action(int key, Qt::KeyboardModifiers modifiers);

    // Whether the editor must see the key before the window's menu shortcuts: the keys above,
    // the keys that edit or move within text with their standard sequences, and text itself,
    // so that no bare-key shortcut (Delete, Space, Return, Tab) acts on nodes while a node is
    // edited and undo and the clipboard keys act on the text.
    static bool takesBeforeShortcuts(const QKeyEvent& event);

    // What an editor's keys call.
    struct Callbacks {
        std::function<void()> onTab;
        std::function<void()> onShiftTab;
        std::function<void()> onEnter;
        std::function<void()> onCommandEnter;
        // Given the caret, a UTF-16 offset into the edited text.
        std::function<void(qint64 caret)> onOptionEnter;
        std::function<void()> onCancel;

        // The call of an action, empty when it has no callback; Alt-Return's gets the caret.
        std::function<void()> callFor(Action action, qint64 caret) const;
    };

    InPlaceEditorKeys() = delete;
};

} // namespace kestrion
