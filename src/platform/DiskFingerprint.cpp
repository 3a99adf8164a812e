#include "platform/DiskFingerprint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace kestrion {

QByteArray DiskFingerprint::hashOf(const QByteArray& contents)
{
    return QCryptographicHash::hash(contents, QCryptographicHash::Sha256);
}

QByteArray DiskFingerprint::contentsHash() const
{
    return hash.isEmpty() && isValid() ? hashOf(contents) : hash;
}

DiskFingerprint DiskFingerprint::of(const QString& path, const QByteArray& contents)
{
    DiskFingerprint fingerprint = ofWritten(path, contents);
    fingerprint.hash = hashOf(contents);
    fingerprint.contents.clear();
    return fingerprint;
}

DiskFingerprint DiskFingerprint::ofWritten(const QString& path, const QByteArray& contents)
{
    const QFileInfo info(path);
    DiskFingerprint fingerprint;
    fingerprint.size = contents.size();
    fingerprint.modified = info.exists() ? info.lastModified() : QDateTime();
    fingerprint.contents = contents;
    return fingerprint;
}

DiskFingerprint DiskFingerprint::ofDisk(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray contents = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return of(path, contents);
    }
    DiskFingerprint fingerprint;
    const QFileInfo info(path);
    if (info.exists()) {
        fingerprint.size = info.size();
        fingerprint.modified = info.lastModified();
    }
    return fingerprint;
}

bool DiskFingerprint::matchesDisk(const QString& path) const
{
    const Comparison now = compareWithDisk(path);
    return isValid() ? now == Comparison::Unchanged : now == Comparison::Removed;
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
    if (hash.isEmpty()) {
        const QByteArray onDisk = file.readAll();
        return file.error() == QFileDevice::NoError && onDisk == contents ? Comparison::Unchanged
                                                                          : Comparison::Modified;
    }
    QCryptographicHash hasher(QCryptographicHash::Sha256);
    if (!hasher.addData(&file))
        return Comparison::Modified;
    return hasher.result() == hash ? Comparison::Unchanged : Comparison::Modified;
}

} // namespace kestrion
