#include "platform/FileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace kestrion {

namespace {

// The rename that QSaveFile ends with is only durable once the folder itself is on disk.
void syncFolder(const QString& filePath)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& contents, QString* error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(contents) != contents.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    syncFolder(path);
    return true;
}

} // namespace kestrion
