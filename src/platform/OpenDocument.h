#pragma once

#include "platform/AutosaveTimer.h"
#include "platform/DiskFingerprint.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace kestrion {

class DocumentManager;
class DocumentWindow;
class RecoveryCopy;
class SermonDocument;
class UndoManager;

// One document as the document manager holds it: the sermon, its window's undo manager,
// where it lives on disk and what was last saved there. Made and ended by DocumentManager
// only; the rest of the application reads it.
class OpenDocument : public QObject {
    Q_OBJECT
public:
    ~OpenDocument() override;

    DocumentManager& manager() const { return m_manager; }
    SermonDocument& document() const { return *m_document; }
    UndoManager& undoManager() const { return *m_undoManager; }
    // Null until the manager has made the window, and again once it is gone.
    DocumentWindow* window() const { return m_window; }

    // The canonical path of the file; empty for a document that was never saved.
    const QString& filePath() const { return m_filePath; }
    bool isUntitled() const { return m_filePath.isEmpty(); }
    // The file name; for a document never saved, the name it was made with, or "Untitled"
    // (numbered when several are open).
    QString displayName() const;

    // Whether the sermon as it stands differs from what was last read or saved. For a
    // document that was never saved: whether it differs from how it was made, or holds text
    // recovered after a crash.
    bool hasUnsavedChanges() const;
    // The edited mark of the window: the undo history has left the saved state, or the text
    // is kept nowhere but the recovery folder.
    bool isModified() const;

    // Whether the window keeps the file as it opened it, for Revert to Opened Version; never
    // for a document that had no file then.
    bool hasOpenedVersion() const { return !m_openedVersion.isEmpty(); }
    // Whether Revert to Opened Version may have something to put back. Cheap: true after any
    // change since the last compareWithOpenedVersion(), which settles it by comparing the
    // whole text, what is being typed included (only when something changed since).
    bool canRevertToOpenedVersion() const { return hasOpenedVersion() && m_mayDifferFromOpened; }
    bool compareWithOpenedVersion();

    // A save, a close or one of the manager's dialogs is under way, or the window is on its way
    // out: a command that would ask anything does nothing, and the window does not close.
    bool isBusy() const { return m_isBusy || m_isAskingToClose || m_isClosing || m_openDialogs > 0; }

Q_SIGNALS:
    void filePathChanged();
    void modifiedChanged(bool modified);
    void canRevertToOpenedVersionChanged(bool canRevert);

private:
    friend class DocumentManager;

    OpenDocument(DocumentManager& manager, std::unique_ptr<SermonDocument> document);

    QByteArray currentContents() const;
    // hasUnsavedChanges() for the contents of the sermon as it stands, made once by a save.
    bool differsFromSaved(const QByteArray& contents) const;
    void updateModified();
    // The text or what is being typed changed: it may differ from the opened version now.
    void markChangedSinceOpenedComparison();
    void setMayDifferFromOpened(bool mayDiffer);

    DocumentManager& m_manager;
    std::unique_ptr<SermonDocument> m_document;
    std::unique_ptr<UndoManager> m_undoManager;
    QPointer<DocumentWindow> m_window;

    QString m_filePath;
    int m_untitledNumber = 0;
    // Shown and proposed for the first save until the document has a file.
    QString m_proposedName;
    // What the file held when it was last read or written by us.
    DiskFingerprint m_fingerprint;
    // The sermon's text as it was last read or saved (shared with the fingerprint of what we
    // wrote); for an untitled document, as it was made.
    QByteArray m_savedContents;
    // The text while no file holds it (untitled, recovered, not yet written, being typed).
    std::unique_ptr<RecoveryCopy> m_recoveryCopy;
    // Text recovered after a crash is kept nowhere else until it is saved.
    bool m_isRecovered = false;
    // The file a recovered copy was made from, if it had one.
    QString m_recoveredFrom;
    // The file as the window opened it: its bytes, and the text the writer makes of them.
    // Kept on disk too, so that a crash does not take it, until the window closes.
    QByteArray m_openedVersion;
    QByteArray m_openedContents;
    std::unique_ptr<RecoveryCopy> m_openedVersionCopy;
    bool m_isOpenedVersionKept = false;
    bool m_mayDifferFromOpened = false;
    bool m_isOpenedComparisonStale = true;

    std::unique_ptr<AutosaveTimer> m_autosaveTimer;
    bool m_hasPendingAutosave = false;
    std::chrono::milliseconds m_firstPendingChange { 0 };
    std::unique_ptr<AutosaveTimer> m_recoveryTimer;
    bool m_hasPendingRecovery = false;
    std::chrono::milliseconds m_firstUnkeptChange { 0 };
    // How long the last recovery copy took to make and write.
    std::chrono::milliseconds m_recoveryCopyCost { 0 };
    // The user chose to keep a file that someone else changed; timed autosave leaves it
    // alone until the next explicit save.
    bool m_isAutosaveHeld = false;
    bool m_hasReportedAutosaveFailure = false;
    // Apart from the saves': a copy that fails says so even after a failed save was reported.
    bool m_hasReportedCopyFailure = false;
    // A save or close is under way (its dialogs run a nested event loop).
    bool m_isBusy = false;
    // The user is being asked what to do about the file changed on disk.
    bool m_isAskingAboutDiskChange = false;
    // The close questions are being asked.
    bool m_isAskingToClose = false;
    // How many of the manager's dialogs, questions and messages are open over the window. Each
    // runs a loop that runs deferred deletes: closing the window then would delete the dialog
    // under its own loop.
    int m_openDialogs = 0;
    // The text the user chose not to save while closing; the window closes without asking
    // again as long as it still holds just that.
    std::optional<QByteArray> m_contentsToDrop;
    bool m_isClosing = false;
    bool m_lastModified = false;
};

} // namespace kestrion
