#pragma once

#include "platform/Updater.h"

#include <QPointer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace kestrion {

// Checks for updates by reading an AppStream release feed over the network (or from a file:
// URL) and comparing its newest release with the running version. The feed is read in a
// worker thread; its result comes back on the updater's thread. A feed that cannot be
// fetched, is too large, or cannot be read is reported as CouldNotCheck, never as up to date.
class FeedUpdater : public Updater {
    Q_OBJECT
public:
    // A feed larger than this is not read.
    static constexpr qint64 maximumFeedSize = 1024 * 1024;
    // A transfer that receives nothing for this long is given up.
    static constexpr std::chrono::milliseconds defaultTransferTimeout { 20000 };

    // Not started, or without a feed, it never checks.
    FeedUpdater(const QUrl& feed, const QString& currentVersion, bool isStarted, QObject* parent = nullptr);
    ~FeedUpdater() override;

    bool canCheckForUpdates() const override;
    void checkForUpdates() override;

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }

    // The result of a fetched feed's bytes; safe on any thread.
    static UpdateCheckResult evaluate(const QByteArray& feed, const QString& currentVersion);

private:
    // Why the updater itself cancelled a transfer.
    enum class Cancel { None, TooLarge, TimedOut };

    void fetched(QNetworkReply* reply, Cancel cancel);
    void finish(const UpdateCheckResult& result);
    void setChecking(bool checking);

    QUrl m_feed;
    QString m_currentVersion;
    bool m_isStarted = false;
    bool m_isChecking = false;
    std::chrono::milliseconds m_transferTimeout = defaultTransferTimeout;
    QNetworkAccessManager* m_network = nullptr;
};

} // namespace kestrion
