#pragma once

#include "app/AppMode.h"
#include "app/EditMenuCommands.h"

#include <QList>
#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

namespace kestrion {

class CheckForUpdatesViewModel;
class DocumentWindow;

// The application's commands in a document window's menu bar, beside the document
// machinery's own: "New Sermon" and "File Settings…" in File; the node commands and
// "Find..." in Edit; View (the modes "Mind Map", "Delivery" and "Columns", the zoom items,
// "Focus Mode"); Window (the open sermons, the one in front checked, then "Welcome to
// Kestrion"); Help ("About Kestrion", "Check for Updates…").
//
// An item that acts on the window reads what the window offers (CommandRouter) and is
// disabled while nothing is offered; enablement is brought up to date on every change of
// focus, selection or mode, so a shortcut never acts on a stale state.
class MenuCommands : public QObject {
    Q_OBJECT
public:
    // The view model may be null: then updates are never checked.
    MenuCommands(DocumentWindow& window, CheckForUpdatesViewModel* updates);
    ~MenuCommands() override;

    EditMenuCommands& edit() const { return *m_edit; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* windowMenu() const { return m_windowMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }

    QAction* newSermonAction() const { return m_newSermon; }
    QAction* fileSettingsAction() const { return m_fileSettings; }
    QAction* findAction() const { return m_find; }
    QAction* mindMapAction() const { return m_mindMap; }
    QAction* deliveryAction() const { return m_delivery; }
    QAction* columnsAction() const { return m_columns; }
    QAction* modeAction(AppMode mode) const;
    QAction* zoomInAction() const { return m_zoomIn; }
    QAction* zoomOutAction() const { return m_zoomOut; }
    QAction* actualSizeAction() const { return m_actualSize; }
    QAction* focusModeAction() const { return m_focusMode; }
    QAction* welcomeAction() const { return m_welcome; }
    QAction* aboutAction() const { return m_about; }
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }

    // Reads the offered values again; run on every change the router reports.
    void refresh();
    // Checks the mode item of the window's mode, as its mode switch shows it.
    void showMode(AppMode mode);
    // Lists the open sermon windows in the Window menu; run whenever it opens.
    void fillWindowMenu();

private:
    void addFileItems();
    void addViewMenu();
    void addWindowAndHelpMenus();
    QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& key);
    // What the window in front offers when it is this one (or its focus window); else nothing.
    EditMenuCommands::Target target() const;

    DocumentWindow& m_window;
    CheckForUpdatesViewModel* m_updates;
    EditMenuCommands* m_edit = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_newSermon = nullptr;
    QAction* m_fileSettings = nullptr;
    QAction* m_find = nullptr;
    QAction* m_mindMap = nullptr;
    QAction* m_delivery = nullptr;
    QAction* m_columns = nullptr;
    QActionGroup* m_modes = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_actualSize = nullptr;
    QAction* m_focusMode = nullptr;
    QAction* m_welcome = nullptr;
    QAction* m_windowListEnd = nullptr;
    QList<QAction*> m_windowItems;
    QAction* m_about = nullptr;
    QAction* m_checkForUpdates = nullptr;
};

} // namespace kestrion
