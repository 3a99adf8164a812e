#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrion {

namespace {

constexpr quint32 messageMagic = 0x4b535452; // "KSTR"
constexpr quint32 messageVersion = 1;
constexpr quint32 maximumMessageSize = 16 * 1024 * 1024;
constexpr char acknowledgement = '\x01';
// A program that takes the connection and closes it unanswered this often will not take files.
constexpr int maximumRefusals = 3;

QByteArray encodeMessage(const QStringList& paths)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << messageMagic << messageVersion << paths;

    QByteArray message;
    QDataStream framed(&message, QIODevice::WriteOnly);
    framed << quint32(body.size());
    message.append(body);
    return message;
}

// Where the socket file of a server name lies, as QLocalServer and QLocalSocket resolve it.
QString socketPathFor(const QString& serverName)
{
    if (QDir::isAbsolutePath(serverName))
        return serverName;
    return QDir(QDir::tempPath()).filePath(serverName);
}

} // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(serverName)
{
}

SingleInstance::~SingleInstance()
{
    if (!m_server)
        return;
    // Removed while still listening: until then no launch finds the name unanswered and takes it.
    const QString path = socketPathFor(m_serverName);
    if (m_ownSocket && socketIdentity(path) == m_ownSocket)
        ::unlink(QFile::encodeName(path).constData());
    // Qt removes the name it listened under, which is long gone.
    delete m_server;
}

QString SingleInstance::defaultServerName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("app.kestrion.Kestrion.socket"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("app.kestrion.Kestrion-%1.socket").arg(getuid()));
}

SingleInstance::Role SingleInstance::start(const QStringList& paths, std::chrono::milliseconds noticeAfter)
{
    QStringList absolute;
    absolute.reserve(paths.size());
    for (const QString& path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());
    const QByteArray message = encodeMessage(absolute);

    m_waitClock.start();
    m_noticeAfter = noticeAfter;
    m_isWaitNoticed = false;
    int refusals = 0;
    while (refusals < maximumRefusals) {
        std::unique_ptr<QLocalSocket> socket = connectToRunningInstance();
        if (!socket) {
            // Nobody answers. Another launch may be taking the name at this very moment, so look
            // again under the lock; it is held only for that look and the take-over, never while
            // waiting for an answer. A lock whose holder died is broken by QLockFile.
            QLockFile lock(socketPathFor(m_serverName) + QStringLiteral(".lock"));
            lock.lock();
            socket = connectToRunningInstance();
            if (!socket)
                return listen() ? Role::Primary : Role::Alone;
        }
        switch (deliver(*socket, message)) {
        case Delivery::Taken:
            return Role::HandedOver;
        case Delivery::Unreached:
            break;
        case Delivery::Refused:
            // An instance that ends or dies closes the connection; the next try finds the name
            // free or answered by the instance that took it since.
            ++refusals;
            break;
        }
    }
    // Something lives on the name but will not take the paths: leave it be.
    return Role::Alone;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

// Null when nobody listens on the name: no socket file, or one that nothing is bound to any more.
std::unique_ptr<QLocalSocket> SingleInstance::connectToRunningInstance() const
{
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(m_serverName);
    // A socket whose queue of waiting connections is full keeps connecting: its instance lives.
    if (socket->state() == QLocalSocket::UnconnectedState)
        return nullptr;
    return socket;
}

SingleInstance::Delivery SingleInstance::deliver(QLocalSocket& socket, const QByteArray& message)
{
    waitFor(socket, [&] { return socket.state() == QLocalSocket::ConnectedState; });
    if (socket.state() != QLocalSocket::ConnectedState)
        return Delivery::Unreached;
    // The system keeps what is written until the instance reads it, however long it is busy.
    if (socket.write(message) != message.size())
        return Delivery::Refused;
    waitFor(socket, [&] { return socket.bytesAvailable() > 0; });
    char answer = 0;
    if (socket.bytesAvailable() == 0 || !socket.getChar(&answer) || answer != acknowledgement)
        return Delivery::Refused;
    return Delivery::Taken;
}

// Runs the event loop until done() holds or the socket closes; the server may live in this very
// thread, so blocking waits would never let it answer.
template <typename Done> void SingleInstance::waitFor(QLocalSocket& socket, Done done)
{
    while (!done() && socket.state() != QLocalSocket::UnconnectedState) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::connected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(100);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        noticeLongWait();
    }
}

void SingleInstance::noticeLongWait()
{
    if (m_isWaitNoticed || std::chrono::milliseconds(m_waitClock.elapsed()) < m_noticeAfter)
        return;
    m_isWaitNoticed = true;
    std::fputs("Kestrion is already running but busy; waiting for it to answer…\n", stderr);
    std::fflush(stderr);
}

bool SingleInstance::listen()
{
    // Listening starts under a name of this process's own, which then replaces the public name in
    // one step. Qt removes the name it listened under when it closes, so it never removes a socket
    // that another instance put in place of this one.
    static std::atomic<int> serial = 0;
    const QString path = socketPathFor(m_serverName);
    const QString staging = QStringLiteral("%1.%2-%3").arg(path).arg(QCoreApplication::applicationPid()).arg(serial++);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(staging)) {
        delete server;
        return false;
    }
    const std::optional<SocketIdentity> identity = socketIdentity(staging);
    if (!identity || ::rename(QFile::encodeName(staging).constData(), QFile::encodeName(path).constData()) != 0) {
        delete server;
        return false;
    }
    m_server = server;
    m_ownSocket = identity;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

std::optional<SingleInstance::SocketIdentity> SingleInstance::socketIdentity(const QString& path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISSOCK(status.st_mode))
        return std::nullopt;
    return SocketIdentity { quint64(status.st_dev), quint64(status.st_ino) };
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        // A client that connects and says nothing is dropped after a while.
        QTimer::singleShot(10000, socket, [socket] {
            if (!socket->property("kestrionDone").toBool())
                socket->abort();
        });
        if (socket->bytesAvailable() > 0)
            readMessage(socket);
    }
}

void SingleInstance::readMessage(QLocalSocket* socket)
{
    if (socket->property("kestrionDone").toBool())
        return;
    if (socket->bytesAvailable() < qint64(sizeof(quint32)))
        return;
    QDataStream sizeStream(socket->peek(sizeof(quint32)));
    quint32 size = 0;
    sizeStream >> size;
    if (size > maximumMessageSize) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof(quint32)) + size)
        return;
    socket->skip(sizeof(quint32));
    const QByteArray body = socket->read(size);

    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint32 version = 0;
    QStringList paths;
    in >> magic >> version >> paths;
    if (in.status() != QDataStream::Ok || magic != messageMagic || version != messageVersion) {
        socket->abort();
        return;
    }
    QStringList absolute;
    for (const QString& path : std::as_const(paths)) {
        if (QDir::isAbsolutePath(path))
            absolute.append(path);
    }
    socket->setProperty("kestrionDone", true);
    // Opening may ask questions, whose loops delete the socket once the sender has gone: it is
    // answered on a later turn, never inside the socket's own signal.
    QMetaObject::invokeMethod(
        this, [this, socket = QPointer(socket), absolute] { answer(socket, absolute); }, Qt::QueuedConnection);
}

void SingleInstance::answer(QLocalSocket* socket, const QStringList& paths)
{
    // Answered only once this instance's loop runs to take the paths: a sender whose connection
    // closes unanswered, as when this instance ends first, tries again, and opens them nowhere twice.
    if (!socket || socket->state() != QLocalSocket::ConnectedState)
        return;
    // The sender only waits to know the paths arrived: it has its answer and goes at once.
    socket->putChar(acknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT filesReceived(paths);
}

} // namespace kestrion
