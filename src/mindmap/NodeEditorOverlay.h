#pragma once

#include "mindmap/NodeLayout.h"
#include "platform/InPlaceEditorView.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <limits>

class QFont;

namespace kestrion {

class NodeEditorTextView;

// The in-place editor of a node's text: a frameless multi-line editor in the node's own font
// and ink colour, outlined by a rounded accent frame, laid over the node's drawn text and
// growing with the text. It edits the stored form of the text (line breaks as U+2028) and
// turns the editing keys into callbacks; committing, splitting and creating nodes belong to
// the canvas.
//
// Placement: the overlay is a child of the canvas widget. It places itself at the node's box
// in content coordinates (nodeLayout), mapped into the canvas by the view transform: a
// content point p lands at p × scale + panOffset, and the font, frame and outline are drawn
// at that scale, so the editor always sits exactly over the zoomed node.
//
// Callbacks run inside the editor's own event handling. The canvas may hide the overlay,
// change its node and text or deleteLater() it from a callback, but must not delete it
// synchronously there.
class NodeEditorOverlay : public QWidget, private InPlaceEditorHost {
    Q_OBJECT

public:
    using Callback = std::function<void()>;
    using CaretCallback = std::function<void(qint64 caret)>;
    using TextCallback = std::function<void(const QString& text)>;

    // The caret handed to onOptionEnter when the editor has no caret; larger than any text,
    // so a split at it splits at the end.
    static constexpr qint64 caretNotFound = std::numeric_limits<qint64>::max();

    // Distances in content points: the editor's left edge lies this far right of the node
    // box's left edge, and its text a further textInset right of that, where the canvas
    // draws the node's text.
    static constexpr qreal editorLeft = 11;
    static constexpr qreal textInset = 5;
    // The editor's top below the box's top, for a leaf and for a node with children.
    static constexpr qreal leafEditorTop = 3;
    static constexpr qreal parentEditorTop = 8;
    // Room beyond the widest line (the text inset included).
    static constexpr qreal widthSlack = 20;
    // The outline extends beyond the editor by these distances.
    static constexpr qreal outlineLeading = 13;
    static constexpr qreal outlineTrailing = 3;
    static constexpr qreal outlineVertical = 5;
    static constexpr qreal outlineRadius = 8;
    static constexpr qreal outlineWidth = 2;

    // Where the parts of the overlay lie in the canvas widget's coordinates.
    struct Placement {
        // The text area.
        QRectF editor;
        // The outline's path (the stroke is centred on it).
        QRectF outline;
        // Everything drawn: the outline with its stroke.
        QRectF bounds;
    };

    explicit NodeEditorOverlay(QWidget* parent = nullptr);
    ~NodeEditorOverlay() override;

    // The binding to the edited text, in stored form. setText shows a new text (the caret
    // goes to its end) and reports nothing; every change the user makes is reported through
    // onTextEdited with the whole new text. Line breaks typed in the editor are stored as
    // U+2028.
    const QString& text() const { return m_text; }
    bool setText(const QString& text);
    const TextCallback& onTextEdited() const { return m_onTextEdited; }
    void setOnTextEdited(TextCallback callback) { m_onTextEdited = std::move(callback); }

    // The edited node's layout. (QWidget already owns the name layout().)
    const NodeLayout& nodeLayout() const { return m_nodeLayout; }
    void setNodeLayout(const NodeLayout& layout);

    // The canvas's zoom and pan. Scales below 0.01 count as 0.01.
    qreal scale() const { return m_scale; }
    QPointF panOffset() const { return m_panOffset; }
    void setViewTransform(qreal scale, const QPointF& panOffset);

    // Return with Command (Ctrl) held, Option (Alt) held, without Shift; Tab, Shift-Tab,
    // Escape. Each of these key presses is consumed; Shift-Return inserts a line break.
    // onOptionEnter receives the caret as a UTF-16 offset into the stored text.
    const Callback& onCommandEnter() const { return m_keys.onCommandEnter; }
    void setOnCommandEnter(Callback callback) { m_keys.onCommandEnter = std::move(callback); }
    const CaretCallback& onOptionEnter() const { return m_keys.onOptionEnter; }
    void setOnOptionEnter(CaretCallback callback) { m_keys.onOptionEnter = std::move(callback); }
    const Callback& onEnter() const { return m_keys.onEnter; }
    void setOnEnter(Callback callback) { m_keys.onEnter = std::move(callback); }
    const Callback& onShiftTab() const { return m_keys.onShiftTab; }
    void setOnShiftTab(Callback callback) { m_keys.onShiftTab = std::move(callback); }
    const Callback& onTab() const { return m_keys.onTab; }
    void setOnTab(Callback callback) { m_keys.onTab = std::move(callback); }
    const Callback& onCancel() const { return m_keys.onCancel; }
    void setOnCancel(Callback callback) { m_keys.onCancel = std::move(callback); }
    // Called when the keyboard moves on to another widget of the window while the editor is
    // shown, so that what was typed is kept. Not called when the window merely goes to the
    // background, for the editor's own context menu, while a key callback runs, or when the
    // overlay is hidden or destroyed.
    const Callback& onCommit() const { return m_onCommit; }
    void setOnCommit(Callback callback) { m_onCommit = std::move(callback); }

    // Called when the user has moved the caret or changed the text, once the editor has grown
    // to fit; not for setText or a change of the view transform.
    const Callback& onCaretMoved() const { return m_onCaretMoved; }
    void setOnCaretMoved(Callback callback) { m_onCaretMoved = std::move(callback); }
    // The caret's rectangle in the parent widget's coordinates.
    QRectF caretRect() const;

    // Whether the editor has the keyboard. setFocused(true) gives it the keyboard (the
    // overlay also takes it whenever it is shown); setFocused(false) lets it go without a
    // commit.
    bool isFocused() const { return m_isFocused; }
    void setFocused(bool focused);

    // The editor's width and height in content points for a stored text at a depth: the
    // widest line (split at U+2028, an empty line measured as one space), each rounded up,
    // + 20; and the node font's line height × the number of lines.
    static qreal measureEditorText(const QString& text, qint64 depth);
    static qreal measureEditorHeight(const QString& text, qint64 depth);
    // The same in canvas pixels at a scale, measured with the font drawn at that scale.
    static QSizeF editorSize(const QString& text, qint64 depth, qreal scale);
    // The font of the editor for a depth at a scale (the node font at scale 1).
    static QFont editorFont(qint64 depth, qreal scale);
    // Where the editor of a given size goes for a node.
    static Placement placement(
        const NodeLayout& layout, const QSizeF& editorSize, qreal scale, const QPointF& panOffset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void textViewChanged();
    void editorKeyPressed(InPlaceEditorKeys::Action action) override;
    void editorFocusChanged(bool focused, Qt::FocusReason reason) override;
    void refreshFont();
    void refreshColors();
    void relayout();
    QStringList displayedLines() const;

    NodeEditorTextView* m_textView = nullptr;
    QString m_text;
    NodeLayout m_nodeLayout;
    qreal m_scale = 1;
    QPointF m_panOffset;
    bool m_isFocused = false;
    bool m_updatingText = false;
    QRectF m_outline;

    TextCallback m_onTextEdited;
    Callback m_onCommit;
    InPlaceEditorKeys::Callbacks m_keys;
    Callback m_onCaretMoved;
};

} // namespace kestrion
