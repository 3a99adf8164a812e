#pragma once

#include "platform/InPlaceEditorView.h"

#include <QString>
#include <QWidget>

#include <functional>

class QTextEdit;

namespace kestrion {

class ColumnEditorTextView;

// The in-place editor of columns mode: a borderless, transparent multi-line editor laid exactly
// over a node's text, in the columns font (semibold for the title), on the 28-point line grid
// and wrapped at the column's width less 28, so the text does not move when editing begins.
//
// It edits the stored form of the text (line breaks as U+2028): Shift-Return and pasted line
// breaks become in-node line breaks. Escape, Tab, Shift-Tab and Return with or without Ctrl
// (Command) or Alt (Option) become callbacks; committing, splitting and new nodes belong to the
// canvas. Its own undo and redo (Ctrl+Z, Ctrl+Shift+Z) and the clipboard keys act on its text,
// never on the document, and no key of a menu reaches past it while it has the keyboard.
//
// Callbacks run inside the editor's own event handling: the canvas may hide it or
// deleteLater() it from a callback, but must not delete it there.
class ColumnEditorOverlay : public QWidget, private InPlaceEditorHost {
    Q_OBJECT

public:
    using Callback = std::function<void()>;
    using CaretCallback = std::function<void(qint64 caret)>;
    using TextCallback = std::function<void(const QString& text)>;

    // isRoot: the edited node is the title (semibold).
    explicit ColumnEditorOverlay(bool isRoot, QWidget* parent = nullptr);
    ~ColumnEditorOverlay() override;

    bool isRoot() const { return m_isRoot; }

    // The text in stored form. setText shows a text that differs from the shown one, keeping the
    // caret's offset (limited to the new length); the user's changes are reported through
    // onTextEdited.
    QString text() const;
    void setText(const QString& text);
    const TextCallback& onTextEdited() const { return m_onTextEdited; }
    void setOnTextEdited(TextCallback callback) { m_onTextEdited = std::move(callback); }
    // Shows a text with the caret at its end.
    void showText(const QString& text);
    // The caret (the start of a selection), as a UTF-16 offset into the stored text.
    qint64 caret() const;

    // The column's width; the text is laid out in max(width − 28, 1).
    qreal columnWidth() const { return m_columnWidth; }
    void setColumnWidth(qreal width);
    qreal textWidth() const;
    // The height the text needs: its number of lines × 28.
    qreal contentHeight() const;
    // Lays the editor over the node whose text the canvas draws with its top left at textTopLeft
    // and whose box ends at boxBottom (canvas coordinates), so that each line falls on the
    // pixels where the canvas draws it. Below the box, where a long unbroken word wraps in the
    // editor but not in the columns, the editor hides what the canvas draws there.
    void place(const QPointF& textTopLeft, qreal boxBottom);

    const Callback& onCommit() const { return m_onCommit; }
    // Called when the keyboard moves on to another widget of the window, so that what was typed
    // is kept; not for the window going to the background, a popup, a key callback, or hiding.
    void setOnCommit(Callback callback) { m_onCommit = std::move(callback); }
    void setOnTab(Callback callback) { m_keys.onTab = std::move(callback); }
    void setOnShiftTab(Callback callback) { m_keys.onShiftTab = std::move(callback); }
    void setOnEnter(Callback callback) { m_keys.onEnter = std::move(callback); }
    void setOnCommandEnter(Callback callback) { m_keys.onCommandEnter = std::move(callback); }
    void setOnOptionEnter(CaretCallback callback) { m_keys.onOptionEnter = std::move(callback); }
    void setOnCancel(Callback callback) { m_keys.onCancel = std::move(callback); }

    bool isFocused() const;
    void setFocused(bool focused);

    QTextEdit* textView() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void textViewChanged();
    void editorKeyPressed(InPlaceEditorKeys::Action action) override;
    void editorFocusChanged(bool focused, Qt::FocusReason reason) override;
    void applyColors();
    void applyLineGrid();
    // Where the text starts and how wide its lines are.
    void applyTextGeometry();
    // The first line's baseline below the editor's top.
    qreal firstBaseline() const;
    void setBoxHeight(qreal height);

    ColumnEditorTextView* m_textView = nullptr;
    bool m_isRoot = false;
    qreal m_columnWidth = 0;
    // How far right of the editor's left edge the text starts: a fraction of a point.
    qreal m_textOffset = 0;
    qreal m_boxHeight = 0;
    bool m_updatingText = false;
    QString m_lastText;

    TextCallback m_onTextEdited;
    Callback m_onCommit;
    InPlaceEditorKeys::Callbacks m_keys;
};

} // namespace kestrion
