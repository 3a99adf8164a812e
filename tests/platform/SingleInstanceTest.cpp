#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

    ASSERT_EQ(received.count(), 1);
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
    ASSERT_EQ(received.count(), 1);
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
    EXPECT_EQ(received.count(), 3);

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
    EXPECT_EQ(received.count(), 1);
}

} // namespace
