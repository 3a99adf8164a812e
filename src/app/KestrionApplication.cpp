#include "app/KestrionApplication.h"

#include "app/BuildInfo.h"
#include "app/CheckForUpdatesViewModel.h"
#include "app/SermonWindow.h"
#include "app/WindowSupervisor.h"
#include "platform/Appearance.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/FeedUpdater.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/SingleInstance.h"
#include "platform/TextFieldKeyGuard.h"
#include "platform/WidgetDocumentDialogs.h"

#include <QApplication>
#include <QSessionManager>
#include <QSettings>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrion {

namespace {

// Written by the signal handler, read on the main thread.
int signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

KestrionApplication::Setup KestrionApplication::Setup::standard()
{
    Setup setup;
    setup.mode = LaunchMode::current();
    setup.preferences = &Preferences::shared();
    setup.serverName = SingleInstance::defaultServerName();
    return setup;
}

KestrionApplication::KestrionApplication(Setup setup, QObject* parent)
    : QObject(parent)
    , m_setup(std::move(setup))
{
    Q_ASSERT(m_setup.preferences);
}

KestrionApplication::~KestrionApplication() = default;

std::optional<int> KestrionApplication::launch(const QStringList& files)
{
    const LaunchMode& mode = m_setup.mode;
    // With a supervisor, closing the welcome window ends the process, through the document
    // machinery; without one, the last window closing does.
    QApplication::setQuitOnLastWindowClosed(mode.quitsOnLastWindowClosed());

    // A test run stays hidden: no window, no appearance, no part in hand-overs.
    if (mode.isHidden())
        return std::nullopt;

    if (mode.handsOverToRunningInstance()) {
        m_singleInstance = std::make_unique<SingleInstance>(m_setup.serverName);
        if (m_singleInstance->start(files) == SingleInstance::Role::HandedOver)
            return 0;
        connect(
            m_singleInstance.get(), &SingleInstance::filesReceived, this, &KestrionApplication::openHandedOverFiles);
    }

    if (mode.appliesAppearance()) {
        Appearance::shared().captureSystemPalette();
        Appearance::shared().follow(*m_setup.preferences);
    }
    TextFieldKeyGuard::install();

    const QUrl feed
        = !m_setup.updateFeed.isEmpty() ? m_setup.updateFeed : QUrl(QString::fromUtf8(BuildInfo::updateFeedUrl));
    m_updater = std::make_unique<FeedUpdater>(feed, QString::fromUtf8(BuildInfo::version), mode.startsUpdater());
    m_updates = std::make_unique<CheckForUpdatesViewModel>(m_updater.get());

    std::unique_ptr<DocumentDialogs> dialogs = std::move(m_setup.dialogs);
    if (!dialogs)
        dialogs = std::make_unique<WidgetDocumentDialogs>();
    m_documentManager = std::make_unique<DocumentManager>(m_setup.preferences->settings(), std::move(dialogs));
    if (!m_setup.recoveryFolder.isEmpty())
        m_documentManager->setRecoveryFolder(m_setup.recoveryFolder);
    m_documentManager->setShowsWindows(m_setup.showsWindows);
    Preferences* preferences = m_setup.preferences;
    CheckForUpdatesViewModel* updates = m_updates.get();
    m_documentManager->setWindowFactory(
        [preferences, updates](OpenDocument& document) { return new SermonWindow(document, *preferences, updates); });

    connect(qApp, &QCoreApplication::aboutToQuit, this, &KestrionApplication::saveForShutdown);
#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { saveForShutdown(); });
#endif

    if (mode.opensUITestFixture()) {
        QString error;
        if (!writeUITestFixture(*mode.uiTestFixturePath, &error)) {
            qWarning("%s", qPrintable(error));
            m_documentManager->dialogs().showError(nullptr, error);
            return 1;
        }
        m_documentManager->open(*mode.uiTestFixturePath);
    }

    if (mode.hasSupervisor()) {
        m_supervisor = std::make_unique<WindowSupervisor>(*m_documentManager);
        WindowSupervisor::setShared(m_supervisor.get());
        m_documentManager->recoverUnsavedDocuments();
    }
    m_documentManager->openAll(files);

    // The welcome window when nothing else is on screen, also after the files asked for could
    // not be opened (each was reported already).
    if (m_supervisor) {
        m_supervisor->finishLaunching();
        return std::nullopt;
    }
    // Without a supervisor no window would ever come.
    if (m_documentManager->documents().empty() && (!files.isEmpty() || mode.isUITestFixture))
        return 1;
    return std::nullopt;
}

void KestrionApplication::openHandedOverFiles(const QStringList& paths)
{
    if (!m_documentManager)
        return;
    // One at a time, in the order they came: a later launch's files wait while the report of
    // an earlier one is open.
    m_waitingHandOvers.append(paths);
    if (m_isOpeningHandOver)
        return;
    m_isOpeningHandOver = true;
    while (!m_waitingHandOvers.isEmpty())
        openHandOver(m_waitingHandOvers.takeFirst());
    m_isOpeningHandOver = false;
}

void KestrionApplication::openHandOver(const QStringList& paths)
{
    m_documentManager->openAll(paths);
    if (!paths.isEmpty())
        return;
    // Started again without files: bring this instance forward.
    if (m_supervisor) {
        m_supervisor->handleReopen();
        if (m_supervisor->documentWindowCount() == 0)
            return;
    }
    const std::vector<OpenDocument*>& documents = m_documentManager->documents();
    if (documents.empty())
        return;
    DocumentWindow* window = qobject_cast<DocumentWindow*>(QApplication::activeWindow());
    if (!window)
        window = documents.back()->window();
    if (window) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    }
}

void KestrionApplication::saveForShutdown()
{
    if (m_documentManager)
        m_documentManager->saveAllWithoutAsking();
}

void KestrionApplication::handleTerminationSignals()
{
    if (m_signalNotifier || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    m_signalNotifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_signalNotifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        saveForShutdown();
        // Not quit(): that closes every window first, and a window with unsaved text would
        // ask a question nobody is there to answer.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

} // namespace kestrion
