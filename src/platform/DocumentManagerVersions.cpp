#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/RecoveryCopy.h"
#include "platform/UndoManager.h"

namespace kestrion {

// Other versions of a document's text: the file as its window opened it (Revert to Opened
// Version), and the file as another program left it (Reload).

void DocumentManager::takeOpenedVersion(OpenDocument& document)
{
    if (document.isUntitled())
        return;
    // A session that ended with the file's window open left the version it opened: older
    // than the file as read now, which that session may have saved over. Newest first.
    std::vector<std::unique_ptr<RecoveryCopy>> left
        = RecoveryCopy::takeLeftovers(openedVersionsFolder(), document.filePath());
    for (auto copy = left.rbegin(); copy != left.rend(); ++copy) {
        const std::unique_ptr<SermonDocument> sermon = SermonDocument::readDocument((*copy)->contents());
        // Unreadable now, it is left as it is, for a person.
        if (!sermon)
            continue;
        if (document.m_openedVersionCopy) {
            (*copy)->remove();
            continue;
        }
        document.m_openedVersion = (*copy)->contents();
        document.m_openedContents = SermonDocument::fileContents(sermon->snapshot());
        document.m_openedVersionCopy = std::move(*copy);
    }
    document.m_mayDifferFromOpened = document.m_isRecovered || document.m_openedContents != document.m_savedContents;
    document.m_isOpenedComparisonStale = document.m_isRecovered;
}

bool DocumentManager::keepOpenedVersion(OpenDocument& document)
{
    if (document.isUntitled() || !document.hasOpenedVersion())
        return true;
    if (!document.m_openedVersionCopy)
        document.m_openedVersionCopy = RecoveryCopy::create(openedVersionsFolder());
    QString error;
    // Written once; the note follows the file when Save As moves the document. A copy that
    // could not be written is tried again before the file is next written over.
    return document.m_openedVersionCopy
        && document.m_openedVersionCopy->write(m_writer, document.m_openedVersion, document.filePath(), {}, &error);
}

void DocumentManager::dropOpenedVersion(OpenDocument& document)
{
    if (!document.m_openedVersionCopy)
        return;
    document.m_openedVersionCopy->remove();
    document.m_openedVersionCopy.reset();
}

void DocumentManager::replaceText(OpenDocument& document, std::unique_ptr<SermonDocument> text)
{
    // Typing goes into the history first: the one Undo brings back all the user had.
    commitPendingEdits(document);
    document.document().replaceContents(std::move(text), &document.undoManager());
}

bool DocumentManager::revertToOpenedVersion(OpenDocument& document)
{
    if (document.isBusy() || !document.compareWithOpenedVersion())
        return false;
    // The question may wait long: what is unsaved is kept meanwhile.
    keepUnsavedText(document);
    document.m_isBusy = true;
    bool isConfirmed = false;
    askOver(document, [this, &document, &isConfirmed](QWidget* parent) {
        isConfirmed = m_dialogs->askToRevert(parent, document.displayName());
    });
    document.m_isBusy = false;
    if (!isConfirmed) {
        // An autosave that fell due while the question was open was left for now.
        if (document.hasUnsavedChanges())
            documentChanged(document);
        return false;
    }
    std::unique_ptr<SermonDocument> opened = SermonDocument::readDocument(document.m_openedVersion);
    if (!opened)
        return false;
    replaceText(document, std::move(opened));
    document.compareWithOpenedVersion();
    return true;
}

bool DocumentManager::reloadFromDisk(OpenDocument& document)
{
    const QString path = document.filePath();
    QString error;
    const std::optional<QByteArray> contents = readBytes(path, &error);
    std::unique_ptr<SermonDocument> onDisk = contents ? SermonDocument::readDocument(*contents) : nullptr;
    if (!onDisk) {
        const QString reason = contents ? tr("it is empty or not UTF-8 text") : error;
        reportOver(document,
            tr("“%1” could not be reloaded: %2. Your version is still in the window.").arg(nativePath(path), reason));
        return false;
    }
    replaceText(document, std::move(onDisk));
    markAsOnDisk(document, DiskFingerprint::of(path, *contents), document.currentContents());
    return true;
}

} // namespace kestrion
