#pragma once

#include "app/LaunchMode.h"
#include "platform/DocumentDialogs.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace kestrion {

class CheckForUpdatesViewModel;
class DocumentManager;
class Preferences;
class SingleInstance;
class Updater;
class WindowSupervisor;

// The application: brings up the document machinery for the launch mode, hands files over
// between launches, applies the stored appearance before the first window, opens what the
// command line names and, in a normal launch, hands the windows over to the window
// supervisor, which shows the welcome window when no document is open.
class KestrionApplication : public QObject {
    Q_OBJECT
public:
    static inline const QString desktopFileName = QStringLiteral("app.kestrion.Kestrion");

    struct Setup {
        LaunchMode mode;
        Preferences* preferences = nullptr;
        QString serverName;
        // Empty: the application data folder.
        QString recoveryFolder;
        // Null: dialogs and message boxes.
        std::unique_ptr<DocumentDialogs> dialogs;
        bool showsWindows = true;
        // Where "Check for Updates…" reads; empty: the build's feed, if it has one.
        QUrl updateFeed;

        // This process's launch mode, preferences and hand-over name.
        static Setup standard();
    };

    explicit KestrionApplication(Setup setup, QObject* parent = nullptr);
    ~KestrionApplication() override;

    // Starts up. Returns an exit code when the process should end at once (its files went to
    // the running instance, or nothing it was asked to open could be opened); none when the
    // event loop should run.
    std::optional<int> launch(const QStringList& files);

    const LaunchMode& mode() const { return m_setup.mode; }
    // Null in a hidden test run.
    DocumentManager* documentManager() const { return m_documentManager.get(); }
    SingleInstance* singleInstance() const { return m_singleInstance.get(); }
    // Null in the fixture mode and a test run.
    WindowSupervisor* supervisor() const { return m_supervisor.get(); }
    // Null in a test run; not started in the fixture mode.
    Updater* updater() const { return m_updater.get(); }
    CheckForUpdatesViewModel* updates() const { return m_updates.get(); }

    // From now on SIGTERM, SIGINT and SIGHUP save without questions and quit, as an ending
    // session does. Call it once the main loop is about to run: quitting does nothing before,
    // and during the launch nothing unsaved exists yet.
    void handleTerminationSignals();

private:
    void openHandedOverFiles(const QStringList& paths);
    void openHandOver(const QStringList& paths);
    void saveForShutdown();

    Setup m_setup;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<CheckForUpdatesViewModel> m_updates;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<DocumentManager> m_documentManager;
    // After the manager: it goes first.
    std::unique_ptr<WindowSupervisor> m_supervisor;
    QSocketNotifier* m_signalNotifier = nullptr;
    // Hand-overs that came while an earlier one was still reporting what it could not open.
    QList<QStringList> m_waitingHandOvers;
    bool m_isOpeningHandOver = false;
};

} // namespace kestrion
