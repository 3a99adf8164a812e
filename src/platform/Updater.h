#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

namespace kestrion {

// What a check for updates found.
struct UpdateCheckResult {
    enum class Outcome {
        UpdateAvailable,
        UpToDate,
        // The feed could not be fetched or read; nothing is known about newer versions.
        CouldNotCheck,
    };

    Outcome outcome = Outcome::CouldNotCheck;
    QString currentVersion;
    // The newest version the feed lists; empty when it could not be read.
    QString latestVersion;
    // Where that release is described, when the feed says.
    QUrl releaseUrl;
    // Why the check failed, for the user.
    QString reason;
};

// Checks whether a newer version of the application exists. Both signals are delivered on
// the thread the updater lives in (the main thread), whatever thread its work runs on.
class Updater : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the updater was not started, checking is not configured, or a check runs.
    virtual bool canCheckForUpdates() const = 0;
    // Starts a check; the result arrives through checkFinished. Does nothing when
    // canCheckForUpdates() is false.
    virtual void checkForUpdates() = 0;

    // Calls observer with the current value at once and with every later change, for as long
    // as receiver lives.
    void observeCanCheckForUpdates(QObject* receiver, std::function<void(bool)> observer);

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const kestrion::UpdateCheckResult& result);
};

} // namespace kestrion

Q_DECLARE_METATYPE(kestrion::UpdateCheckResult)
