#pragma once

#include "app/AppMode.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "platform/AppAppearance.h"
#include "platform/FocusedValuePublisher.h"

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QDialog;
class QStackedWidget;
class QToolButton;

namespace kestrion {

class AppBackground;
class ColumnCanvas;
class FileSettingsSheet;
class FocusWindow;
class MindMapCanvas;
class Preferences;
class SermonDocument;
class StatusBarView;
class UndoManager;

// The root view of a document window: the window backdrop, the toolbar with the file-settings
// button, the mode switch and the appearance button, and below it the view of the window's
// current mode. For its whole window it offers the menus the mode switch, the file settings
// and, in the mind map, focus mode.
class ContentView : public QWidget, public FocusedValuePublisher {
    Q_OBJECT
public:
    // Bounded by the screen, less what the window shows around the view.
    static constexpr QSize minimumContentSize { 800, 600 };

    // The undo manager is the window's; the canvases record their edits with it.
    ContentView(SermonDocument& document, Preferences& preferences, UndoManager* undoManager = nullptr,
        QWidget* parent = nullptr);
    ~ContentView() override;

    SermonDocument& document() const { return m_document; }

    // Every window opens in the mind map; the mode is not stored.
    AppMode mode() const { return m_mode; }
    bool setMode(AppMode mode);
    // The zoom scale the canvases share.
    qreal scale() const { return m_scale; }
    bool setScale(qreal scale);
    // The stored "appearance" preference.
    AppAppearance appearance() const;

    // The modes the switch offers, in order.
    static std::vector<AppMode> offeredModes();
    // Stores the next appearance after the current one: System, Light, Dark, then System again.
    void cycleAppearance();

    // What "Focus Mode" runs; the command is offered in the mind map once this is set.
    void setFocusModeToggle(std::function<void()> toggle);

    void publishFocusedValues(FocusedValues& values) const override;

    // The mind map of the tree mode, and the slot below the mind map and the columns that holds
    // the status bar.
    MindMapCanvas* mindMapCanvas() const { return m_mindMapCanvas; }
    QWidget* statusBarSlot() const { return m_statusBarSlot; }
    StatusBarView* statusBar() const { return m_statusBar; }
    // The columns canvas while the window is in columns mode: made anew each time the mode
    // becomes Columns; null in the other modes.
    ColumnCanvas* columnCanvas() const { return m_columnCanvas; }
    // Ends every in-place edit of the window (its maps, its columns and the delivery page's
    // duration), keeping what was typed. False when the duration typed is refused: its field
    // stays open and shows why.
    bool commitPendingEdits();
    // What the editors hold goes into the document, and they stay open; a duration being
    // typed is committed.
    void storePendingEdits();
    // The zoom steps the mind map handed over once it was first shown; empty until then.
    const std::function<void()>& zoomIn() const { return m_zoomIn; }
    const std::function<void()>& zoomOut() const { return m_zoomOut; }
    const std::function<void()>& resetZoom() const { return m_resetZoom; }

    // Puts a mode's view in place of the empty page that stands for it; takes ownership.
    void setModeContent(AppMode mode, QWidget* content);
    QWidget* modeContent(AppMode mode) const;
    // The measures of the sermon's texts for the reading page, kept ready in the background
    // from soon after the window opens.
    DeliveryMeasureKeeper& deliveryMeasures() const { return *m_deliveryMeasures; }
    // The font size and text width the reading page will be laid out at next, which the
    // measures are kept for.
    DeliveryMeasureKeeper::Target deliveryTarget() const;

    QAbstractButton* modeButton(AppMode mode) const;
    // The bar with the mode switch; hidden while delivering in full screen.
    QWidget* toolbar() const { return m_toolbar; }
    QToolButton* appearanceButton() const { return m_appearanceButton; }
    QToolButton* fileSettingsButton() const { return m_fileSettingsButton; }

    // Focus mode: the mind map alone on the whole screen, in a window of its own over the same
    // document, undo history and zoom scale. Entered from the mind map only; it ends by Escape
    // or the command in the focus window, and when the window leaves the mind map. Typing in
    // the canvas that is left behind is written into the document first.
    bool isFocusMode() const { return m_isFocusMode; }
    void toggleFocusMode();
    void exitFocusMode();
    FocusWindow& focusWindow() const { return *m_focusWindow; }
    // The mind map of the focus window while it is shown; else null.
    MindMapCanvas* focusCanvas() const;
    // Every mind map of this window that may hold typing: its own and the focus window's.
    std::vector<MindMapCanvas*> mindMapCanvases() const;

    // Presents the file-settings sheet over the window, modal to it alone; while it is shown,
    // raises it instead of opening a second one.
    void showFileSettings();
    // The sheet while it is shown, else null.
    FileSettingsSheet* fileSettingsSheet() const;

Q_SIGNALS:
    void modeChanged(AppMode mode);
    // A switch of mode was refused (a duration typed in delivery asks for more than the day):
    // the window stays in this mode.
    void modeKept(AppMode mode);
    void scaleChanged(qreal scale);
    void focusModeChanged(bool isFocusMode);

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The minimum size wanted, as far as the screen has room for it.
    void applyMinimumSize(const QSize& wanted);
    void keepRoomForDelivery(int width);
    QWidget* buildToolbar();
    QWidget* buildMindMapPage(UndoManager* undoManager);
    QWidget* buildStatusBar();
    void showColumns(bool shown);
    bool commitPendingDuration();
    void showModeChecked(AppMode mode);
    void updateAppearanceButton();
    void updateFileSettingsButton();
    // After focus mode: the tree may have changed under the window's own mind map.
    void refreshMindMapAfterFocusMode();

    SermonDocument& m_document;
    Preferences& m_preferences;
    QSize m_wantedMinimumSize = minimumContentSize;
    AppMode m_mode = AppMode::Tree;
    qreal m_scale = 1.0;
    AppBackground* m_background = nullptr;
    QButtonGroup* m_modeGroup = nullptr;
    QStackedWidget* m_modeStack = nullptr;
    std::array<QWidget*, allAppModes.size()> m_modePages {};
    QToolButton* m_appearanceButton = nullptr;
    QWidget* m_toolbar = nullptr;
    QToolButton* m_fileSettingsButton = nullptr;
    UndoManager* m_undoManager = nullptr;
    QPointer<QDialog> m_fileSettingsDialog;
    MindMapCanvas* m_mindMapCanvas = nullptr;
    ColumnCanvas* m_columnCanvas = nullptr;
    QWidget* m_statusBarSlot = nullptr;
    StatusBarView* m_statusBar = nullptr;
    std::function<void()> m_zoomIn;
    std::function<void()> m_zoomOut;
    std::function<void()> m_resetZoom;
    bool m_isFocusMode = false;
    FocusWindow* m_focusWindow = nullptr;
    std::function<void()> m_toggleFocusMode;
    DeliveryMeasureKeeper* m_deliveryMeasures = nullptr;
};

// The position of an appearance in a list, by raw value; none when absent.
std::optional<qsizetype> appearanceIndex(AppAppearance appearance, std::span<const AppAppearance> appearances);

// The toolbar symbol of an appearance: "circle.lefthalf.filled", "sun.max" or "moon".
QString symbolName(AppAppearance appearance);

} // namespace kestrion
