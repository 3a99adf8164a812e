#include "platform/FeedUpdater.h"

#include "platform/ReleaseFeed.h"

#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QtConcurrent>

#include <memory>

namespace kestrion {

namespace {

UpdateCheckResult couldNotCheck(const QString& currentVersion, const QString& reason)
{
    UpdateCheckResult result;
    result.outcome = UpdateCheckResult::Outcome::CouldNotCheck;
    result.currentVersion = currentVersion;
    result.reason = reason;
    return result;
}

} // namespace

FeedUpdater::FeedUpdater(const QUrl& feed, const QString& currentVersion, bool isStarted, QObject* parent)
    : Updater(parent)
    , m_feed(feed)
    , m_currentVersion(currentVersion)
    , m_isStarted(isStarted)
{
    qRegisterMetaType<UpdateCheckResult>();
}

FeedUpdater::~FeedUpdater() = default;

bool FeedUpdater::canCheckForUpdates() const
{
    return m_isStarted && m_feed.isValid() && !m_feed.isEmpty() && !m_isChecking;
}

void FeedUpdater::setChecking(bool checking)
{
    const bool could = canCheckForUpdates();
    m_isChecking = checking;
    if (canCheckForUpdates() != could)
        Q_EMIT canCheckForUpdatesChanged(canCheckForUpdates());
}

void FeedUpdater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    setChecking(true);
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(m_feed);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network->get(request);
    // Both ways of giving up end the transfer as cancelled; whichever gives up says why.
    auto cancel = std::make_shared<Cancel>(Cancel::None);
    const auto giveUp = [reply, cancel](Cancel why) {
        if (*cancel == Cancel::None)
            *cancel = why;
        reply->abort();
    };
    auto* silence = new QTimer(reply);
    silence->setSingleShot(true);
    silence->setInterval(m_transferTimeout);
    connect(silence, &QTimer::timeout, reply, [giveUp] { giveUp(Cancel::TimedOut); });
    // A feed that grows past the limit is not read to its end.
    connect(reply, &QNetworkReply::downloadProgress, reply, [giveUp, silence](qint64 received, qint64 total) {
        if (received > maximumFeedSize || total > maximumFeedSize)
            giveUp(Cancel::TooLarge);
        else
            silence->start();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, cancel] { fetched(reply, *cancel); });
    silence->start();
}

void FeedUpdater::fetched(QNetworkReply* reply, Cancel cancel)
{
    reply->deleteLater();
    const QByteArray bytes = reply->error() == QNetworkReply::NoError ? reply->read(maximumFeedSize + 1) : QByteArray();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() != QNetworkReply::NoError) {
        QString reason = reply->errorString();
        if (reply->error() == QNetworkReply::OperationCanceledError && cancel == Cancel::TooLarge)
            reason = tr("The release feed is larger than expected.");
        else if (reply->error() == QNetworkReply::OperationCanceledError && cancel == Cancel::TimedOut)
            reason = tr("The server did not answer in time.");
        finish(couldNotCheck(m_currentVersion, reason));
        return;
    }
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        finish(couldNotCheck(m_currentVersion, tr("The server answered with status %1.").arg(status.toInt())));
        return;
    }
    if (bytes.size() > maximumFeedSize) {
        finish(couldNotCheck(m_currentVersion, tr("The release feed is larger than expected.")));
        return;
    }
    // Read in a worker; the watcher brings the result back to this thread, and goes with
    // the updater.
    auto* watcher = new QFutureWatcher<UpdateCheckResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finish(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([bytes, version = m_currentVersion] { return evaluate(bytes, version); }));
}

UpdateCheckResult FeedUpdater::evaluate(const QByteArray& feed, const QString& currentVersion)
{
    QString reason;
    const std::optional<ReleaseFeed::Release> newest = ReleaseFeed::newestRelease(feed, &reason);
    if (!newest)
        return couldNotCheck(currentVersion, reason);
    UpdateCheckResult result;
    result.currentVersion = currentVersion;
    result.latestVersion = newest->version;
    result.releaseUrl = newest->url;
    result.outcome = ReleaseFeed::compareVersions(newest->version, currentVersion) > 0
        ? UpdateCheckResult::Outcome::UpdateAvailable
        : UpdateCheckResult::Outcome::UpToDate;
    return result;
}

void FeedUpdater::finish(const UpdateCheckResult& result)
{
    Q_ASSERT(QThread::currentThread() == thread());
    setChecking(false);
    Q_EMIT checkFinished(result);
}

} // namespace kestrion
