#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <unistd.h>

namespace kestrion {

namespace {

constexpr quint32 messageMagic = 0x4b535452; // "KSTR"
constexpr quint32 messageVersion = 1;
constexpr quint32 maximumMessageSize = 16 * 1024 * 1024;
constexpr char acknowledgement = '\x01';

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

// Runs the event loop until done() holds or the time is up; the server may live in this
// very thread, so blocking waits would never let it answer.
template <typename Done> bool waitUntil(QLocalSocket& socket, int timeoutMs, Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || socket.state() == QLocalSocket::UnconnectedState)
            return done();
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::connected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(int(std::min<qint64>(left, 50)));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

QString lockPathFor(const QString& serverName)
{
    if (QDir::isAbsolutePath(serverName))
        return serverName + QStringLiteral(".lock");
    return QDir(QDir::tempPath()).filePath(serverName + QStringLiteral(".lock"));
}

} // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(serverName)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("app.kestrion.Kestrion.socket"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("app.kestrion.Kestrion-%1.socket").arg(getuid()));
}

SingleInstance::Role SingleInstance::start(const QStringList& paths, int timeoutMs)
{
    QStringList absolute;
    absolute.reserve(paths.size());
    for (const QString& path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());

    // Two launches at once must not both remove and re-create the server.
    QLockFile lock(lockPathFor(m_serverName));
    const bool locked = lock.tryLock(timeoutMs);

    if (sendToRunningInstance(absolute, timeoutMs))
        return Role::HandedOver;
    const bool listening = listen();
    if (locked)
        lock.unlock();
    return listening ? Role::Primary : Role::Alone;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::sendToRunningInstance(const QStringList& paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!waitUntil(socket, timeoutMs, [&] { return socket.state() == QLocalSocket::ConnectedState; }))
        return false;
    const QByteArray message = encodeMessage(paths);
    if (socket.write(message) != message.size())
        return false;
    if (!waitUntil(socket, timeoutMs, [&] { return socket.bytesToWrite() == 0; }))
        return false;
    if (!waitUntil(socket, timeoutMs, [&] { return socket.bytesAvailable() > 0; }))
        return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == acknowledgement;
}

bool SingleInstance::listen()
{
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        // Nobody answered on the name, so what is left there is from an instance that died.
        QLocalServer::removeServer(m_serverName);
        if (!server->listen(m_serverName)) {
            delete server;
            return false;
        }
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        // A client that connects and says nothing is dropped after a while.
        QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
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
    // The sender only waits to know the paths arrived: it has its answer and goes at once.
    socket->putChar(acknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    // Opening may ask questions, whose loops delete the socket once the sender has gone: they
    // run on a later turn, never inside the socket's own signal.
    QMetaObject::invokeMethod(
        this, [this, absolute] { Q_EMIT filesReceived(absolute); }, Qt::QueuedConnection);
}

} // namespace kestrion
