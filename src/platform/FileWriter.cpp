#include "platform/FileWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrion {

namespace {

// QSaveFile's temporary file, or the link it makes of an unnamed one, is named after the
// file with ".XXXXXX" added.
constexpr qsizetype temporaryNameExtra = 7;
constexpr long usualLongestName = 255;

QString tr(const char* text)
{
    return QCoreApplication::translate("kestrion::FileWriter", text);
}

// The file QSaveFile ends up replacing: a link is followed to its target.
QFileInfo finalFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return QFileInfo(info.canonicalFilePath());
    return info.isSymLink() ? QFileInfo(info.symLinkTarget()) : QFileInfo(info.absoluteFilePath());
}

qsizetype longestNameIn(const QString& folder)
{
    const long longest = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return (longest > 0 ? longest : usualLongestName) - temporaryNameExtra;
}

// Writes until every byte is taken or a write fails outright: a short write comes without its
// reason, which the next try gives.
bool writeAll(QSaveFile& file, const QByteArray& contents, QString* error)
{
    qint64 done = 0;
    while (done < contents.size()) {
        const qint64 written = file.write(contents.constData() + done, contents.size() - done);
        if (written <= 0) {
            *error = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

// Qt 6.4's commit() flushes what is buffered and, should that fail, still renames the file
// into place and returns true: a small file on a full disk ends up empty or cut short. So the
// buffer is written out here first, retried while it makes headway for the same reason.
bool flushAll(QSaveFile& file, QString* error)
{
    qint64 left = file.bytesToWrite();
    while (!file.flush()) {
        *error = file.errorString();
        const qint64 now = file.bytesToWrite();
        if (now >= left || now == 0)
            return false;
        left = now;
        file.unsetError();
    }
    return true;
}

// What reached the file is checked and made durable before the rename: commit() syncs too,
// but takes no notice of a failure.
bool syncWritten(QSaveFile& file, qint64 expectedSize, QString* error)
{
    struct stat status { };
    if (::fstat(file.handle(), &status) != 0) {
        *error = qt_error_string(errno);
        return false;
    }
    if (status.st_size != expectedSize) {
        *error = tr("only %1 of its %2 bytes could be written").arg(status.st_size).arg(expectedSize);
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        *error = qt_error_string(errno);
        return false;
    }
    return true;
}

// The rename is only durable once the folder itself is on disk. A folder that cannot be
// opened or synced at all here is left as it is; a sync that fails otherwise is a failure.
bool syncFolder(const QString& folder, QString* error)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP;
    const int code = errno;
    ::close(fd);
    if (!synced)
        *error = tr("its folder could not be written to disk after it was replaced (%1)").arg(qt_error_string(code));
    return synced;
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& contents, QString* error)
{
    const QFileInfo target = finalFile(path);
    const qsizetype nameBytes = QFile::encodeName(target.fileName()).size();
    const qsizetype longest = longestNameIn(target.absolutePath());
    if (nameBytes > longest) {
        *error
            = tr("its name is too long (%1 bytes; Kestrion saves names of up to %2 bytes)").arg(nameBytes).arg(longest);
        return false;
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!writeAll(file, contents, error) || !flushAll(file, error) || !syncWritten(file, contents.size(), error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return syncFolder(target.absolutePath(), error);
}

} // namespace kestrion
