#include "platform/RecoveryCopy.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSaveFile>
#include <QUuid>

namespace kestrion {

namespace {

const QString copySuffix = QStringLiteral(".md");
const QString noteSuffix = QStringLiteral(".origin");
const QString lockSuffix = QStringLiteral(".lock");

// The note names the file by its path's bytes, percent-encoded so that no byte of a name (a
// line feed, say) can be taken for the framing, and keeps what the file looked like then: its
// size, modification time in milliseconds since the epoch and SHA-256 in hex.
//   Kestrion recovery note 2
//   path /home/ann/Grace%0Aand%20Peace.md
//   size 1009
//   modified 1718000000000
//   sha256 9f86d081884c7d65…
// The first line tells it from the notes of earlier versions, which held the path as UTF-8 on
// the first line, then size, time and hash on one line each.
const QByteArray noteHeader = QByteArrayLiteral("Kestrion recovery note 2");

QByteArray noteText(const QString& originPath, const DiskFingerprint& fingerprint)
{
    if (originPath.isEmpty())
        return QByteArray();
    QByteArray note = noteHeader + "\npath " + QFile::encodeName(originPath).toPercentEncoding("/") + '\n';
    if (fingerprint.isValid() && fingerprint.modified.isValid())
        note += "size " + QByteArray::number(fingerprint.size) + "\nmodified "
            + QByteArray::number(fingerprint.modified.toMSecsSinceEpoch()) + "\nsha256 "
            + fingerprint.contentsHash().toHex() + '\n';
    return note;
}

// A path as the file system names it, and only if it decodes to that name and back.
std::optional<QString> exactPath(const QByteArray& bytes)
{
    const QString path = QFile::decodeName(bytes);
    if (!path.startsWith(u'/') || QFile::encodeName(path) != bytes)
        return std::nullopt;
    return path;
}

std::optional<DiskFingerprint> fingerprintOf(const QByteArray& size, const QByteArray& modified, const QByteArray& hash)
{
    bool sizeRead = false;
    bool timeRead = false;
    DiskFingerprint fingerprint;
    fingerprint.size = size.toLongLong(&sizeRead);
    const qint64 time = modified.toLongLong(&timeRead);
    fingerprint.hash = QByteArray::fromHex(hash);
    if (!sizeRead || !timeRead || fingerprint.size < 0 || fingerprint.hash.size() != DiskFingerprint::hashOf({}).size()
        || fingerprint.hash.toHex() != hash.toLower())
        return std::nullopt;
    fingerprint.modified = QDateTime::fromMSecsSinceEpoch(time);
    return fingerprint;
}

struct Note {
    QString originPath;
    DiskFingerprint fingerprint;
};

std::optional<Note> readCurrentNote(const QList<QByteArray>& lines)
{
    QMap<QByteArray, QByteArray> fields;
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype space = line.indexOf(' ');
        if (space <= 0 || fields.contains(line.left(space)))
            return std::nullopt;
        fields.insert(line.left(space), line.mid(space + 1));
    }
    if (!fields.contains("path"))
        return std::nullopt;
    const std::optional<QString> path = exactPath(QByteArray::fromPercentEncoding(fields.value("path")));
    if (!path)
        return std::nullopt;
    Note note { *path, {} };
    const bool hasFingerprint = fields.contains("size") || fields.contains("modified") || fields.contains("sha256");
    if (hasFingerprint) {
        const std::optional<DiskFingerprint> fingerprint
            = fingerprintOf(fields.value("size"), fields.value("modified"), fields.value("sha256"));
        if (!fingerprint)
            return std::nullopt;
        note.fingerprint = *fingerprint;
    }
    return note;
}

// An earlier version's note is taken only in the shapes that version wrote, the path alone or
// with the three lines of its fingerprint, and only while the path is one: a path holding line
// feeds was split by that format, and its pieces could name another file.
std::optional<Note> readEarlierNote(const QList<QByteArray>& lines)
{
    if (lines.size() != 1 && lines.size() != 4)
        return std::nullopt;
    const QString path = QString::fromUtf8(lines.at(0));
    if (!path.startsWith(u'/') || path.toUtf8() != lines.at(0))
        return std::nullopt;
    Note note { path, {} };
    if (lines.size() == 4) {
        const std::optional<DiskFingerprint> fingerprint = fingerprintOf(lines.at(1), lines.at(2), lines.at(3));
        if (!fingerprint)
            return std::nullopt;
        note.fingerprint = *fingerprint;
    }
    return note;
}

// None when the note cannot be read for certain: its copy is then offered as never saved,
// rather than attached to a file it may not belong to.
std::optional<Note> readNote(QByteArray note)
{
    if (note.isEmpty())
        return std::nullopt;
    if (note.endsWith('\n'))
        note.chop(1);
    const QList<QByteArray> lines = note.split('\n');
    return lines.at(0) == noteHeader ? readCurrentNote(lines) : readEarlierNote(lines);
}

// Whether the file is named as create() names a copy. Anything else in the folder was put
// there by someone else, and is neither offered back nor deleted.
bool isCopyName(const QString& name)
{
    if (!name.endsWith(copySuffix))
        return false;
    const QString base = name.chopped(copySuffix.size());
    const QUuid id = QUuid::fromString(base);
    return !id.isNull() && id.toString(QUuid::WithoutBraces) == base;
}

QString copyName()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + copySuffix;
}

// Why a lock file could not be made in the folder, which QLockFile does not say (a full disk,
// most often): found by writing as much into a file that is never given a name there.
QString reasonWritingFails(const QString& folder)
{
    QSaveFile probe(QDir(folder).filePath(copyName()));
    probe.setDirectWriteFallback(false);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.write(QByteArray(512, '\n'));
    const bool isWritten = probe.flush();
    const QString reason = probe.errorString();
    probe.cancelWriting();
    return isWritten ? QString() : reason;
}

} // namespace

RecoveryCopy::RecoveryCopy(QString path, std::unique_ptr<QLockFile> lock)
    : m_path(std::move(path))
    , m_lock(std::move(lock))
{
}

RecoveryCopy::~RecoveryCopy() = default;

std::unique_ptr<RecoveryCopy> RecoveryCopy::create(const QString& folder, QString* reason)
{
    if (!QDir().mkpath(folder))
        return nullptr;
    const QString path = QDir(folder).filePath(copyName());
    auto lock = std::make_unique<QLockFile>(path + lockSuffix);
    if (!lock->tryLock(0)) {
        if (reason)
            *reason = reasonWritingFails(folder);
        return nullptr;
    }
    return std::unique_ptr<RecoveryCopy>(new RecoveryCopy(path, std::move(lock)));
}

std::vector<std::unique_ptr<RecoveryCopy>> RecoveryCopy::takeLeftovers(const QString& folder, const QString& originPath)
{
    std::vector<std::unique_ptr<RecoveryCopy>> copies;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return copies;
    const QStringList names = dir.entryList({ QStringLiteral("*") + copySuffix }, QDir::Files, QDir::Time);
    for (const QString& name : names) {
        if (!isCopyName(name))
            continue;
        const QString path = dir.filePath(name);
        QByteArray noteBytes;
        QFile noteFile(path + noteSuffix);
        if (noteFile.open(QIODevice::ReadOnly))
            noteBytes = noteFile.readAll();
        const std::optional<Note> note = noteFile.error() == QFileDevice::NoError ? readNote(noteBytes) : std::nullopt;
        const QString origin = note ? note->originPath : QString();
        if (!originPath.isEmpty() && (origin.isEmpty() || QFileInfo(origin).canonicalFilePath() != originPath))
            continue;
        auto lock = std::make_unique<QLockFile>(path + lockSuffix);
        // Held: another running instance has it open.
        if (!lock->tryLock(0))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        std::unique_ptr<RecoveryCopy> copy(new RecoveryCopy(path, std::move(lock)));
        copy->m_contents = file.readAll();
        if (file.error() != QFileDevice::NoError)
            continue;
        copy->m_originPath = origin;
        copy->m_originFingerprint = note ? note->fingerprint : DiskFingerprint();
        copy->m_writtenContents = copy->m_contents;
        // A note that could not be read is written anew with the next copy.
        copy->m_writtenNote = note ? noteBytes : QByteArray();
        copies.push_back(std::move(copy));
    }
    return copies;
}

bool RecoveryCopy::write(const FileWriter& writer, const QByteArray& contents, const QString& originPath,
    const DiskFingerprint& originFingerprint, QString* error)
{
    if (contents != m_writtenContents) {
        if (!writer(m_path, contents, error))
            return false;
        m_writtenContents = contents;
    }
    // Then its note. Without one the text is still offered back, as a sermon never saved: a
    // note that cannot be written is a failure all the same, tried again with the next copy.
    const QByteArray note = noteText(originPath, originFingerprint);
    if (note != m_writtenNote) {
        const QString notePath = m_path + noteSuffix;
        if (note.isEmpty()) {
            if (!QFile::remove(notePath) && QFile::exists(notePath)) {
                *error = QCoreApplication::translate("kestrion::RecoveryCopy", "its note could not be removed");
                return false;
            }
        } else if (!writer(notePath, note, error)) {
            return false;
        }
        m_writtenNote = note;
    }
    return true;
}

void RecoveryCopy::remove()
{
    QFile::remove(m_path);
    QFile::remove(m_path + noteSuffix);
    m_lock.reset();
    m_writtenContents.reset();
    m_writtenNote.clear();
}

} // namespace kestrion
