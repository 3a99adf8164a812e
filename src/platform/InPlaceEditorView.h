#pragma once

#include "platform/EditorPaste.h"
#include "platform/EmojiHighlighter.h"
#include "platform/InPlaceEditorHost.h"
#include "platform/InPlaceEditorKeys.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace kestrion {

// The text area of an in-place editor (a QPlainTextEdit or a QTextEdit): it takes its keys
// before the window's shortcuts, and hands the editor keys and its focus changes to its host
// first; the editor keys and their repeats never reach the text. Every paste, middle click and
// drop goes in as plain text through EditorPaste, never through Qt's own insertion. The host
// must detach() the view before it goes.
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
    // A pasted or dropped text, at the caret in place of the selection; by default as it
    // stands, each line break starting a new line.
    virtual void insertPastedText(const QString& text)
    {
        this->insertPlainText(text);
        this->ensureCursorVisible();
    }

    bool canInsertFromMimeData(const QMimeData* source) const override { return EditorPaste::hasText(source); }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (const std::optional<QString> text = EditorPaste::text(source))
            insertPastedText(*text);
    }

    // The middle click pastes the primary selection where it points, as Qt's does, but reads
    // the selection through EditorPaste, where tests can stand one in.
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton && !this->isReadOnly()) {
            if (const QMimeData* selection = EditorPaste::selection()) {
                this->setTextCursor(this->cursorForPosition(event->position().toPoint()));
                insertFromMimeData(selection);
                event->accept();
                return;
            }
        }
        TextEdit::mouseReleaseEvent(event);
    }

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
