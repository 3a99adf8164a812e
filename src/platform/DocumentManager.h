#pragma once

#include "document/SermonDocument.h"
#include "platform/AutosaveTimer.h"
#include "platform/DiskFingerprint.h"
#include "platform/DocumentDialogs.h"
#include "platform/FileWriter.h"
#include "platform/RecentDocuments.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSettings;
class QWidget;

namespace kestrion {

class DocumentWindow;
class OpenDocument;
class RecoveryCopy;

// Makes the window of a document; the manager owns what it returns and shows it.
using DocumentWindowFactory = std::function<DocumentWindow*(OpenDocument& document)>;

// The document machinery: opening, saving, autosave, windows and the recent list. One window
// per file; nothing the user wrote is dropped without being asked.
//
// Files are written through QSaveFile only (write, flush, fsync, rename into place), so a
// failed write leaves the old file whole; the document then stays edited and the failure is
// reported. A titled document is saved in place a few seconds after its last change and when
// it closes; before that, the file is compared with what we last read or wrote, and if
// someone else changed it, the user is asked instead. Text that no file holds yet (an
// untitled document, words still being typed, a save that failed) is kept in the recovery
// folder within about a second, however fast the keys come, and offered back after a crash:
// into its own file's window when that file exists. Because saving is automatic, each window
// keeps its file as it opened it until it closes, for Revert to Opened Version: in memory,
// and beside the recovery folder once the file no longer holds it, so a crash does not take
// it either.
class DocumentManager : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultAutosaveDelay { 3000 };
    // Saving waits for a pause in the editing, but never longer than this.
    static constexpr std::chrono::milliseconds defaultAutosaveMaximumDelay { 30000 };
    // Unsaved words reach the recovery folder after a short pause in the typing, and while the
    // keys keep coming at least this often: a crash costs at most the last second.
    static constexpr std::chrono::milliseconds defaultRecoveryDelay { 300 };
    static constexpr std::chrono::milliseconds defaultRecoveryMaximumDelay { 1000 };
    // The key of the notice in a window that holds text restored after a crash.
    static inline const QString recoveredChangesNotice = QStringLiteral("recoveredChanges");
    using Clock = std::function<std::chrono::milliseconds()>;

    // The settings hold the recent list and must outlive the manager.
    DocumentManager(QSettings& settings, std::unique_ptr<DocumentDialogs> dialogs, QObject* parent = nullptr);
    ~DocumentManager() override;

    // Configuration, before the first document opens.
    void setWindowFactory(DocumentWindowFactory factory);
    void setAutosaveTimerFactory(AutosaveTimerFactory factory);
    // Every file the manager writes, sermons and recovery copies, goes through this one.
    void setFileWriter(FileWriter writer);
    void setClock(Clock clock);
    void setAutosaveDelay(std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay);
    void setRecoveryDelay(std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay);
    // Where text that no file holds yet is kept; the application data folder by default.
    void setRecoveryFolder(const QString& folder);
    QString recoveryFolder() const { return m_recoveryFolder; }
    // Beside it: where each window keeps the file as it opened it, for Revert to Opened
    // Version. Nothing there is ever taken for unsaved text.
    QString openedVersionsFolder() const;
    // A hidden application makes windows but does not show them.
    void setShowsWindows(bool shows) { m_showsWindows = shows; }

    DocumentDialogs& dialogs() const { return *m_dialogs; }
    RecentDocuments& recentDocuments() { return m_recentDocuments; }
    void clearRecentDocuments();

    // Opens a file in a window of its own, or brings its window forward when it is open
    // already. A file that cannot be read is reported and nothing opens. Unsaved text that an
    // ended session kept for the file opens in its window instead, marked edited.
    OpenDocument* open(const QString& path);
    void openAll(const QStringList& paths);
    // A new untitled document; with none given, a new sermon. A document given holds what the
    // user entered for it (a title, details): it counts as unsaved from the start, so it is
    // kept in the recovery folder at once and closing it asks. The name, when given, is the
    // window's title and the file name proposed on the first save.
    OpenDocument* newDocument(std::unique_ptr<SermonDocument> document = nullptr, const QString& name = {});
    // Opens what an ended session left in the recovery folder. Text of a file that still
    // exists goes back into that file's window, marked edited, with a notice saying so;
    // the rest opens as untitled documents named after where it came from. Returns how many.
    int recoverUnsavedDocuments();
    // The notice's choices for restored text in a file's window. Discarding shows the file as
    // it is on disk in the same window, with the restored text one Undo away, and returns the
    // document (null when the file cannot be read: the restored text stays). Keeping lets the
    // next save replace a file changed on disk since.
    OpenDocument* discardRecoveredChanges(OpenDocument& document);
    void keepRecoveredChanges(OpenDocument& document);

    const std::vector<OpenDocument*>& documents() const { return m_documents; }
    OpenDocument* documentForPath(const QString& path) const;

    // The commands of the File menu. Each returns whether it did what was asked: for the open
    // dialog, whether a chosen file opened (or was open already). None of them asks anything
    // of a document that is busy (OpenDocument::isBusy()).
    bool showOpenDialog(QWidget* parent);
    // The open dialog over a document's window, which stays open until it and every file
    // chosen in it are dealt with.
    bool showOpenDialog(OpenDocument& over);
    bool save(OpenDocument& document);
    bool saveAs(OpenDocument& document);
    // Asks, then puts back the text and details as the window opened its file, as one step
    // that Undo takes back. False when there is nothing to put back or the user cancelled.
    bool revertToOpenedVersion(OpenDocument& document);
    // Closes the document's window, saving or asking first. False when the user cancelled or
    // saving failed and the window stays.
    bool close(OpenDocument& document);
    // Closes every window as close() does, once every question has been answered; when one
    // of them must stay, they all do. Nothing closes while any document is busy.
    bool closeAll();
    // Closes every window, then quits the application.
    void quit();
    // A quit is under way: its windows are closing, or all have closed and the application
    // is about to end.
    bool isQuitting() const { return m_isQuitting; }

    // What the autosave timer runs: saves a titled document in place (asking first when the
    // file changed on disk), and keeps an untitled one in the recovery folder.
    void autosave(OpenDocument& document);
    // What the recovery timer runs: keeps what no file holds yet, words being typed included,
    // in the recovery folder, and drops the copy once the file holds it all. A write that
    // fails is tried again.
    void keepUnsavedText(OpenDocument& document);
    // For an ending session or a signal: no questions. Saves titled documents in place where
    // that is safe and puts everything else in the recovery folder.
    void saveAllWithoutAsking();

    // Called by the window on a close request; false keeps the window open, as it does while
    // the document is busy.
    bool prepareToClose(OpenDocument& document);
    // Whether a close asked for now would go on to its questions: not while the document is
    // busy, nor while a sheet is open over its window, which is then brought forward.
    bool mayBeginClosing(const OpenDocument& document) const;

Q_SIGNALS:
    void documentOpened(OpenDocument* document);
    // The document is leaving; its window is gone with it on the next turn of the loop.
    void documentClosing(OpenDocument* document);
    void recentDocumentsChanged();

private:
    enum class WriteResult {
        Written,
        Failed, // reported already
        Declined, // the user chose not to save over a file changed on disk, for now
        Discarded, // the user chose, while closing, to drop the changes
        SavedElsewhere, // the user chose Save As in the conflict question, and it succeeded
    };

    // Makes the window and lists the document; a replaced window passes on its place.
    OpenDocument* adopt(std::unique_ptr<OpenDocument> document, const DocumentWindow* replacing = nullptr);
    std::unique_ptr<OpenDocument> readFile(const QString& canonicalPath);
    // The file's bytes; none, with the reason, when it cannot be read.
    static std::optional<QByteArray> readBytes(const QString& path, QString* error);
    OpenDocument* openFile(const QString& canonicalPath);
    OpenDocument* recover(std::unique_ptr<RecoveryCopy> copy);
    OpenDocument* recoverIntoFile(std::unique_ptr<RecoveryCopy> copy, std::unique_ptr<SermonDocument> sermon);
    void showRecoveredChangesNotice(OpenDocument& document, bool changedOnDisk);
    void showNeverSavedNotice(OpenDocument& document);
    void documentChanged(OpenDocument& document);
    // The version the window keeps as opened: the one an ended session kept for the file if
    // there is one (it was opened first then), else the file as just read.
    void takeOpenedVersion(OpenDocument& document);
    // Keeps the opened version on disk, unless it is kept already: called before the file is
    // written over, and once someone else is found to have changed it, so that only the file
    // itself holds it until then. False when it could not be written.
    bool keepOpenedVersion(OpenDocument& document);
    void dropOpenedVersion(OpenDocument& document);
    // Puts another text in the document as one undoable step, what is being typed first
    // committed into the history.
    void replaceText(OpenDocument& document, std::unique_ptr<SermonDocument> text);
    // Takes the file's text as it is on disk now into the window, ours one Undo away. A file
    // that cannot be read is reported and the window keeps its text.
    bool reloadFromDisk(OpenDocument& document);
    // Restarts a timer that waits for a pause in a run of changes, but never longer than the
    // maximum after the first change it has not yet run for.
    void restartAfterChange(AutosaveTimer& timer, bool& isPending, std::chrono::milliseconds& firstChange,
        std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay) const;
    // The recovery copy is as the document stands.
    void recoveryCopyIsCurrent(OpenDocument& document);
    void retryRecoveryCopy(OpenDocument& document);
    WriteResult saveInPlace(OpenDocument& document, bool isTimed, bool isClosing);
    // The question about a file changed on disk; asked again when it changes once more while
    // the question waits, so that Replace never writes over a version nobody was asked about.
    DocumentDialogs::ConflictChoice askAboutDiskChange(
        OpenDocument& document, DiskFingerprint::Comparison disk, bool isClosing);
    bool saveTo(OpenDocument& document, const QString& path);
    bool writeFile(const QString& path, const QByteArray& contents, QString* error) const;
    // After a write into the document's file failed: should the file hold contents all the
    // same, it is taken as ours, so that the next save does not take it for someone else's.
    void takeFailedWrite(OpenDocument& document, const QString& path, const QByteArray& contents);
    // The file now holds contents: the document is clean and its recovery copy goes.
    void markWritten(OpenDocument& document, const QString& path, const QByteArray& contents);
    // As markWritten, for a file described by the fingerprint, whose text is contents.
    void markAsOnDisk(OpenDocument& document, DiskFingerprint fingerprint, const QByteArray& contents);
    // Keeps the document's text in the recovery folder while it differs from the file, and
    // drops the copy once it does not. False when the copy could not be written: it is
    // reported once, and tried again shortly.
    bool writeRecoveryCopy(OpenDocument& document);
    bool writeRecoveryContents(OpenDocument& document, const QByteArray& contents);
    void discardRecoveryCopy(OpenDocument& document);
    // Whether the file would be in the recovery folder, which holds nothing but copies.
    bool isInRecoveryFolder(const QString& path) const;
    // The open document whose unsaved text, or opened version, that file holds.
    OpenDocument* documentForRecoveryCopy(const QString& canonicalPath) const;
    // Asks and saves what closing the document needs, but leaves it open; false when it
    // must stay.
    bool askBeforeClosing(OpenDocument& document);
    bool mayCloseAfterAsking(OpenDocument& document);
    void commitPendingEdits(OpenDocument& document);
    // For a save the user asked for: what is being typed goes in, and the typing goes on.
    void storePendingEdits(OpenDocument& document);
    void finishClose(OpenDocument& document);
    QString suggestedSavePath(const OpenDocument& document) const;
    // The path with its name shortened, when too long for the writer, to one that fits.
    static QString writablePath(const QString& path);
    // Where the file dialogs start: the folder last used while it exists, else Documents while
    // it exists, else home.
    QString startingFolder() const;
    // The name Save As proposes for a document never saved, without the extension.
    static QString proposedFileName(const OpenDocument& document);
    // Every dialog, question and message over a document's window goes through here: nothing
    // is shown over a window on its way out, and the window cannot close until ask has
    // returned.
    void askOver(OpenDocument& document, const std::function<void(QWidget* parent)>& ask);
    void reportOver(OpenDocument& document, const QString& message);
    QWidget* parentFor(const OpenDocument& document) const;
    bool openChosenFiles(QWidget* parent);
    // Save As without the check for a busy document, for the questions that offer it.
    bool askWhereAndSave(OpenDocument& document);
    int nextUntitledNumber() const;
    std::chrono::milliseconds now() const;
    static QString nativePath(const QString& path);

    std::unique_ptr<DocumentDialogs> m_dialogs;
    RecentDocuments m_recentDocuments;
    DocumentWindowFactory m_windowFactory;
    AutosaveTimerFactory m_timerFactory;
    FileWriter m_writer;
    Clock m_clock;
    std::chrono::milliseconds m_autosaveDelay = defaultAutosaveDelay;
    std::chrono::milliseconds m_autosaveMaximumDelay = defaultAutosaveMaximumDelay;
    std::chrono::milliseconds m_recoveryDelay = defaultRecoveryDelay;
    std::chrono::milliseconds m_recoveryMaximumDelay = defaultRecoveryMaximumDelay;
    QString m_recoveryFolder;
    QString m_lastFolder;
    bool m_showsWindows = true;
    bool m_isQuitting = false;
    std::vector<OpenDocument*> m_documents;
};

} // namespace kestrion
