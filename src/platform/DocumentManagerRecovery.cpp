#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "platform/RecoveryCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <optional>
#include <utility>

namespace kestrion {

// What no file holds yet: the recovery folder, what an ended session left there, and the
// notice over restored text.

int DocumentManager::recoverUnsavedDocuments()
{
    int recovered = 0;
    for (std::unique_ptr<RecoveryCopy>& copy : RecoveryCopy::takeLeftovers(m_recoveryFolder)) {
        if (recover(std::move(copy)))
            ++recovered;
    }
    return recovered;
}

OpenDocument* DocumentManager::recover(std::unique_ptr<RecoveryCopy> copy)
{
    std::unique_ptr<SermonDocument> sermon = SermonDocument::readDocument(copy->contents());
    if (!sermon) {
        // An empty copy holds nothing; anything else unreadable is left for a person.
        if (copy->contents().isEmpty())
            copy->remove();
        return nullptr;
    }
    const QString origin = copy->originPath();
    if (!origin.isEmpty() && QFileInfo(origin).isFile() && !documentForPath(origin))
        return recoverIntoFile(std::move(copy), std::move(sermon));

    // The file is gone, or its window holds a newer copy already: the text opens on its own,
    // named after where it came from.
    std::unique_ptr<OpenDocument> document(new OpenDocument(*this, std::move(sermon)));
    document->m_recoveredFrom = origin;
    if (origin.isEmpty()) {
        // Named as its first save would name it, not as one more "Untitled".
        document->m_untitledNumber = nextUntitledNumber();
        document->m_proposedName = proposedFileName(*document);
    }
    document->m_savedContents = document->currentContents();
    document->m_isRecovered = true;
    document->m_recoveryCopy = std::move(copy);
    OpenDocument* opened = adopt(std::move(document));
    if (origin.isEmpty())
        showNeverSavedNotice(*opened);
    return opened;
}

OpenDocument* DocumentManager::recoverIntoFile(
    std::unique_ptr<RecoveryCopy> copy, std::unique_ptr<SermonDocument> sermon)
{
    const QString canonical = QFileInfo(copy->originPath()).canonicalFilePath();
    QFile file(canonical);
    const bool isReadable = file.open(QIODevice::ReadOnly);
    const QByteArray onDisk = isReadable ? file.readAll() : QByteArray();
    // Killed after the save and before the copy went: the file holds the text already.
    if (isReadable && file.error() == QFileDevice::NoError && onDisk == copy->contents()) {
        copy->remove();
        return openFile(canonical);
    }

    std::unique_ptr<OpenDocument> document(new OpenDocument(*this, std::move(sermon)));
    document->m_filePath = canonical;
    // What the file was when the text was kept: saving over anything else asks first.
    document->m_fingerprint = copy->originFingerprint();
    document->m_savedContents = onDisk;
    document->m_isRecovered = true;
    document->m_recoveryCopy = std::move(copy);
    if (const std::unique_ptr<SermonDocument> opened = SermonDocument::readDocument(onDisk)) {
        document->m_openedVersion = onDisk;
        document->m_openedContents = SermonDocument::fileContents(opened->snapshot());
    }
    takeOpenedVersion(*document);
    const bool changedOnDisk
        = document->m_fingerprint.compareWithDisk(canonical) != DiskFingerprint::Comparison::Unchanged;
    // Autosave stays away from a file someone else changed until the user chooses.
    document->m_isAutosaveHeld = changedOnDisk;
    OpenDocument* opened = adopt(std::move(document));
    m_lastFolder = QFileInfo(canonical).absolutePath();
    m_recentDocuments.add(canonical);
    Q_EMIT recentDocumentsChanged();
    showRecoveredChangesNotice(*opened, changedOnDisk);
    return opened;
}

void DocumentManager::showRecoveredChangesNotice(OpenDocument& document, bool changedOnDisk)
{
    DocumentWindow* window = document.window();
    if (!window)
        return;
    const QPointer<OpenDocument> guard(&document);
    NoticeAction discard { tr("Discard Restored Changes"), [this, guard] {
                              if (guard)
                                  discardRecoveredChanges(*guard);
                          } };
    if (!changedOnDisk) {
        window->showNotice(recoveredChangesNotice,
            tr("Unsaved changes from your last session were restored. They are written to the file with the "
               "next save."),
            { discard });
        return;
    }
    NoticeAction keep { tr("Keep Restored Changes"), [this, guard] {
                           if (guard)
                               keepRecoveredChanges(*guard);
                       } };
    window->showNotice(recoveredChangesNotice,
        tr("Unsaved changes from your last session were restored, but “%1” was changed on disk after they were "
           "made. Keep them to replace the version on disk, or discard them to show it.")
            .arg(document.displayName()),
        { keep, discard });
}

void DocumentManager::showNeverSavedNotice(OpenDocument& document)
{
    DocumentWindow* window = document.window();
    if (!window)
        return;
    const QPointer<OpenDocument> guard(&document);
    NoticeAction save { tr("Save…"), [this, guard] {
                           if (guard)
                               saveAs(*guard);
                       } };
    window->showNotice(recoveredChangesNotice,
        tr("Unsaved changes from your last session were restored. This sermon was never saved: save it to keep "
           "it in a file."),
        { save });
}

OpenDocument* DocumentManager::discardRecoveredChanges(OpenDocument& document)
{
    if (!document.m_isRecovered || document.isUntitled() || document.isBusy())
        return nullptr;
    // The file's text comes in as one step, so the restored words stay one Undo away; a file
    // that cannot be read leaves them where they are.
    return reloadFromDisk(document) ? &document : nullptr;
}

void DocumentManager::keepRecoveredChanges(OpenDocument& document)
{
    if (!document.m_isRecovered || document.isUntitled())
        return;
    QFile file(document.filePath());
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray onDisk = file.readAll();
        if (file.error() == QFileDevice::NoError)
            document.m_fingerprint = DiskFingerprint::of(document.filePath(), onDisk);
    }
    document.m_isAutosaveHeld = false;
    if (DocumentWindow* window = document.window())
        window->hideNotice(recoveredChangesNotice);
    documentChanged(document);
}

void DocumentManager::keepUnsavedText(OpenDocument& document)
{
    document.m_hasPendingRecovery = false;
    if (document.m_isClosing)
        return;
    // A save is under way (its question may wait long): it keeps the text itself, and this
    // looks again afterwards.
    if (document.m_isBusy) {
        retryRecoveryCopy(document);
        return;
    }
    const std::chrono::milliseconds start = now();
    const DocumentWindow* window = document.window();
    const std::optional<QByteArray> typing = window ? window->contentsWithPendingEdits() : std::nullopt;
    const bool isKept = typing ? writeRecoveryContents(document, *typing) : writeRecoveryCopy(document);
    document.m_recoveryCopyCost = now() - start;
    if (isKept)
        recoveryCopyIsCurrent(document);
}

void DocumentManager::recoveryCopyIsCurrent(OpenDocument& document)
{
    document.m_recoveryTimer->stop();
    document.m_hasPendingRecovery = false;
}

void DocumentManager::retryRecoveryCopy(OpenDocument& document)
{
    document.m_hasPendingRecovery = true;
    document.m_firstUnkeptChange = now();
    document.m_recoveryTimer->start(m_recoveryMaximumDelay);
}

bool DocumentManager::writeRecoveryCopy(OpenDocument& document)
{
    const QByteArray contents = document.currentContents();
    if (!document.differsFromSaved(contents)) {
        discardRecoveryCopy(document);
        return true;
    }
    return writeRecoveryContents(document, contents);
}

bool DocumentManager::writeRecoveryContents(OpenDocument& document, const QByteArray& contents)
{
    QString error;
    QString reason;
    if (!document.m_recoveryCopy)
        document.m_recoveryCopy = RecoveryCopy::create(m_recoveryFolder, &reason);
    bool written = document.m_recoveryCopy != nullptr;
    if (!written)
        error = reason.isEmpty() ? tr("the folder “%1” cannot be used").arg(nativePath(m_recoveryFolder))
                                 : tr("the folder “%1” cannot be used (%2)").arg(nativePath(m_recoveryFolder), reason);
    else if (document.isUntitled())
        written = document.m_recoveryCopy->write(m_writer, contents, document.m_recoveredFrom, {}, &error);
    else {
        // The note names the file by its hash: made once, not on every copy.
        if (document.m_fingerprint.hash.isEmpty())
            document.m_fingerprint.hash = document.m_fingerprint.contentsHash();
        written
            = document.m_recoveryCopy->write(m_writer, contents, document.filePath(), document.m_fingerprint, &error);
    }
    if (!written) {
        // The words are still nowhere but in the window: not even a pause in the typing may
        // leave them there. Set before the message, whose loop runs the timers.
        retryRecoveryCopy(document);
        // Never over another question or message of the window: the retry reports it once
        // that is answered.
        if (document.m_openDialogs == 0 && !std::exchange(document.m_hasReportedCopyFailure, true))
            reportOver(
                document, tr("A safety copy of “%1” could not be written: %2.").arg(document.displayName(), error));
    }
    return written;
}

bool DocumentManager::isInRecoveryFolder(const QString& path) const
{
    // Where the file really is: a link elsewhere may lead into the folder.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QString folder = QFileInfo(target).absolutePath();
    const QString recovery = QFileInfo(m_recoveryFolder).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (!recovery.isEmpty() && !canonicalFolder.isEmpty())
        return canonicalFolder == recovery;
    return QDir::cleanPath(folder) == QDir::cleanPath(QFileInfo(m_recoveryFolder).absoluteFilePath());
}

OpenDocument* DocumentManager::documentForRecoveryCopy(const QString& canonicalPath) const
{
    for (OpenDocument* document : m_documents) {
        for (const RecoveryCopy* copy : { document->m_recoveryCopy.get(), document->m_openedVersionCopy.get() }) {
            if (copy && QFileInfo(copy->path()).canonicalFilePath() == canonicalPath)
                return document;
        }
    }
    return nullptr;
}

void DocumentManager::discardRecoveryCopy(OpenDocument& document)
{
    if (!document.m_recoveryCopy)
        return;
    document.m_recoveryCopy->remove();
    document.m_recoveryCopy.reset();
}

} // namespace kestrion
