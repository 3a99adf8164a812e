#pragma once

#include "platform/DiskFingerprint.h"
#include "platform/FileWriter.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QLockFile;

namespace kestrion {

// One document's text kept in the recovery folder while no file holds it, with a note of the
// file it belongs to and what that file looked like then. The copy is locked while this object
// lives, so another running instance leaves it alone. Dropping the object releases the lock
// and leaves the files for the next start; remove() deletes them.
class RecoveryCopy {
public:
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    // A new copy in the folder, which is made when missing; null when the folder cannot be used,
    // with the reason when one is known.
    static std::unique_ptr<RecoveryCopy> create(const QString& folder, QString* reason = nullptr);
    // The copies an ended session left in the folder that no running instance holds, newest
    // first, with their contents read; files not named as copies are left alone. With a file
    // given (canonical), only the copies of its text.
    static std::vector<std::unique_ptr<RecoveryCopy>> takeLeftovers(
        const QString& folder, const QString& originPath = QString());

    const QString& path() const { return m_path; }
    // What a copy left by an ended session holds; empty for a new one.
    const QByteArray& contents() const { return m_contents; }
    // The file the text belongs to; empty for a document that was never saved.
    const QString& originPath() const { return m_originPath; }
    // That file as the text was last read from or written to it; invalid when not known.
    const DiskFingerprint& originFingerprint() const { return m_originFingerprint; }

    // Writes the text and its note, unless the copy holds them already.
    bool write(const FileWriter& writer, const QByteArray& contents, const QString& originPath,
        const DiskFingerprint& originFingerprint, QString* error);
    // Deletes the copy and its note, and releases the lock.
    void remove();

private:
    RecoveryCopy(QString path, std::unique_ptr<QLockFile> lock);

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QByteArray m_contents;
    QString m_originPath;
    DiskFingerprint m_originFingerprint;
    // What the files hold, so that an unchanged text is not written again. The text itself
    // rather than its hash: hashing a long sermon costs more than comparing it.
    std::optional<QByteArray> m_writtenContents;
    QByteArray m_writtenNote;
};

} // namespace kestrion
