#include "platform/FeedUpdater.h"
#include "platform/ReleaseFeed.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace kestrion;
using Outcome = UpdateCheckResult::Outcome;

namespace {

QByteArray metainfo(const QByteArray& releases)
{
    return "<?xml version=\"1.0\"?>\n<component type=\"desktop-application\"><id>app.kestrion.Kestrion</id>"
           "<releases>"
        + releases + "</releases></component>\n";
}

// Answers every request with one HTTP response.
class FeedServer {
public:
    FeedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 " + m_status + "\r\nContent-Type: application/xml\r\nContent-Length: "
                        + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    void respond(const QByteArray& status, const QByteArray& body)
    {
        m_status = status;
        m_body = body;
        m_request.clear();
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/releases.xml").arg(m_server.serverPort())); }

private:
    QTcpServer m_server;
    QByteArray m_status = "200 OK";
    QByteArray m_body;
    QByteArray m_request;
};

struct Check {
    UpdateCheckResult result;
    bool wasOnMainThread = false;
};

Check check(FeedUpdater& updater)
{
    Check outcome;
    QSignalSpy finished(&updater, &Updater::checkFinished);
    // Direct: the thread that emits is the one that runs this.
    QObject::connect(
        &updater, &Updater::checkFinished, &updater,
        [&outcome](const UpdateCheckResult& result) {
            outcome.result = result;
            outcome.wasOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        },
        Qt::DirectConnection);
    updater.checkForUpdates();
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_TRUE(finished.wait(10000));
    EXPECT_TRUE(updater.canCheckForUpdates());
    return outcome;
}

TEST(FeedUpdaterTest, ReportsNewerSameOlderAndFailuresOnTheMainThread)
{
    FeedServer server;
    FeedUpdater updater(server.url(), QStringLiteral("1.2.0"), true);
    struct Case {
        const char* name;
        QByteArray status;
        QByteArray body;
        Outcome expected;
        const char* latest;
    };
    const std::vector<Case> cases {
        { "newer", "200 OK",
            metainfo("<release version=\"1.10.0\" date=\"2025-05-01\"><url>https://kestrion.app/1.10</url></release>"
                     "<release version=\"1.2.0\"/>"),
            Outcome::UpdateAvailable, "1.10.0" },
        { "same", "200 OK", metainfo("<release version=\"1.2.0\"/><release version=\"1.1\"/>"), Outcome::UpToDate,
            "1.2.0" },
        { "older", "200 OK", metainfo("<release version=\"1.1.9\"/>"), Outcome::UpToDate, "1.1.9" },
        { "only a development release is newer", "200 OK",
            metainfo("<release version=\"2.0\" type=\"development\"/><release version=\"1.2.0\"/>"), Outcome::UpToDate,
            "1.2.0" },
        { "malformed", "200 OK", "<component><releases><release version=\"9.0\">", Outcome::CouldNotCheck, "" },
        { "no releases", "200 OK", metainfo(""), Outcome::CouldNotCheck, "" },
        { "not a feed", "200 OK", "just text", Outcome::CouldNotCheck, "" },
        { "missing", "404 Not Found", metainfo("<release version=\"9.0\"/>"), Outcome::CouldNotCheck, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.respond(c.status, c.body);
        const Check outcome = check(updater);
        EXPECT_TRUE(outcome.wasOnMainThread);
        EXPECT_EQ(outcome.result.outcome, c.expected);
        EXPECT_EQ(outcome.result.latestVersion, QString::fromUtf8(c.latest));
        EXPECT_EQ(outcome.result.currentVersion, QStringLiteral("1.2.0"));
        EXPECT_EQ(outcome.result.reason.isEmpty(), c.expected != Outcome::CouldNotCheck);
    }
}

TEST(FeedUpdaterTest, UnreachableAndLocalFeeds)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    FeedUpdater unreachable(
        QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(port)), QStringLiteral("1.0"), true);
    EXPECT_EQ(check(unreachable).result.outcome, Outcome::CouldNotCheck);

    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("feed.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(metainfo("<release version=\"1.0.1\"/>"));
    file.close();
    FeedUpdater local(QUrl::fromLocalFile(file.fileName()), QStringLiteral("1.0"), true);
    EXPECT_EQ(check(local).result.outcome, Outcome::UpdateAvailable);
    FeedUpdater gone(QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone.xml"))), QStringLiteral("1.0"), true);
    EXPECT_EQ(check(gone).result.outcome, Outcome::CouldNotCheck);
}

TEST(FeedUpdaterTest, AServerThatFallsSilentAndAnOversizedFeedEachSaySo)
{
    // Takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    FeedServer oversized;
    oversized.respond("200 OK", QByteArray(FeedUpdater::maximumFeedSize + 1024, ' '));
    const std::vector<std::pair<QUrl, QString>> cases {
        { QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(silent.serverPort())),
            QStringLiteral("The server did not answer in time.") },
        { oversized.url(), QStringLiteral("The release feed is larger than expected.") },
    };
    for (const auto& [url, reason] : cases) {
        FeedUpdater updater(url, QStringLiteral("1.0"), true);
        updater.setTransferTimeout(std::chrono::milliseconds(300));
        const UpdateCheckResult result = check(updater).result;
        EXPECT_EQ(result.outcome, Outcome::CouldNotCheck);
        EXPECT_EQ(result.reason.toStdString(), reason.toStdString());
    }
}

TEST(FeedUpdaterTest, NeverChecksWhenNotStartedOrWithoutAFeed)
{
    FeedUpdater notStarted(QUrl(QStringLiteral("http://127.0.0.1:9/feed.xml")), QStringLiteral("1.0"), false);
    FeedUpdater withoutFeed(QUrl(), QStringLiteral("1.0"), true);
    for (FeedUpdater* updater : { &notStarted, &withoutFeed }) {
        std::vector<bool> seen;
        QObject receiver;
        updater->observeCanCheckForUpdates(&receiver, [&seen](bool canCheck) { seen.push_back(canCheck); });
        EXPECT_EQ(seen, std::vector<bool> { false });
        QSignalSpy finished(updater, &Updater::checkFinished);
        updater->checkForUpdates();
        EXPECT_FALSE(finished.wait(200));
    }
}

TEST(ReleaseFeedTest, VersionsCompareAsAppStreamOrdersThem)
{
    struct Case {
        const char* older;
        const char* newer;
    };
    for (const Case& c :
        std::vector<Case> { { "1.9", "1.10" }, { "1.0", "1.0.1" }, { "1.0~beta", "1.0" }, { "1.0~alpha", "1.0~beta" },
            { "1.0", "1.0a" }, { "1.0a", "1.0.1" }, { "0.9.99", "1.0" }, { "2", "10" }, { "1.0.0", "1.0.00001" } }) {
        const QString older = QString::fromUtf8(c.older);
        const QString newer = QString::fromUtf8(c.newer);
        EXPECT_LT(ReleaseFeed::compareVersions(older, newer), 0) << c.older << " < " << c.newer;
        EXPECT_GT(ReleaseFeed::compareVersions(newer, older), 0) << c.newer << " > " << c.older;
    }
    EXPECT_EQ(ReleaseFeed::compareVersions(QStringLiteral("1.02"), QStringLiteral("1.2")), 0);
    EXPECT_EQ(ReleaseFeed::compareVersions(
                  QStringLiteral("123456789012345678901234567890"), QStringLiteral("123456789012345678901234567891")),
        -1);
}

} // namespace
