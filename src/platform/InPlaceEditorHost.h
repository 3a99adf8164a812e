#pragma once

#include "platform/InPlaceEditorKeys.h"

#include <functional>
#include <memory>

class QWidget;

namespace kestrion {

// The overlay around an in-place editor's text view, as the view sees it: it hears the editor
// keys and the view's focus changes, and runs the keys' callbacks.
class InPlaceEditorHost {
public:
    virtual ~InPlaceEditorHost() = default;
    InPlaceEditorHost(const InPlaceEditorHost&) = delete;
    InPlaceEditorHost& operator=(const InPlaceEditorHost&) = delete;

    // An editor key was pressed (held keys act once: repeats are not reported).
    virtual void editorKeyPressed(InPlaceEditorKeys::Action action) = 0;
    virtual void editorFocusChanged(bool focused, Qt::FocusReason reason) = 0;

protected:
    InPlaceEditorHost() = default;

    // Runs a callback of the editor, which may end the edit, move the keyboard or delete the
    // host; while it runs the keyboard moving away is no commit of its own.
    void dispatch(const std::function<void()>& callback);
    bool isDispatching() const { return m_isDispatching; }

    // Gives the view the keyboard, or lets it go without that counting as a commit.
    void setViewFocused(QWidget& view, bool focused);
    // Whether the view losing the keyboard means the user moved on, so that what was typed is
    // committed: not while a callback runs or the keyboard is let go, not for a popup (the
    // editor's own context menu) or the window going to the background, not when hidden.
    bool isMovingOn(Qt::FocusReason reason, bool isVisible) const;

private:
    bool m_isDispatching = false;
    bool m_isReleasingFocus = false;
    // Expires with the host, so that a callback that deleted it is noticed.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace kestrion
