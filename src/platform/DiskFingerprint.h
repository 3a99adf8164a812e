#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kestrion {

// What a file looked like when we last read or wrote it, to tell whether someone else has
// changed it since. Size and modification time decide quickly; when they differ, the
// contents have the last word, so a file that was only touched is not a conflict.
struct DiskFingerprint {
    qint64 size = -1;
    QDateTime modified;
    // The SHA-256 of the contents. Empty in the fingerprint of a file we wrote, which keeps
    // the contents themselves instead: they are the document's saved text anyway, and
    // hashing a long sermon on every save costs more than writing it.
    QByteArray hash;
    QByteArray contents;

    bool isValid() const { return size >= 0; }
    // The hash, computed from the kept contents when there is none.
    QByteArray contentsHash() const;

    static QByteArray hashOf(const QByteArray& contents);
    // The fingerprint of a file whose contents were just read.
    static DiskFingerprint of(const QString& path, const QByteArray& contents);
    // The fingerprint of a file we just wrote with these contents.
    static DiskFingerprint ofWritten(const QString& path, const QByteArray& contents);

    // The file as it is now: its contents when they can be read, else its size and time;
    // invalid when it is gone.
    static DiskFingerprint ofDisk(const QString& path);

    enum class Comparison {
        Unchanged,
        Modified,
        Removed,
    };
    Comparison compareWithDisk(const QString& path) const;
    // Whether the file is still as this took it; for an invalid fingerprint, still gone.
    bool matchesDisk(const QString& path) const;
};

} // namespace kestrion
