#include "app/MenuCommands.h"

#include "app/CheckForUpdatesViewModel.h"
#include "app/EditMenuCommands.h"
#include "app/FileSettingsAction.h"
#include "app/FocusModeAction.h"
#include "app/SwitchModeAction.h"
#include "app/WindowSupervisor.h"
#include "platform/CommandRouter.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/OpenDocument.h"
#include "platform/ZoomAction.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace kestrion {

namespace {

// Runs a closure of what the focused window offers now, if it offers it.
template <class Key, class Run> void runFocused(Run run)
{
    if (const std::optional<typename Key::Value> value = CommandRouter::shared().value<Key>())
        run(*value);
}

template <class Call> void callIfSet(const Call& call)
{
    if (call)
        call();
}

void switchMode(AppMode mode)
{
    runFocused<FocusedSwitchModeKey>([mode](const SwitchModeAction& switcher) {
        if (switcher.action)
            switcher.action(mode);
    });
}

template <class Show> void withSupervisor(Show show)
{
    // None in the fixture mode and a test run: the command does nothing.
    if (WindowSupervisor* supervisor = WindowSupervisor::shared())
        (supervisor->*show)();
}

} // namespace

MenuCommands::MenuCommands(DocumentWindow& window, CheckForUpdatesViewModel* updates)
    : QObject(&window)
    , m_window(window)
    , m_updates(updates)
{
    addFileItems();
    m_edit = new EditMenuCommands(
        *window.editMenu(), [this] { return target(); }, this);
    window.editMenu()->addSeparator();
    m_find = addItem(window.editMenu(), tr("Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(m_find, &QAction::triggered, this,
        [] { runFocused<FocusedFindKey>([](const FindAction& find) { callIfSet(find.action); }); });
    addViewMenu();
    addWindowAndHelpMenus();

    connect(&CommandRouter::shared(), &CommandRouter::valuesChanged, this, &MenuCommands::refresh);
    for (QMenu* menu : { window.fileMenu(), window.editMenu(), m_viewMenu })
        connect(menu, &QMenu::aboutToShow, this, &MenuCommands::refresh);
    if (m_updates)
        connect(m_updates, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, this, &MenuCommands::refresh);
    refresh();
}

MenuCommands::~MenuCommands() = default;

QAction* MenuCommands::addItem(QMenu* menu, const QString& title, const QKeySequence& key)
{
    QAction* action = menu->addAction(title);
    action->setShortcut(key);
    return action;
}

void MenuCommands::addFileItems()
{
    QMenu* file = m_window.fileMenu();
    m_newSermon = new QAction(tr("New Sermon"), this);
    m_newSermon->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    file->insertAction(m_window.openAction(), m_newSermon);
    connect(m_newSermon, &QAction::triggered, this, [] { withSupervisor(&WindowSupervisor::showNewSermon); });

    // After the saving items, set apart.
    const QList<QAction*> items = file->actions();
    QAction* next = items.value(items.indexOf(m_window.revertAction()) + 1);
    m_fileSettings = new QAction(tr("File Settings…"), this);
    m_fileSettings->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));
    file->insertSeparator(next);
    file->insertAction(next, m_fileSettings);
    connect(m_fileSettings, &QAction::triggered, this, [] {
        runFocused<FocusedFileSettingsKey>([](const FileSettingsAction& settings) { callIfSet(settings.open); });
    });
}

void MenuCommands::addViewMenu()
{
    m_viewMenu = m_window.menuBar()->addMenu(tr("&View"));
    // Every mode the window's switch offers, checked as the switch shows it.
    m_modes = new QActionGroup(this);
    const auto addMode = [this](AppMode mode, const QString& title, Qt::Key key) {
        QAction* item = addItem(m_viewMenu, title, QKeySequence(Qt::CTRL | key));
        item->setCheckable(true);
        item->setData(int(mode));
        m_modes->addAction(item);
        connect(item, &QAction::triggered, this, [mode] { switchMode(mode); });
        return item;
    };
    m_mindMap = addMode(AppMode::Tree, tr("Mind Map"), Qt::Key_1);
    m_delivery = addMode(AppMode::Delivery, tr("Delivery"), Qt::Key_2);
    m_columns = addMode(AppMode::Columns, tr("Columns"), Qt::Key_3);
    showMode(AppMode::Tree);
    m_viewMenu->addSeparator();

    m_zoomIn = addItem(m_viewMenu, tr("Zoom In"), QKeySequence(Qt::CTRL | Qt::Key_Equal));
    connect(m_zoomIn, &QAction::triggered, this,
        [] { runFocused<FocusedZoomKey>([](const ZoomAction& zoom) { callIfSet(zoom.zoomIn); }); });
    m_zoomOut = addItem(m_viewMenu, tr("Zoom Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    connect(m_zoomOut, &QAction::triggered, this,
        [] { runFocused<FocusedZoomKey>([](const ZoomAction& zoom) { callIfSet(zoom.zoomOut); }); });
    m_actualSize = addItem(m_viewMenu, tr("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(m_actualSize, &QAction::triggered, this,
        [] { runFocused<FocusedZoomKey>([](const ZoomAction& zoom) { callIfSet(zoom.reset); }); });
    m_viewMenu->addSeparator();

    m_focusMode = addItem(m_viewMenu, tr("Focus Mode"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(m_focusMode, &QAction::triggered, this,
        [] { runFocused<FocusedFocusModeKey>([](const FocusModeAction& focus) { callIfSet(focus.toggle); }); });
}

void MenuCommands::addWindowAndHelpMenus()
{
    m_windowMenu = m_window.menuBar()->addMenu(tr("&Window"));
    m_windowListEnd = m_windowMenu->addSeparator();
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MenuCommands::fillWindowMenu);
    m_welcome = m_windowMenu->addAction(tr("Welcome to Kestrion"));
    connect(m_welcome, &QAction::triggered, this, [] { withSupervisor(&WindowSupervisor::showWelcome); });

    m_helpMenu = m_window.menuBar()->addMenu(tr("&Help"));
    m_about = m_helpMenu->addAction(tr("About Kestrion"));
    connect(m_about, &QAction::triggered, this, [] { withSupervisor(&WindowSupervisor::showAbout); });
    m_checkForUpdates = m_helpMenu->addAction(tr("Check for Updates…"));
    connect(m_checkForUpdates, &QAction::triggered, this, [this] {
        if (m_updates && m_updates->canCheckForUpdates())
            m_updates->checkForUpdates();
    });
}

QAction* MenuCommands::modeAction(AppMode mode) const
{
    for (QAction* item : m_modes->actions()) {
        if (item->data().toInt() == int(mode))
            return item;
    }
    return nullptr;
}

void MenuCommands::showMode(AppMode mode)
{
    if (QAction* item = modeAction(mode))
        item->setChecked(true);
}

void MenuCommands::fillWindowMenu()
{
    qDeleteAll(m_windowItems);
    m_windowItems.clear();
    const QWidget* active = QApplication::activeWindow();
    for (OpenDocument* document : m_window.document().manager().documents()) {
        QPointer<DocumentWindow> window = document->window();
        if (!window)
            continue;
        auto* item = new QAction(document->displayName(), this);
        item->setCheckable(true);
        item->setChecked(active && (active == window || active == window->frontWindow()));
        connect(item, &QAction::triggered, this, [window] {
            if (!window)
                return;
            // The sermon's window in front, its focus window while focus mode covers it.
            QWidget* front = window->frontWindow();
            if (front->isMinimized())
                front->showNormal();
            front->raise();
            front->activateWindow();
        });
        m_windowMenu->insertAction(m_windowListEnd, item);
        m_windowItems.append(item);
    }
}

EditMenuCommands::Target MenuCommands::target() const
{
    CommandRouter& router = CommandRouter::shared();
    // What another window offers is not this window's; the focus window in front of it is.
    const QWidget* focused = router.focusedWindow();
    if (!focused || (focused != &m_window && focused != m_window.frontWindow()))
        return {};
    return { router.values(), router.focusWidget() };
}

void MenuCommands::refresh()
{
    const EditMenuCommands::Target front = target();
    const FocusedValues& values = front.values;
    m_edit->refresh(front);
    m_fileSettings->setEnabled(values.contains<FocusedFileSettingsKey>());
    m_modes->setEnabled(values.contains<FocusedSwitchModeKey>());
    const bool canZoom = values.contains<FocusedZoomKey>();
    m_zoomIn->setEnabled(canZoom);
    m_zoomOut->setEnabled(canZoom);
    m_actualSize->setEnabled(canZoom);
    m_focusMode->setEnabled(values.contains<FocusedFocusModeKey>());
    m_find->setEnabled(values.contains<FocusedFindKey>());
    m_checkForUpdates->setEnabled(m_updates && m_updates->canCheckForUpdates());
}

} // namespace kestrion
