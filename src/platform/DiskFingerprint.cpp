#include "platform/DiskFingerprint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace kestrion {

QByteArray DiskFingerprint::hashOf(const QByteArray& contents)
{
    return QCryptographicHash::hash(contents, QCryptographicHash::Sha256);
}

DiskFingerprint DiskFingerprint::of(const QString& path, const QByteArray& contents)
{
    return of(path, contents.size(), hashOf(contents));
}

DiskFingerprint DiskFingerprint::of(const QString& path, qint64 size, QByteArray contentsHash)
{
    const QFileInfo info(path);
    DiskFingerprint fingerprint;
    fingerprint.size = size;
    fingerprint.modified = info.exists() ? info.lastModified() : QDateTime();
    fingerprint.hash = std::move(contentsHash);
    return fingerprint;
}

DiskFingerprint::Comparison DiskFingerprint::compareWithDisk(const QString& path) const
{
    QFileInfo info(path);
    info.setCaching(false);
    if (!info.exists() || !info.isFile())
        return Comparison::Removed;
    if (info.size() == size && info.lastModified() == modified)
        return Comparison::Unchanged;
    if (info.size() != size)
        return Comparison::Modified;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Comparison::Modified;
    QCryptographicHash hasher(QCryptographicHash::Sha256);
    if (!hasher.addData(&file))
        return Comparison::Modified;
    return hasher.result() == hash ? Comparison::Unchanged : Comparison::Modified;
}

} // namespace kestrion
