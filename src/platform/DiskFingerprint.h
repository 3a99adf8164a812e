#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kestrion {

// What a file looked like when we last read or wrote it, to tell whether someone else has
// changed it since. Size and modification time decide quickly; when they differ, the
// contents' hash has the last word, so a file that was only touched is not a conflict.
struct DiskFingerprint {
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash;

    bool isValid() const { return size >= 0; }

    static QByteArray hashOf(const QByteArray& contents);
    // The fingerprint of a file whose contents are known (just read or just written).
    static DiskFingerprint of(const QString& path, const QByteArray& contents);
    // The same, when the contents' hash is at hand already.
    static DiskFingerprint of(const QString& path, qint64 size, QByteArray contentsHash);

    enum class Comparison {
        Unchanged,
        Modified,
        Removed,
    };
    Comparison compareWithDisk(const QString& path) const;
};

} // namespace kestrion
