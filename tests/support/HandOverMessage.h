#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QStringList>

// What a later launch sends the running instance: the paths, framed by their size.
inline QByteArray handOverMessage(const QStringList& paths)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(0x4b535452) << quint32(1) << paths;
    QByteArray message;
    QDataStream framed(&message, QIODevice::WriteOnly);
    framed << quint32(body.size());
    return message + body;
}
