#include "platform/RecoveryCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

namespace kestrion {

namespace {

const QString copySuffix = QStringLiteral(".md");
const QString noteSuffix = QStringLiteral(".origin");
const QString lockSuffix = QStringLiteral(".lock");

// The note: the file's path on the first line (all that older notes hold), then its size,
// modification time in milliseconds since the epoch and SHA-256 in hex, one a line.
QByteArray noteText(const QString& originPath, const DiskFingerprint& fingerprint)
{
    if (originPath.isEmpty())
        return QByteArray();
    QByteArray note = originPath.toUtf8() + '\n';
    if (fingerprint.isValid() && fingerprint.modified.isValid())
        note += QByteArray::number(fingerprint.size) + '\n'
            + QByteArray::number(fingerprint.modified.toMSecsSinceEpoch()) + '\n' + fingerprint.contentsHash().toHex()
            + '\n';
    return note;
}

void readNote(const QByteArray& note, QString* originPath, DiskFingerprint* fingerprint)
{
    const QList<QByteArray> lines = note.split('\n');
    *originPath = QString::fromUtf8(lines.value(0));
    *fingerprint = DiskFingerprint();
    if (lines.size() < 4)
        return;
    bool sizeRead = false;
    bool timeRead = false;
    const qint64 size = lines.at(1).toLongLong(&sizeRead);
    const qint64 time = lines.at(2).toLongLong(&timeRead);
    const QByteArray hash = QByteArray::fromHex(lines.at(3));
    if (!sizeRead || !timeRead || size < 0 || hash.size() != DiskFingerprint::hashOf(QByteArray()).size())
        return;
    fingerprint->size = size;
    fingerprint->modified = QDateTime::fromMSecsSinceEpoch(time);
    fingerprint->hash = hash;
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

} // namespace

RecoveryCopy::RecoveryCopy(QString path, std::unique_ptr<QLockFile> lock)
    : m_path(std::move(path))
    , m_lock(std::move(lock))
{
}

RecoveryCopy::~RecoveryCopy() = default;

std::unique_ptr<RecoveryCopy> RecoveryCopy::create(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return nullptr;
    const QString path = QDir(folder).filePath(copyName());
    auto lock = std::make_unique<QLockFile>(path + lockSuffix);
    if (!lock->tryLock(0))
        return nullptr;
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
        QByteArray note;
        QFile noteFile(path + noteSuffix);
        if (noteFile.open(QIODevice::ReadOnly))
            note = noteFile.readAll();
        QString origin;
        DiskFingerprint fingerprint;
        readNote(note, &origin, &fingerprint);
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
        copy->m_originFingerprint = fingerprint;
        copy->m_writtenContents = copy->m_contents;
        copy->m_writtenNote = note;
        copies.push_back(std::move(copy));
    }
    return copies;
}

bool RecoveryCopy::write(const FileWriter& writer, const QByteArray& contents, const QString& originPath,
    const DiskFingerprint& originFingerprint, QString* error)
{
    const QByteArray note = noteText(originPath, originFingerprint);
    if (contents != m_writtenContents) {
        if (!writer(m_path, contents, error))
            return false;
        m_writtenContents = contents;
    }
    if (note != m_writtenNote) {
        const QString notePath = m_path + noteSuffix;
        QString noteError;
        const bool noted
            = note.isEmpty() ? QFile::remove(notePath) || !QFile::exists(notePath) : writer(notePath, note, &noteError);
        // Without its note the text is still offered back, only as an untitled document.
        if (noted)
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
