#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/HandOverMessage.h"

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    QString serverName() const { return m_folder.filePath(QStringLiteral("instance.socket")); }

    QTemporaryDir m_folder;
};

TEST_F(SingleInstanceTest, SecondLaunchHandsItsAbsolutePathsToTheFirst)
{
    SingleInstance first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    EXPECT_TRUE(first.isListening());
    QSignalSpy received(&first, &SingleInstance::filesReceived);

    SingleInstance second(serverName());
    const QString relative = QStringLiteral("some folder/sermon.md");
    const QString absolute = QStringLiteral("/srv/sermons/Easter.md");
    EXPECT_EQ(second.start({ relative, absolute }), SingleInstance::Role::HandedOver);
    EXPECT_FALSE(second.isListening());

    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 2000));
    const QStringList paths = received.at(0).at(0).toStringList();
    EXPECT_EQ(paths, QStringList({ QDir::current().absoluteFilePath(relative), absolute }));
}

TEST_F(SingleInstanceTest, LaunchWithoutFilesStillReachesTheRunningInstance)
{
    SingleInstance first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    QSignalSpy received(&first, &SingleInstance::filesReceived);

    SingleInstance second(serverName());
    EXPECT_EQ(second.start({}), SingleInstance::Role::HandedOver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 2000));
    EXPECT_TRUE(received.at(0).at(0).toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, EveryLaterLaunchIsServedAndTheNextFirstTakesOverAfterAnEnd)
{
    auto first = std::make_unique<SingleInstance>(serverName());
    ASSERT_EQ(first->start({}), SingleInstance::Role::Primary);
    QSignalSpy received(first.get(), &SingleInstance::filesReceived);
    for (int i = 0; i < 3; ++i) {
        SingleInstance later(serverName());
        EXPECT_EQ(later.start({ QStringLiteral("/tmp/%1.md").arg(i) }), SingleInstance::Role::HandedOver);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 3; }, 2000));

    first.reset();
    SingleInstance next(serverName());
    EXPECT_EQ(next.start({ QStringLiteral("/tmp/a.md") }), SingleInstance::Role::Primary);
}

TEST_F(SingleInstanceTest, LeftoverSocketOfADeadInstanceDoesNotBlockTheNextLaunch)
{
    QFile leftover(serverName());
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    SingleInstance instance(serverName());
    EXPECT_EQ(instance.start({ QStringLiteral("/tmp/a.md") }, 500), SingleInstance::Role::Primary);
    EXPECT_TRUE(instance.isListening());
}

TEST_F(SingleInstanceTest, GarbageFromAnotherProgramIsDroppedAndServiceGoesOn)
{
    SingleInstance first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    QSignalSpy received(&first, &SingleInstance::filesReceived);

    for (const QByteArray& junk : { QByteArray("\xff\xff\xff\xff hello"),
             QByteArray("\0\0\0\4"
                        "abcd",
                 8) }) {
        QLocalSocket socket;
        socket.connectToServer(serverName());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(junk);
        socket.flush();
        // The server closes the connection without answering.
        EXPECT_TRUE(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 2000));
        EXPECT_EQ(socket.bytesAvailable(), 0);
    }
    EXPECT_EQ(received.count(), 0);

    SingleInstance second(serverName());
    EXPECT_EQ(second.start({ QStringLiteral("/tmp/b.md") }), SingleInstance::Role::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 2000));
}

TEST_F(SingleInstanceTest, FilesAreHandedOnOnceTheSocketIsDoneSoAQuestionMayOutliveIt)
{
    SingleInstance first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    auto* server = first.findChild<QLocalServer*>();
    ASSERT_NE(server, nullptr);
    // Told after the instance's own handler of each delivery of the socket has returned.
    QPointer<QLocalSocket> accepted;
    bool isDeliveryOver = false;
    QObject::connect(server, &QLocalServer::newConnection, &first, [&] {
        accepted = first.findChild<QLocalSocket*>();
        if (accepted)
            QObject::connect(accepted, &QLocalSocket::readyRead, &first, [&] { isDeliveryOver = true; });
    });

    // A launch leaves as soon as it has its answer.
    QLocalSocket client;
    QObject::connect(&client, &QLocalSocket::readyRead, &client, [&] { client.disconnectFromServer(); });
    client.connectToServer(serverName());
    ASSERT_TRUE(client.waitForConnected(1000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !accepted.isNull(); }, 2000));

    // Opening reports a file it cannot open; the report is answered only after the launch
    // has gone and deferred deletions have run, the socket's among them.
    bool wasDeliveryOver = false;
    bool isLaunchGoneDuringReport = false;
    bool isSocketGoneDuringReport = false;
    QStringList paths;
    QObject::connect(&first, &SingleInstance::filesReceived, &first, [&](const QStringList& received) {
        paths = received;
        wasDeliveryOver = isDeliveryOver;
        isLaunchGoneDuringReport
            = QTest::qWaitFor([&] { return client.state() == QLocalSocket::UnconnectedState; }, 2000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        isSocketGoneDuringReport = accepted.isNull();
    });
    client.write(handOverMessage({ QStringLiteral("/srv/empty.md") }));
    client.flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !paths.isEmpty(); }, 2000));
    EXPECT_EQ(paths, QStringList { QStringLiteral("/srv/empty.md") });
    EXPECT_TRUE(wasDeliveryOver);
    EXPECT_TRUE(isLaunchGoneDuringReport);
    EXPECT_TRUE(isSocketGoneDuringReport);
}

} // namespace
