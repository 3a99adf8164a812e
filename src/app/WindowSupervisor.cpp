#include "app/WindowSupervisor.h"

#include "app/AboutView.h"
#include "app/PendingCreation.h"
#include "app/RecentSermonsStore.h"
#include "app/WelcomeView.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/RecentDocuments.h"
#include "platform/WindowPlacement.h"
#include "sheets/NewSermonSheet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace kestrion {

namespace {

WindowSupervisor* sharedSupervisor = nullptr;

bool isOnScreen(const QWidget& window)
{
    return window.isVisible() && !window.isMinimized();
}

// The form of the new-sermon window.
QWidget* makeNewSermonContent(
    QWidget* parent, WindowSupervisor::CreateAction onCreate, WindowSupervisor::CancelAction onCancel)
{
    return new NewSermonSheet(std::move(onCreate), std::move(onCancel), parent);
}

} // namespace

WindowSupervisor::WindowSupervisor(DocumentManager& manager, QObject* parent)
    : QObject(parent)
    , m_manager(manager)
    , m_quit([this] { m_manager.quit(); })
{
    qApp->installEventFilter(this);
    // Any window that becomes key, ours or not.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window)
            refreshWelcome();
    });
    connect(&m_manager, &DocumentManager::recentDocumentsChanged, this, [this] {
        if (m_welcomeView && m_welcomeWindow->isVisible())
            m_welcomeView->loadRecents();
    });
    // A document window's close may wait on questions, whose loops run the next turn long
    // before the window has gone: its close rule runs once the document has left.
    connect(&m_manager, &DocumentManager::documentClosing, this,
        [this](OpenDocument* document) { closeRuleOnceClosed(document->window()); });
}

WindowSupervisor::~WindowSupervisor()
{
    if (sharedSupervisor == this)
        sharedSupervisor = nullptr;
    qApp->removeEventFilter(this);
}

WindowSupervisor* WindowSupervisor::shared()
{
    return sharedSupervisor;
}

void WindowSupervisor::setShared(WindowSupervisor* supervisor)
{
    sharedSupervisor = supervisor;
}

std::unique_ptr<QWidget> WindowSupervisor::makeWindow(
    const QString& identifier, const QString& title, QSize size, bool isResizable)
{
    auto window = std::make_unique<QWidget>(nullptr, Qt::Window);
    window->setObjectName(identifier);
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    // No larger than the screen has room for, and centred on it, title bar and all.
    WindowPlacement::fitAndCentre(*window, size);
    if (!isResizable)
        window->setFixedSize(window->size());

    // What the application menu gives every window elsewhere.
    auto* close = new QAction(window.get());
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(close, &QAction::triggered, window.get(), &QWidget::close);
    window->addAction(close);
    auto* quit = new QAction(window.get());
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Queued: quitting may close this very window.
    connect(quit, &QAction::triggered, this, &WindowSupervisor::quit, Qt::QueuedConnection);
    window->addAction(quit);
    return window;
}

void WindowSupervisor::present(QWidget* window, bool activates)
{
    if (!activates) {
        if (window->isMinimized())
            window->showNormal();
        // Behind the window that has the keyboard.
        if (!window->isVisible()) {
            window->setAttribute(Qt::WA_ShowWithoutActivating, true);
            QWidget* active = QApplication::activeWindow();
            window->show();
            window->setAttribute(Qt::WA_ShowWithoutActivating, false);
            keepOnScreen(window);
            // Where the platform activates what it shows regardless.
            if (active && active != window) {
                active->raise();
                active->activateWindow();
            }
        }
        return;
    }
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    keepOnScreen(window);
}

void WindowSupervisor::keepOnScreen(QWidget* window)
{
    // Once it is framed, the frame is known: all of it on the screen.
    WindowPlacement::keepOnScreenOnceFramed(*window);
}

void WindowSupervisor::showWelcome()
{
    m_isWelcomeAsked = true;
    presentWelcome();
}

void WindowSupervisor::presentWelcome()
{
    makeWelcomeWindow();
    present(m_welcomeWindow.get(), true);
}

void WindowSupervisor::hideWelcomeUnlessAsked()
{
    if (m_welcomeWindow && !m_isWelcomeAsked)
        m_welcomeWindow->hide();
}

void WindowSupervisor::makeWelcomeWindow()
{
    if (!m_welcomeWindow) {
        m_welcomeWindow = makeWindow(welcomeIdentifier, tr("Welcome to Kestrion"), welcomeSize, true);
        QPointer<WindowSupervisor> self(this);
        m_welcomeView = new WelcomeView(
            new RecentSermonsStore, [this] { return m_manager.recentDocuments().paths(); },
            [self] {
                if (self)
                    self->showNewSermon();
            },
            [self] {
                if (self)
                    self->openFile();
            },
            [self](const QString& path) {
                if (self)
                    self->openRecent(path);
            },
            m_welcomeWindow.get());
        m_welcomeWindow->layout()->addWidget(m_welcomeView);
        auto* open = new QAction(m_welcomeWindow.get());
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        connect(open, &QAction::triggered, this, &WindowSupervisor::openFile);
        m_welcomeWindow->addAction(open);
    }
}

void WindowSupervisor::showNewSermon()
{
    if (!m_newSermonWindow) {
        m_newSermonWindow = makeWindow(newSermonIdentifier, tr("New Sermon"), newSermonSize, false);
        fillNewSermonWindow();
    } else if (!m_newSermonContent) {
        fillNewSermonWindow();
    }
    m_isWelcomeAsked = false;
    if (m_welcomeWindow)
        m_welcomeWindow->hide();
    present(m_newSermonWindow.get(), true);
}

void WindowSupervisor::fillNewSermonWindow()
{
    QPointer<WindowSupervisor> self(this);
    m_newSermonContent = makeNewSermonContent(
        m_newSermonWindow.get(),
        [self](const QString& title, const SermonMetadata& metadata) {
            if (self)
                self->finishNewSermon(title, metadata);
        },
        [self] {
            if (self)
                self->cancelNewSermon();
        });
    m_newSermonWindow->layout()->addWidget(m_newSermonContent);
}

void WindowSupervisor::showAbout()
{
    if (!m_aboutWindow) {
        m_aboutWindow = makeWindow(aboutIdentifier, tr("About Kestrion"), AboutView::contentSize, false);
        m_aboutWindow->layout()->addWidget(new AboutView(m_aboutWindow.get()));
    }
    present(m_aboutWindow.get(), true);
}

int WindowSupervisor::documentWindowCount(const QWidget* excluding) const
{
    int count = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (window == excluding || !isOnScreen(*window))
            continue;
        if (window->objectName() == newSermonIdentifier || qobject_cast<const DocumentWindow*>(window))
            ++count;
    }
    return count;
}

void WindowSupervisor::refreshWelcome()
{
    if (m_isLaunching || m_manager.isQuitting())
        return;
    if (documentWindowCount() >= 1) {
        hideWelcomeUnlessAsked();
        return;
    }
    // Not brought over the window that just took the keyboard (the About window, say); when no
    // window on screen has it (at launch, the last document minimised) the welcome window takes
    // it, so its shortcuts work without a click first.
    const QWidget* active = QApplication::activeWindow();
    makeWelcomeWindow();
    present(m_welcomeWindow.get(), !active || !isOnScreen(*active));
}

void WindowSupervisor::finishLaunching()
{
    m_isLaunching = false;
    refreshWelcome();
}

void WindowSupervisor::windowWillClose(QWidget* window)
{
    if (m_manager.isQuitting())
        return;
    if (window && window->objectName() == welcomeIdentifier) {
        m_isWelcomeAsked = false;
        if (documentWindowCount(window) == 0)
            quit();
        return;
    }
    if (m_isLaunching)
        return;
    if (documentWindowCount(window) < 1)
        presentWelcome();
    else
        hideWelcomeUnlessAsked();
}

void WindowSupervisor::handleReopen()
{
    if (m_isLaunching)
        return;
    if (documentWindowCount() >= 1) {
        hideWelcomeUnlessAsked();
        return;
    }
    presentWelcome();
}

void WindowSupervisor::openFile()
{
    QWidget* parent = m_welcomeWindow && m_welcomeWindow->isVisible() ? m_welcomeWindow.get() : nullptr;
    openFromWelcome([this, parent] { return m_manager.showOpenDialog(parent); });
}

void WindowSupervisor::openRecent(const QString& path)
{
    openFromWelcome([this, &path] { return m_manager.open(path) != nullptr; });
    // A file that moved or went was reported; read again, the list leaves it out.
    if (m_welcomeView && m_welcomeWindow && m_welcomeWindow->isVisible() && !QFileInfo(path).isFile())
        m_welcomeView->loadRecents();
}

void WindowSupervisor::openFromWelcome(const std::function<bool()>& open)
{
    if (!open())
        return;
    m_isWelcomeAsked = false;
    refreshWelcome();
}

void WindowSupervisor::finishNewSermon(const QString& title, const SermonMetadata& metadata)
{
    if (!createNewSermon(m_manager, title, metadata))
        return;
    // The form keeps what was entered: the next sermon of a series starts from it.
    if (m_newSermonWindow)
        m_newSermonWindow->close();
}

void WindowSupervisor::cancelNewSermon()
{
    if (m_newSermonWindow)
        m_newSermonWindow->close();
}

void WindowSupervisor::quit()
{
    if (m_quit)
        m_quit();
}

bool WindowSupervisor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Close && type != QEvent::WindowStateChange)
        return QObject::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    // Windows and dialogs; not menus or tool tips.
    if (!widget || (widget->windowType() != Qt::Window && widget->windowType() != Qt::Dialog))
        return QObject::eventFilter(watched, event);
    if (type == QEvent::WindowStateChange) {
        // Minimised, a window leaves the screen; restored, it is back. The welcome window the
        // user minimises stays down.
        if (widget != m_welcomeWindow.get())
            QTimer::singleShot(0, this, &WindowSupervisor::refreshWelcome);
    } else if (!qobject_cast<DocumentWindow*>(widget)) {
        closeRuleOnceClosed(widget);
    }
    return QObject::eventFilter(watched, event);
}

void WindowSupervisor::closeRuleOnceClosed(QWidget* window)
{
    // Once the close is done; a close that was refused leaves the window on screen.
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(window)] {
        if (window && window->isVisible())
            return;
        windowWillClose(window);
    });
}

} // namespace kestrion
