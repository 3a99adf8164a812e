#pragma once

#include "mindmap/MindMapCanvas.h"
#include "platform/FocusedValuePublisher.h"

#include <QWidget>

#include <functional>

class QAction;

namespace kestrion {

class AppBackground;
class FocusOverlayView;
class Preferences;
class SermonDocument;
class UndoManager;

// The focus-mode window: a frameless top-level window holding a mind map of its own over the
// window backdrop, on the same document and undo manager as its document window, with the
// word-count pill on top.
//
// It has no menu bar: its document window's actions are added to it, so their keys work here,
// and Escape leaves focus mode, except while the node editor or the search field has the
// keyboard (their own Escape comes first). For its whole window it publishes zoom, find and
// focus mode (which leaves) through the CommandRouter, acting on its own canvas. Main thread
// only.
class FocusContentView : public QWidget, public FocusedValuePublisher {
    Q_OBJECT
public:
    // onExit leaves focus mode; the owner hides and drops the window there.
    FocusContentView(SermonDocument& document, UndoManager* undoManager, qreal scale, std::function<void()> onExit,
        QWidget* parent = nullptr);
    ~FocusContentView() override;

    MindMapCanvas* canvas() const { return m_canvas; }
    FocusOverlayView* overlay() const { return m_overlay; }
    AppBackground* background() const { return m_background; }
    QAction* exitAction() const { return m_exitAction; }

    // Where the map and the pill read the reading pace: the document window's preferences.
    void setPreferences(Preferences* preferences);

    // The zoom scale, shared with the document window through scaleChanged and setScale.
    qreal scale() const;
    bool setScale(qreal scale);

    // The zoom steps of the canvas once it has appeared; until then they do nothing.
    const MindMapCanvas::ZoomFunctions& zoomFunctions() const { return m_zoomFunctions; }

    void publishFocusedValues(FocusedValues& values) const override;

Q_SIGNALS:
    void scaleChanged(qreal scale);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_onExit;
    AppBackground* m_background = nullptr;
    MindMapCanvas* m_canvas = nullptr;
    FocusOverlayView* m_overlay = nullptr;
    QAction* m_exitAction = nullptr;
    MindMapCanvas::ZoomFunctions m_zoomFunctions;
};

} // namespace kestrion
