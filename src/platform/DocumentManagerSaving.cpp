#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/SanitizedFileName.h"
#include "platform/UndoManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace kestrion {

// Writing sermons to their files: autosave, Save, Save As, and the session's end.

namespace {

const QString fileExtension = QStringLiteral(".md");

} // namespace

void DocumentManager::documentChanged(OpenDocument& document)
{
    document.updateModified();
    document.markChangedSinceOpenedComparison();
    if (document.m_isClosing)
        return;
    restartAfterChange(*document.m_autosaveTimer, document.m_hasPendingAutosave, document.m_firstPendingChange,
        m_autosaveDelay, m_autosaveMaximumDelay);
    // A sermon so long that its copy takes a while is copied less often, however slowly the
    // keys come: the pause waited for is nine times the last copy's cost, up to the maximum,
    // so the copies take about a tenth of the time while still keeping within the second.
    const std::chrono::milliseconds recoveryDelay
        = std::clamp(9 * document.m_recoveryCopyCost, m_recoveryDelay, m_recoveryMaximumDelay);
    restartAfterChange(*document.m_recoveryTimer, document.m_hasPendingRecovery, document.m_firstUnkeptChange,
        recoveryDelay, m_recoveryMaximumDelay);
}

void DocumentManager::restartAfterChange(AutosaveTimer& timer, bool& isPending, std::chrono::milliseconds& firstChange,
    std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay) const
{
    const std::chrono::milliseconds time = now();
    if (!isPending || !timer.isActive()) {
        isPending = true;
        firstChange = time;
    }
    const std::chrono::milliseconds waited = time - firstChange;
    timer.start(std::clamp(std::min(delay, maximumDelay - waited), std::chrono::milliseconds(0), delay));
}

void DocumentManager::autosave(OpenDocument& document)
{
    document.m_hasPendingAutosave = false;
    if (document.m_isClosing)
        return;
    // Never during a save, nor under a question or message over the window, whose answer may
    // change what is to be written: its question would stack on that one. It runs once they
    // are over.
    if (document.isBusy()) {
        document.m_hasPendingAutosave = true;
        document.m_autosaveTimer->start(m_recoveryMaximumDelay);
        return;
    }
    QPointer<OpenDocument> guard(&document);
    const bool isWritten = !document.isUntitled() && !document.m_isAutosaveHeld
        && saveInPlace(document, true, false) == WriteResult::Written;
    if (!guard || guard->m_isClosing)
        return;
    // What no file holds yet (an untitled document, one we may not write, words still being
    // typed) waits in the recovery folder.
    const DocumentWindow* window = document.window();
    bool isKept = true;
    if (const std::optional<QByteArray> typing = window ? window->contentsWithPendingEdits() : std::nullopt)
        isKept = writeRecoveryContents(document, *typing);
    else if (isWritten)
        // Written, or the same as we last read or saved: no copy is needed.
        discardRecoveryCopy(document);
    else
        isKept = writeRecoveryCopy(document);
    if (isKept)
        recoveryCopyIsCurrent(document);
}

DocumentDialogs::ConflictChoice DocumentManager::askAboutDiskChange(
    OpenDocument& document, DiskFingerprint::Comparison disk, bool isClosing)
{
    const QString path = document.filePath();
    for (;;) {
        const DiskFingerprint seen = DiskFingerprint::ofDisk(path);
        const auto change = disk == DiskFingerprint::Comparison::Removed ? DocumentDialogs::DiskChange::Removed
                                                                         : DocumentDialogs::DiskChange::Modified;
        DocumentDialogs::ConflictChoice choice = DocumentDialogs::ConflictChoice::Cancel;
        askOver(document, [this, &path, change, isClosing, &choice](QWidget* parent) {
            choice = m_dialogs->askAboutDiskChange(parent, path, change, isClosing);
        });
        // Replace was chosen for the version the question was about: one written while it
        // waited is asked about anew, unless the file is back to what we last read or wrote.
        if (choice != DocumentDialogs::ConflictChoice::Overwrite || seen.matchesDisk(path))
            return choice;
        disk = document.m_fingerprint.compareWithDisk(path);
        if (disk == DiskFingerprint::Comparison::Unchanged)
            return choice;
    }
}

bool DocumentManager::writeFile(const QString& path, const QByteArray& contents, QString* error) const
{
    return m_writer(path, contents, error);
}

DocumentManager::WriteResult DocumentManager::saveInPlace(OpenDocument& document, bool isTimed, bool isClosing)
{
    if (document.isUntitled())
        return WriteResult::Failed;
    if (document.m_isBusy)
        return WriteResult::Declined;
    document.m_isBusy = true;
    struct BusyGuard {
        QPointer<OpenDocument> document;
        ~BusyGuard()
        {
            if (document)
                document->m_isBusy = false;
        }
    } busy { &document };

    const QString path = document.filePath();
    const QByteArray contents = document.currentContents();
    const bool hasChanges = document.differsFromSaved(contents);
    const DiskFingerprint::Comparison disk = document.m_fingerprint.compareWithDisk(path);
    // Nothing of ours to write: leave the file to whoever changed it.
    if (!hasChanges && (isTimed || isClosing || disk == DiskFingerprint::Comparison::Unchanged)) {
        // Edits that ended where the file stands leave nothing unsaved. The file is not
        // rewritten, so a hand-written one keeps its own layout.
        if (disk == DiskFingerprint::Comparison::Unchanged) {
            document.undoManager().setClean();
            discardRecoveryCopy(document);
        }
        return WriteResult::Written;
    }

    if (disk != DiskFingerprint::Comparison::Unchanged) {
        // The question may wait a long time for an answer: keep our text safe meanwhile, and
        // the opened version, which the file no longer holds.
        writeRecoveryCopy(document);
        keepOpenedVersion(document);
        document.m_isAskingAboutDiskChange = true;
        const DocumentDialogs::ConflictChoice choice = askAboutDiskChange(document, disk, isClosing);
        document.m_isAskingAboutDiskChange = false;
        switch (choice) {
        case DocumentDialogs::ConflictChoice::Overwrite:
            break;
        case DocumentDialogs::ConflictChoice::SaveAs:
            busy.document = nullptr;
            document.m_isBusy = false;
            return askWhereAndSave(document) ? WriteResult::SavedElsewhere : WriteResult::Declined;
        case DocumentDialogs::ConflictChoice::Reload:
            if (reloadFromDisk(document))
                return WriteResult::Written;
            // Unreadable now: ours stays, and is not written over it unasked.
            document.m_isAutosaveHeld = true;
            return WriteResult::Declined;
        case DocumentDialogs::ConflictChoice::DontSave:
        case DocumentDialogs::ConflictChoice::Cancel:
            // Keep ours in the window and a copy in the recovery folder, and stop asking on
            // every change (also when a quit that was to drop them is cancelled); an explicit
            // save asks again.
            document.m_isAutosaveHeld = true;
            return isClosing && choice == DocumentDialogs::ConflictChoice::DontSave ? WriteResult::Discarded
                                                                                    : WriteResult::Declined;
        }
    }

    keepOpenedVersion(document);
    QString error;
    if (!writeFile(path, contents, &error)) {
        takeFailedWrite(document, path, contents);
        // The copy first: the message waits for the user.
        const bool wasReported = document.m_hasReportedAutosaveFailure;
        writeRecoveryCopy(document);
        bool isSavingElsewhere = false;
        if (!isTimed || !wasReported) {
            const QString message = tr("The file “%1” could not be saved: %2. Your changes are "
                                       "still in the open window.")
                                        .arg(nativePath(path), error);
            // While closing, the question that follows offers to save elsewhere.
            if (isClosing)
                reportOver(document, message);
            else
                askOver(document, [this, &message, &isSavingElsewhere](QWidget* parent) {
                    isSavingElsewhere = m_dialogs->offerSaveAs(parent, message);
                });
        }
        if (isTimed)
            document.m_hasReportedAutosaveFailure = true;
        if (!isSavingElsewhere)
            return WriteResult::Failed;
        busy.document = nullptr;
        document.m_isBusy = false;
        return askWhereAndSave(document) ? WriteResult::SavedElsewhere : WriteResult::Failed;
    }

    markWritten(document, path, contents);
    if (!isTimed) {
        m_recentDocuments.add(path);
        Q_EMIT recentDocumentsChanged();
    }
    return WriteResult::Written;
}

void DocumentManager::takeFailedWrite(OpenDocument& document, const QString& path, const QByteArray& contents)
{
    // Replaced, but its folder could not be synced after: the file holds what we wrote, and
    // is ours as much as after a save, though the window stays edited until one succeeds.
    if (document.m_fingerprint.compareWithDisk(path) == DiskFingerprint::Comparison::Unchanged)
        return;
    QString error;
    const std::optional<QByteArray> onDisk = readBytes(path, &error);
    if (onDisk && *onDisk == contents)
        document.m_fingerprint = DiskFingerprint::ofWritten(path, contents);
}

void DocumentManager::commitPendingEdits(OpenDocument& document)
{
    if (DocumentWindow* window = document.window())
        window->commitPendingEdits();
}

void DocumentManager::storePendingEdits(OpenDocument& document)
{
    if (DocumentWindow* window = document.window())
        window->storePendingEdits();
}

bool DocumentManager::save(OpenDocument& document)
{
    if (document.isBusy())
        return false;
    storePendingEdits(document);
    if (document.isUntitled())
        return askWhereAndSave(document);
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;
    const WriteResult result = saveInPlace(document, false, false);
    return result == WriteResult::Written || result == WriteResult::SavedElsewhere;
}

QString DocumentManager::suggestedSavePath(const OpenDocument& document) const
{
    if (!document.isUntitled())
        return writablePath(document.filePath());
    if (!document.m_recoveredFrom.isEmpty())
        return writablePath(document.m_recoveredFrom);
    return QDir(startingFolder()).filePath(proposedFileName(document) + fileExtension);
}

QString DocumentManager::writablePath(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (QFile::encodeName(name).size() <= longestWritableFileName)
        return path;
    const QString extension
        = name.endsWith(fileExtension, Qt::CaseInsensitive) ? name.right(fileExtension.size()) : QString();
    const QString stem = name.chopped(extension.size());
    return info.dir().filePath(
        sanitizedFileName(stem, longestWritableFileName - QFile::encodeName(extension).size()) + extension);
}

QString DocumentManager::proposedFileName(const OpenDocument& document)
{
    // The name it was made with, else its title's first line, as a file name can hold it.
    const QString title = !document.m_proposedName.isEmpty()
        ? document.m_proposedName
        : document.document().root()->text().section(QChar(0x2028), 0, 0).section(QLatin1Char('\n'), 0, 0);
    return sanitizedFileName(title, longestWritableFileName - fileExtension.toUtf8().size());
}

bool DocumentManager::saveAs(OpenDocument& document)
{
    if (document.isBusy())
        return false;
    return askWhereAndSave(document);
}

bool DocumentManager::askWhereAndSave(OpenDocument& document)
{
    storePendingEdits(document);
    // The dialog may stay open long: what is not yet kept is kept first, and autosave waits.
    if (document.m_hasPendingRecovery)
        keepUnsavedText(document);
    const bool wasBusy = std::exchange(document.m_isBusy, true);
    std::optional<QString> path;
    askOver(document, [this, &document, &path](QWidget* parent) {
        path = m_dialogs->chooseSavePath(parent, suggestedSavePath(document));
    });
    document.m_isBusy = wasBusy;
    const bool isSaved = path && !path->isEmpty() && saveTo(document, *path);
    // Cancelled, refused or not written: the text waits for its autosave in place as before.
    if (!isSaved && document.hasUnsavedChanges())
        documentChanged(document);
    return isSaved;
}

bool DocumentManager::saveTo(OpenDocument& document, const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    OpenDocument* other = documentForPath(absolute);
    if (other && other != &document) {
        reportOver(document,
            tr("“%1” is open in another window. Close that window first, "
               "or choose another name.")
                .arg(nativePath(absolute)));
        return false;
    }
    // What is kept there is taken for what a crash left, and removed once saved.
    if (isInRecoveryFolder(absolute)) {
        reportOver(document,
            tr("Sermons cannot be saved in “%1”: Kestrion keeps its safety copies of unsaved sermons there. "
               "Choose another folder.")
                .arg(QDir::toNativeSeparators(m_recoveryFolder)));
        return false;
    }
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;
    const QByteArray contents = document.currentContents();
    QString error;
    if (!writeFile(absolute, contents, &error)) {
        reportOver(document,
            tr("The file “%1” could not be saved: %2. Your changes are still "
               "in the open window.")
                .arg(nativePath(absolute), error));
        return false;
    }
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    const bool moved = canonical != document.m_filePath;
    document.m_filePath = canonical;
    document.m_recoveredFrom.clear();
    markWritten(document, canonical, contents);
    // The note of a kept opened version names the window's file.
    if (document.m_openedVersionCopy)
        keepOpenedVersion(document);
    m_lastFolder = QFileInfo(canonical).absolutePath();
    m_recentDocuments.add(canonical);
    Q_EMIT recentDocumentsChanged();
    if (moved)
        Q_EMIT document.filePathChanged();
    return true;
}

void DocumentManager::markWritten(OpenDocument& document, const QString& path, const QByteArray& contents)
{
    markAsOnDisk(document, DiskFingerprint::ofWritten(path, contents), contents);
}

void DocumentManager::markAsOnDisk(OpenDocument& document, DiskFingerprint fingerprint, const QByteArray& contents)
{
    document.m_fingerprint = std::move(fingerprint);
    document.m_savedContents = contents;
    document.m_isRecovered = false;
    document.m_isAutosaveHeld = false;
    document.m_hasReportedAutosaveFailure = false;
    document.m_hasReportedCopyFailure = false;
    document.undoManager().setClean();
    discardRecoveryCopy(document);
    if (DocumentWindow* window = document.window())
        window->hideNotice(recoveredChangesNotice);
    document.updateModified();
}

void DocumentManager::saveAllWithoutAsking()
{
    for (OpenDocument* document : m_documents) {
        commitPendingEdits(*document);
        document->m_autosaveTimer->stop();
        document->m_hasPendingAutosave = false;
        recoveryCopyIsCurrent(*document);
        const QByteArray contents = document->currentContents();
        if (!document->differsFromSaved(contents))
            continue;
        // About to be written over, or left to whoever changed it: the file may not hold it next time.
        keepOpenedVersion(*document);
        // Not while the question about the file's change waits for its answer, whatever the
        // file holds by now.
        const bool safeInPlace = !document->isUntitled() && !document->m_isAutosaveHeld
            && !document->m_isAskingAboutDiskChange
            && document->m_fingerprint.compareWithDisk(document->filePath()) == DiskFingerprint::Comparison::Unchanged;
        if (safeInPlace) {
            QString error;
            if (writeFile(document->filePath(), contents, &error)) {
                markWritten(*document, document->filePath(), contents);
                continue;
            }
        }
        // No questions now: keep a copy that the next start offers back.
        document->m_hasReportedCopyFailure = true;
        writeRecoveryContents(*document, contents);
    }
}

} // namespace kestrion
