#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "support/HandOverMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <latch>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kestrion;
using namespace std::chrono_literals;

namespace {

// A program listening on a name with nothing but the system's queue of waiting connections: it
// never answers, as a stopped or busy program does not.
class SilentListener {
public:
    explicit SilentListener(const QString& path)
        : m_path(QFile::encodeName(path))
        , m_socket(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_path.constData(), m_path.size());
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(m_socket, 8), 0);
    }
    ~SilentListener() { end(Ending::Dies); }

    enum class Ending { RemovesItsSocket, Dies };
    void end(Ending ending)
    {
        if (m_socket < 0)
            return;
        ::close(m_socket);
        m_socket = -1;
        if (ending == Ending::RemovesItsSocket)
            ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    int m_socket;
};

quint64 inodeOf(const QString& path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

// A running instance on a thread of its own, whose loop can be held up as a busy or stopped
// program's is. What it receives is collected on the test's thread.
class InstanceOnThread {
public:
    explicit InstanceOnThread(const QString& serverName)
        : m_instance(new SingleInstance(serverName))
    {
        m_thread.start();
        m_instance->moveToThread(&m_thread);
        QObject::connect(m_instance, &SingleInstance::filesReceived, &m_collector,
            [this](const QStringList& paths) { received.append(paths); });
    }
    ~InstanceOnThread()
    {
        resume();
        QMetaObject::invokeMethod(
            m_instance, [this] { delete m_instance; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    // Starts on the instance's thread once every launch at the gate has come to it.
    void beginStart(const QStringList& paths, std::latch& gate)
    {
        QMetaObject::invokeMethod(m_instance, [this, paths, &gate] {
            gate.arrive_and_wait();
            m_role = m_instance->start(paths);
            m_isStarted = true;
        });
    }
    SingleInstance::Role start(const QStringList& paths)
    {
        std::latch gate(1);
        beginStart(paths, gate);
        EXPECT_TRUE(QTest::qWaitFor([&] { return isStarted(); }, 5000));
        return role();
    }
    bool isStarted() const { return m_isStarted; }
    SingleInstance::Role role() const { return m_role; }

    void hold()
    {
        m_isHeld = true;
        QMetaObject::invokeMethod(m_instance, [this] { m_resumed.acquire(); });
    }
    void resume()
    {
        if (m_isHeld.exchange(false))
            m_resumed.release();
    }
    void resumeAfter(std::chrono::milliseconds delay)
    {
        QTimer::singleShot(delay, &m_collector, [this] { resume(); });
    }

    QStringList received;

private:
    QThread m_thread;
    SingleInstance* m_instance;
    QObject m_collector;
    QSemaphore m_resumed;
    std::atomic<bool> m_isHeld = false;
    std::atomic<bool> m_isStarted = false;
    std::atomic<SingleInstance::Role> m_role = SingleInstance::Role::Alone;
};

// What the code under test writes to standard error while this lives.
class StandardErrorCapture {
public:
    StandardErrorCapture()
    {
        EXPECT_TRUE(m_file.open());
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    QString text()
    {
        std::fflush(stderr);
        QFile file(m_file.fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

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
    EXPECT_FALSE(QFile::exists(serverName()));
    SingleInstance next(serverName());
    EXPECT_EQ(next.start({ QStringLiteral("/tmp/a.md") }), SingleInstance::Role::Primary);
}

TEST_F(SingleInstanceTest, WhatADeadInstanceLeftOnTheNameIsTakenOver)
{
    const std::vector<std::pair<const char*, std::function<void()>>> leftovers = {
        { "its socket",
            [&] {
                SilentListener dead(serverName());
                dead.end(SilentListener::Ending::Dies);
            } },
        { "a file",
            [&] {
                QFile file(serverName());
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            } },
    };
    for (const auto& [name, leave] : leftovers) {
        QFile::remove(serverName());
        leave();
        ASSERT_TRUE(QFile::exists(serverName())) << name;
        auto instance = std::make_unique<SingleInstance>(serverName());
        EXPECT_EQ(instance->start({ QStringLiteral("/tmp/a.md") }), SingleInstance::Role::Primary) << name;
        QSignalSpy received(instance.get(), &SingleInstance::filesReceived);
        SingleInstance later(serverName());
        EXPECT_EQ(later.start({ QStringLiteral("/tmp/b.md") }), SingleInstance::Role::HandedOver) << name;
        EXPECT_EQ(received.count(), 1) << name;
    }
}

TEST_F(SingleInstanceTest, ALaunchWaitsOutAStalledInstanceAndOneProgramHoldsEveryFile)
{
    InstanceOnThread first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    // Longer than a launch used to wait before taking the name over.
    first.hold();
    first.resumeAfter(2300ms);

    SingleInstance second(serverName());
    EXPECT_EQ(second.start({ QStringLiteral("/srv/b.md") }), SingleInstance::Role::HandedOver);
    EXPECT_FALSE(second.isListening());
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.received.size() == 1; }, 2000));
    EXPECT_EQ(first.received, QStringList { QStringLiteral("/srv/b.md") });

    // Still the one program on the name.
    SingleInstance third(serverName());
    EXPECT_EQ(third.start({ QStringLiteral("/srv/c.md") }), SingleInstance::Role::HandedOver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.received.size() == 2; }, 2000));
}

TEST_F(SingleInstanceTest, AWaitingLaunchSaysOnceOnTheTerminalThatItWaits)
{
    InstanceOnThread first(serverName());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    first.hold();
    StandardErrorCapture terminal;
    // Held until the launch has said that it waits, or for a while if it never does.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!terminal.text().isEmpty())
            first.resume();
    });
    poll.start(20);
    first.resumeAfter(3s);

    SingleInstance second(serverName());
    const SingleInstance::Role role = second.start({ QStringLiteral("/srv/b.md") }, 100ms);
    const QString text = terminal.text();
    EXPECT_EQ(role, SingleInstance::Role::HandedOver);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 1) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("waiting"))) << text.toStdString();
}

TEST_F(SingleInstanceTest, AnInstanceThatEndsWhileALaunchWaitsLeavesItsNameToThatLaunch)
{
    for (const SilentListener::Ending ending :
        { SilentListener::Ending::RemovesItsSocket, SilentListener::Ending::Dies }) {
        QFile::remove(serverName());
        SilentListener running(serverName());
        QTimer end;
        end.setSingleShot(true);
        QObject::connect(&end, &QTimer::timeout, [&] { running.end(ending); });
        end.start(200);
        auto launch = std::make_unique<SingleInstance>(serverName());
        EXPECT_EQ(launch->start({ QStringLiteral("/srv/b.md") }), SingleInstance::Role::Primary) << int(ending);
        EXPECT_TRUE(launch->isListening());
        QSignalSpy received(launch.get(), &SingleInstance::filesReceived);
        SingleInstance later(serverName());
        EXPECT_EQ(later.start({ QStringLiteral("/srv/c.md") }), SingleInstance::Role::HandedOver) << int(ending);
        EXPECT_EQ(received.count(), 1) << int(ending);
    }
}

TEST_F(SingleInstanceTest, AProgramThatClosesEveryConnectionUnansweredKeepsItsName)
{
    QLocalServer other;
    ASSERT_TRUE(other.listen(serverName()));
    QObject::connect(&other, &QLocalServer::newConnection, &other, [&] {
        while (QLocalSocket* socket = other.nextPendingConnection()) {
            socket->abort();
            socket->deleteLater();
        }
    });
    const quint64 inode = inodeOf(serverName());

    SingleInstance launch(serverName());
    EXPECT_EQ(launch.start({ QStringLiteral("/srv/b.md") }), SingleInstance::Role::Alone);
    EXPECT_FALSE(launch.isListening());
    EXPECT_TRUE(other.isListening());
    EXPECT_EQ(inodeOf(serverName()), inode);
}

TEST_F(SingleInstanceTest, TwoLaunchesAtOnceWithNoInstanceMakeOneProgram)
{
    constexpr int launches = 4;
    std::latch gate(launches);
    std::vector<std::unique_ptr<InstanceOnThread>> instances;
    for (int i = 0; i < launches; ++i) {
        instances.push_back(std::make_unique<InstanceOnThread>(serverName()));
        instances.back()->beginStart({ QStringLiteral("/srv/%1.md").arg(i) }, gate);
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::all_of(instances.begin(), instances.end(), [](const auto& i) { return i->isStarted(); }); },
        10000));
    std::vector<InstanceOnThread*> primaries;
    for (const auto& instance : instances) {
        if (instance->role() == SingleInstance::Role::Primary)
            primaries.push_back(instance.get());
        else
            EXPECT_EQ(instance->role(), SingleInstance::Role::HandedOver);
    }
    ASSERT_EQ(primaries.size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return primaries.front()->received.size() == launches - 1; }, 2000));
}

TEST_F(SingleInstanceTest, AnEndingInstanceLeavesASocketThatIsNoLongerItsOwn)
{
    auto first = std::make_unique<SingleInstance>(serverName());
    ASSERT_EQ(first->start({}), SingleInstance::Role::Primary);
    // Another program put its own socket on the name, as a launch that gave up waiting once did.
    ASSERT_TRUE(QFile::remove(serverName()));
    SingleInstance second(serverName());
    ASSERT_EQ(second.start({}), SingleInstance::Role::Primary);
    QSignalSpy received(&second, &SingleInstance::filesReceived);

    first.reset();
    EXPECT_TRUE(QFile::exists(serverName()));
    SingleInstance later(serverName());
    EXPECT_EQ(later.start({ QStringLiteral("/srv/b.md") }), SingleInstance::Role::HandedOver);
    EXPECT_EQ(received.count(), 1);
}

TEST_F(SingleInstanceTest, AnInstanceThatEndsBeforeItsLoopTakesTheFilesLeavesTheSenderUnanswered)
{
    auto first = std::make_unique<SingleInstance>(serverName());
    ASSERT_EQ(first->start({}), SingleInstance::Role::Primary);
    QSignalSpy received(first.get(), &SingleInstance::filesReceived);
    auto* server = first->findChild<QLocalServer*>();
    ASSERT_NE(server, nullptr);
    // Once the message is read, the loop ends before it comes round again.
    bool isRead = false;
    QObject::connect(server, &QLocalServer::newConnection, first.get(), [&] {
        if (auto* accepted = first->findChild<QLocalSocket*>())
            QObject::connect(accepted, &QLocalSocket::readyRead, first.get(), [&] {
                QCoreApplication::removePostedEvents(first.get(), QEvent::MetaCall);
                isRead = true;
            });
    });
    QLocalSocket sender;
    sender.connectToServer(serverName());
    ASSERT_TRUE(sender.waitForConnected(1000));
    sender.write(handOverMessage({ QStringLiteral("/srv/b.md") }));
    sender.flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return isRead; }, 2000));

    first.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sender.state() == QLocalSocket::UnconnectedState; }, 2000));
    EXPECT_EQ(sender.bytesAvailable(), 0);
    EXPECT_EQ(received.count(), 0);
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
