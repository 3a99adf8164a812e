#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "platform/RecoveryCopy.h"
#include "platform/SanitizedFileName.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

#include <algorithm>

namespace kestrion {

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// What one name in a folder may hold on the usual Linux file systems.
constexpr qsizetype maximumFileNameBytes = 255;

} // namespace

DocumentManager::DocumentManager(QSettings& settings, std::unique_ptr<DocumentDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(std::move(dialogs))
    , m_recentDocuments(settings)
    , m_timerFactory(&AutosaveTimer::create)
    , m_writer(&writeFileAtomically)
    , m_clock([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    })
    , m_recoveryFolder(QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                           .filePath(QStringLiteral("Unsaved Sermons")))
{
}

DocumentManager::~DocumentManager()
{
    // Whatever is still open at this point (a signal ended the application, for example)
    // keeps its recovery copy; nothing is deleted on disk here.
    const std::vector<OpenDocument*> documents = std::exchange(m_documents, {});
    for (OpenDocument* document : documents)
        delete document;
}

void DocumentManager::setWindowFactory(DocumentWindowFactory factory)
{
    m_windowFactory = std::move(factory);
}

void DocumentManager::setAutosaveTimerFactory(AutosaveTimerFactory factory)
{
    m_timerFactory = std::move(factory);
}

void DocumentManager::setFileWriter(FileWriter writer)
{
    m_writer = std::move(writer);
}

void DocumentManager::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void DocumentManager::setAutosaveDelay(std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay)
{
    m_autosaveDelay = std::max(delay, std::chrono::milliseconds(0));
    m_autosaveMaximumDelay = std::max(maximumDelay, m_autosaveDelay);
}

void DocumentManager::setRecoveryFolder(const QString& folder)
{
    m_recoveryFolder = folder;
}

std::chrono::milliseconds DocumentManager::now() const
{
    return m_clock();
}

OpenDocument* DocumentManager::documentForPath(const QString& path) const
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return nullptr;
    for (OpenDocument* document : m_documents) {
        if (document->filePath() == canonical)
            return document;
    }
    return nullptr;
}

QWidget* DocumentManager::parentFor(const OpenDocument& document) const
{
    DocumentWindow* window = document.window();
    return window ? window->frontWindow() : nullptr;
}

OpenDocument* DocumentManager::open(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_dialogs->showError(
            nullptr, tr("The file “%1” could not be opened because it does not exist.").arg(nativePath(path)));
        return nullptr;
    }
    if (!info.isFile()) {
        m_dialogs->showError(nullptr, tr("“%1” could not be opened because it is not a file.").arg(nativePath(path)));
        return nullptr;
    }
    const QString canonical = info.canonicalFilePath();
    if (OpenDocument* existing = documentForPath(canonical)) {
        if (DocumentWindow* window = existing->window()) {
            if (window->isMinimized())
                window->showNormal();
            window->raise();
            window->activateWindow();
        }
        return existing;
    }

    // Unsaved text an ended session left for this file goes back into its window.
    OpenDocument* opened = nullptr;
    for (std::unique_ptr<RecoveryCopy>& copy : RecoveryCopy::takeLeftovers(m_recoveryFolder, canonical)) {
        OpenDocument* recovered = recover(std::move(copy));
        if (recovered && recovered->filePath() == canonical && !opened)
            opened = recovered;
    }
    return opened ? opened : openFile(canonical);
}

std::unique_ptr<OpenDocument> DocumentManager::readFile(const QString& canonical)
{
    QFile file(canonical);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_dialogs->showError(
            nullptr, tr("The file “%1” could not be opened: %2.").arg(nativePath(canonical), file.errorString()));
        return nullptr;
    }
    file.close();

    std::unique_ptr<SermonDocument> sermon = SermonDocument::readDocument(contents);
    if (!sermon) {
        m_dialogs->showError(nullptr,
            tr("The file “%1” could not be opened because it is empty or not UTF-8 text.").arg(nativePath(canonical)));
        return nullptr;
    }

    std::unique_ptr<OpenDocument> document(new OpenDocument(*this, std::move(sermon)));
    document->m_filePath = canonical;
    document->m_fingerprint = DiskFingerprint::of(canonical, contents);
    // Compared with what the writer would produce, not with the bytes read: a file written by
    // hand is not rewritten just because it was opened and closed.
    document->m_savedContents = document->currentContents();
    return document;
}

OpenDocument* DocumentManager::openFile(const QString& canonical)
{
    std::unique_ptr<OpenDocument> document = readFile(canonical);
    if (!document)
        return nullptr;
    m_lastFolder = QFileInfo(canonical).absolutePath();
    OpenDocument* opened = adopt(std::move(document));
    m_recentDocuments.add(canonical);
    Q_EMIT recentDocumentsChanged();
    return opened;
}

void DocumentManager::openAll(const QStringList& paths)
{
    for (const QString& path : paths)
        open(path);
}

void DocumentManager::showOpenDialog(QWidget* parent)
{
    const QString folder
        = !m_lastFolder.isEmpty() ? m_lastFolder : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    openAll(m_dialogs->chooseFilesToOpen(parent, folder));
}

void DocumentManager::clearRecentDocuments()
{
    m_recentDocuments.clear();
    Q_EMIT recentDocumentsChanged();
}

int DocumentManager::nextUntitledNumber() const
{
    int number = 1;
    for (;;) {
        const bool taken = std::any_of(m_documents.begin(), m_documents.end(), [number](const OpenDocument* document) {
            return document->isUntitled() && document->m_recoveredFrom.isEmpty()
                && document->m_untitledNumber == number;
        });
        if (!taken)
            return number;
        ++number;
    }
}

OpenDocument* DocumentManager::newDocument(std::unique_ptr<SermonDocument> sermon, const QString& name)
{
    const bool isBlank = !sermon;
    if (isBlank)
        sermon = std::make_unique<SermonDocument>();
    std::unique_ptr<OpenDocument> document(new OpenDocument(*this, std::move(sermon)));
    document->m_untitledNumber = nextUntitledNumber();
    document->m_proposedName = name;
    document->m_savedContents
        = isBlank ? document->currentContents() : SermonDocument::fileContents(SermonDocument().snapshot());
    OpenDocument* adopted = adopt(std::move(document));
    writeRecoveryCopy(*adopted);
    return adopted;
}

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
    if (origin.isEmpty())
        document->m_untitledNumber = nextUntitledNumber();
    document->m_savedContents = document->currentContents();
    document->m_isRecovered = true;
    document->m_recoveryCopy = std::move(copy);
    return adopt(std::move(document));
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

OpenDocument* DocumentManager::discardRecoveredChanges(OpenDocument& document)
{
    if (!document.m_isRecovered || document.isUntitled() || document.m_isBusy || document.m_isClosing)
        return nullptr;
    // Read first: if the file cannot be shown, the restored text stays where it is.
    std::unique_ptr<OpenDocument> fromDisk = readFile(document.filePath());
    if (!fromDisk)
        return nullptr;
    DocumentWindow* window = document.window();
    finishClose(document);
    OpenDocument* opened = adopt(std::move(fromDisk), window);
    // After the new window shows: hiding the last one would end the application.
    if (window)
        window->hide();
    return opened;
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

OpenDocument* DocumentManager::adopt(std::unique_ptr<OpenDocument> owned, const DocumentWindow* replacing)
{
    OpenDocument* document = owned.release();
    m_documents.push_back(document);

    document->m_autosaveTimer = m_timerFactory();
    QPointer<OpenDocument> guard(document);
    document->m_autosaveTimer->onTimeout = [this, guard] {
        if (guard)
            autosave(*guard);
    };
    SermonDocument* sermon = &document->document();
    const auto changed = [this, document] { documentChanged(*document); };
    connect(sermon, &SermonDocument::undoStackChanged, document, changed);
    connect(sermon, &SermonDocument::redoStackChanged, document, changed);
    connect(sermon, &SermonDocument::metadataChanged, document, changed);
    connect(sermon, &SermonDocument::rootChanged, document, changed);
    connect(sermon, &SermonDocument::contentEdited, document, changed);
    connect(&document->undoManager(), &UndoManager::cleanChanged, document, [document] { document->updateModified(); });

    DocumentWindow* window = m_windowFactory ? m_windowFactory(*document) : new DocumentWindow(*document);
    document->m_window = window;
    connect(window, &DocumentWindow::pendingEditsChanged, document, changed);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    document->m_lastModified = !document->isModified();
    document->updateModified();
    if (replacing) {
        window->setGeometry(replacing->geometry());
        window->setWindowState(replacing->windowState());
    }
    if (m_showsWindows)
        window->show();
    Q_EMIT documentOpened(document);
    return document;
}

void DocumentManager::documentChanged(OpenDocument& document)
{
    document.updateModified();
    if (document.m_isClosing)
        return;
    const std::chrono::milliseconds time = now();
    if (!document.m_hasPendingAutosave || !document.m_autosaveTimer->isActive()) {
        document.m_hasPendingAutosave = true;
        document.m_firstPendingChange = time;
    }
    const std::chrono::milliseconds waited = time - document.m_firstPendingChange;
    const std::chrono::milliseconds delay = std::clamp(
        std::min(m_autosaveDelay, m_autosaveMaximumDelay - waited), std::chrono::milliseconds(0), m_autosaveDelay);
    document.m_autosaveTimer->start(delay);
}

void DocumentManager::autosave(OpenDocument& document)
{
    document.m_hasPendingAutosave = false;
    if (document.m_isBusy || document.m_isClosing)
        return;
    QPointer<OpenDocument> guard(&document);
    const bool isWritten = !document.isUntitled() && !document.m_isAutosaveHeld
        && saveInPlace(document, true, false) == WriteResult::Written;
    if (!guard || guard->m_isClosing)
        return;
    // What no file holds yet (an untitled document, one we may not write, words still being
    // typed) waits in the recovery folder.
    const DocumentWindow* window = document.window();
    if (const std::optional<QByteArray> typing = window ? window->contentsWithPendingEdits() : std::nullopt)
        writeRecoveryContents(document, *typing);
    else if (isWritten)
        // Written, or the same as we last read or saved: no copy is needed.
        discardRecoveryCopy(document);
    else
        writeRecoveryCopy(document);
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
        // The question may wait a long time for an answer: keep our text safe meanwhile.
        writeRecoveryCopy(document);
        const auto change = disk == DiskFingerprint::Comparison::Removed ? DocumentDialogs::DiskChange::Removed
                                                                         : DocumentDialogs::DiskChange::Modified;
        switch (m_dialogs->askAboutDiskChange(parentFor(document), path, change, isClosing)) {
        case DocumentDialogs::ConflictChoice::Overwrite:
            break;
        case DocumentDialogs::ConflictChoice::SaveAs:
            busy.document = nullptr;
            document.m_isBusy = false;
            return saveAs(document) ? WriteResult::SavedElsewhere : WriteResult::Declined;
        case DocumentDialogs::ConflictChoice::DontSave:
            if (isClosing)
                return WriteResult::Discarded;
            [[fallthrough]];
        case DocumentDialogs::ConflictChoice::Cancel:
            // Keep ours in the window and a copy in the recovery folder, and stop asking on
            // every change; an explicit save asks again.
            document.m_isAutosaveHeld = true;
            return WriteResult::Declined;
        }
    }

    QString error;
    if (!writeFile(path, contents, &error)) {
        // The copy first: the message waits for the user.
        const bool wasReported = document.m_hasReportedAutosaveFailure;
        writeRecoveryCopy(document);
        if (!isTimed || !wasReported)
            m_dialogs->showError(parentFor(document),
                tr("The file “%1” could not be saved: %2. Your changes are "
                   "still in the open window.")
                    .arg(nativePath(path), error));
        if (isTimed)
            document.m_hasReportedAutosaveFailure = true;
        return WriteResult::Failed;
    }

    markWritten(document, path, contents);
    if (!isTimed) {
        m_recentDocuments.add(path);
        Q_EMIT recentDocumentsChanged();
    }
    return WriteResult::Written;
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
    storePendingEdits(document);
    if (document.isUntitled())
        return saveAs(document);
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;
    const WriteResult result = saveInPlace(document, false, false);
    return result == WriteResult::Written || result == WriteResult::SavedElsewhere;
}

QString DocumentManager::suggestedSavePath(const OpenDocument& document) const
{
    if (!document.isUntitled())
        return document.filePath();
    if (!document.m_recoveredFrom.isEmpty())
        return document.m_recoveredFrom;
    // The name it was made with, else its title's first line, as a file name can hold it.
    const QString extension = QStringLiteral(".md");
    const QString title = !document.m_proposedName.isEmpty()
        ? document.m_proposedName
        : document.document().root()->text().section(QChar(0x2028), 0, 0).section(QLatin1Char('\n'), 0, 0);
    const QString name = sanitizedFileName(title, maximumFileNameBytes - extension.toUtf8().size());
    const QString folder
        = !m_lastFolder.isEmpty() ? m_lastFolder : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(name + extension);
}

bool DocumentManager::saveAs(OpenDocument& document)
{
    if (document.m_isBusy)
        return false;
    storePendingEdits(document);
    const std::optional<QString> path = m_dialogs->chooseSavePath(parentFor(document), suggestedSavePath(document));
    if (!path || path->isEmpty())
        return false;
    return saveTo(document, *path);
}

bool DocumentManager::saveTo(OpenDocument& document, const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    OpenDocument* other = documentForPath(absolute);
    if (other && other != &document) {
        m_dialogs->showError(parentFor(document),
            tr("“%1” is open in another window. Close that window first, "
               "or choose another name.")
                .arg(nativePath(absolute)));
        return false;
    }
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;
    const QByteArray contents = document.currentContents();
    QString error;
    if (!writeFile(absolute, contents, &error)) {
        m_dialogs->showError(parentFor(document),
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
    m_lastFolder = QFileInfo(canonical).absolutePath();
    m_recentDocuments.add(canonical);
    Q_EMIT recentDocumentsChanged();
    if (moved)
        Q_EMIT document.filePathChanged();
    return true;
}

void DocumentManager::markWritten(OpenDocument& document, const QString& path, const QByteArray& contents)
{
    document.m_fingerprint = DiskFingerprint::ofWritten(path, contents);
    document.m_savedContents = contents;
    document.m_isRecovered = false;
    document.m_isAutosaveHeld = false;
    document.m_hasReportedAutosaveFailure = false;
    document.undoManager().setClean();
    discardRecoveryCopy(document);
    if (DocumentWindow* window = document.window())
        window->hideNotice(recoveredChangesNotice);
    document.updateModified();
}

void DocumentManager::writeRecoveryCopy(OpenDocument& document)
{
    const QByteArray contents = document.currentContents();
    if (!document.differsFromSaved(contents)) {
        discardRecoveryCopy(document);
        return;
    }
    writeRecoveryContents(document, contents);
}

void DocumentManager::writeRecoveryContents(OpenDocument& document, const QByteArray& contents)
{
    QString error;
    if (!document.m_recoveryCopy)
        document.m_recoveryCopy = RecoveryCopy::create(m_recoveryFolder);
    bool written = document.m_recoveryCopy != nullptr;
    if (!written)
        error = tr("the folder “%1” cannot be used").arg(nativePath(m_recoveryFolder));
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
        if (!document.m_hasReportedAutosaveFailure)
            m_dialogs->showError(parentFor(document),
                tr("A safety copy of “%1” could not be written: %2.").arg(document.displayName(), error));
        document.m_hasReportedAutosaveFailure = true;
    }
}

void DocumentManager::discardRecoveryCopy(OpenDocument& document)
{
    if (!document.m_recoveryCopy)
        return;
    document.m_recoveryCopy->remove();
    document.m_recoveryCopy.reset();
}

bool DocumentManager::prepareToClose(OpenDocument& document)
{
    if (document.m_isBusy || document.m_isAskingToClose || document.m_isClosing)
        return false;
    document.m_isAskingToClose = true;
    QPointer<OpenDocument> guard(&document);
    const bool mayClose = mayCloseAfterAsking(document);
    if (!guard)
        return false;
    document.m_isAskingToClose = false;
    if (!mayClose) {
        // Back to editing: changes made before the question still get saved.
        if (document.hasUnsavedChanges())
            documentChanged(document);
        return false;
    }
    finishClose(document);
    return true;
}

bool DocumentManager::mayCloseAfterAsking(OpenDocument& document)
{
    commitPendingEdits(document);
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;

    bool mayClose = true;
    if (document.hasUnsavedChanges()) {
        bool askToSave = document.isUntitled();
        QString reason = tr("Your changes will be lost if you don't save them.");
        if (!document.isUntitled()) {
            switch (saveInPlace(document, false, true)) {
            case WriteResult::Written:
            case WriteResult::SavedElsewhere:
            case WriteResult::Discarded:
                break;
            case WriteResult::Declined:
                mayClose = false;
                break;
            case WriteResult::Failed:
                askToSave = true;
                reason = tr("It could not be saved in place. Save it under another name, or your changes will "
                            "be lost.");
                break;
            }
        }
        if (askToSave) {
            writeRecoveryCopy(document);
            switch (m_dialogs->askToSaveChanges(parentFor(document), document.displayName(), reason)) {
            case DocumentDialogs::SaveChoice::Save:
                mayClose = saveAs(document);
                break;
            case DocumentDialogs::SaveChoice::DontSave:
                break;
            case DocumentDialogs::SaveChoice::Cancel:
                mayClose = false;
                break;
            }
        }
    }
    return mayClose;
}

void DocumentManager::finishClose(OpenDocument& document)
{
    document.m_isClosing = true;
    discardRecoveryCopy(document);
    m_documents.erase(std::remove(m_documents.begin(), m_documents.end(), &document), m_documents.end());
    Q_EMIT documentClosing(&document);
    // The window is still inside its close event.
    document.deleteLater();
}

bool DocumentManager::close(OpenDocument& document)
{
    QPointer<OpenDocument> guard(&document);
    if (DocumentWindow* window = document.window())
        window->close();
    else if (!prepareToClose(document))
        return false;
    return !guard || guard->m_isClosing;
}

bool DocumentManager::closeAll()
{
    std::vector<QPointer<OpenDocument>> documents(m_documents.begin(), m_documents.end());
    for (const QPointer<OpenDocument>& document : documents) {
        if (document && !document->m_isClosing && !close(*document))
            return false;
    }
    return true;
}

void DocumentManager::quit()
{
    m_isQuitting = true;
    if (closeAll()) {
        QCoreApplication::quit();
        return;
    }
    m_isQuitting = false;
}

void DocumentManager::saveAllWithoutAsking()
{
    for (OpenDocument* document : m_documents) {
        commitPendingEdits(*document);
        document->m_autosaveTimer->stop();
        document->m_hasPendingAutosave = false;
        const QByteArray contents = document->currentContents();
        if (!document->differsFromSaved(contents))
            continue;
        const bool safeInPlace = !document->isUntitled() && !document->m_isAutosaveHeld
            && document->m_fingerprint.compareWithDisk(document->filePath()) == DiskFingerprint::Comparison::Unchanged;
        if (safeInPlace) {
            QString error;
            if (writeFile(document->filePath(), contents, &error)) {
                markWritten(*document, document->filePath(), contents);
                continue;
            }
        }
        // No questions now: keep a copy that the next start offers back.
        document->m_hasReportedAutosaveFailure = true;
        writeRecoveryContents(*document, contents);
    }
}

} // namespace kestrion
