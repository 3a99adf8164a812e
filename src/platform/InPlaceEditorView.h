#pragma once

#include "platform/EmojiHighlighter.h"
#include "platform/InPlaceEditorHost.h"
#include "platform/InPlaceEditorKeys.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

namespace kestrion {

// The text area of an in-place editor (a QPlainTextEdit or a QTextEdit): it takes its keys
// before the window's shortcuts, and hands the editor keys and its focus changes to its host
// first; the editor keys and their repeats never reach the text. The host must detach() the
// view before it goes.
template <class TextEdit> class InPlaceEditorView : public TextEdit {
public:
    InPlaceEditorView(InPlaceEditorHost* host, QWidget* parent)
        : TextEdit(parent)
        , m_host(host)
    {
        new EmojiHighlighter(this->document());
    }

    void detach() { m_host = nullptr; }

protected:
    bool event(QEvent* event) override
    {
        if (m_host && event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (InPlaceEditorKeys::takesBeforeShortcuts(*key)) {
                key->accept();
                return true;
            }
        } else if (m_host && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const InPlaceEditorKeys::Action action = InPlaceEditorKeys::action(key->key(), key->modifiers());
            if (action != InPlaceEditorKeys::Action::None) {
                if (!key->isAutoRepeat())
                    m_host->editorKeyPressed(action);
                key->accept();
                return true;
            }
        }
        return TextEdit::event(event);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        TextEdit::focusInEvent(event);
        if (m_host)
            m_host->editorFocusChanged(true, event->reason());
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        TextEdit::focusOutEvent(event);
        if (m_host)
            m_host->editorFocusChanged(false, event->reason());
    }

private:
    InPlaceEditorHost* m_host;
};

} // namespace kestrion
