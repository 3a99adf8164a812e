#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/SanitizedFileName.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace kestrion {

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

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

const QString recoverySuffix = QStringLiteral(".md");
const QString originSuffix = QStringLiteral(".origin");
const QString lockSuffix = QStringLiteral(".lock");
// What one name in a folder may hold on the usual Linux file systems.
constexpr qsizetype maximumFileNameBytes = 255;

} // namespace

DocumentManager::DocumentManager(QSettings& settings, std::unique_ptr<DocumentDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(std::move(dialogs))
    , m_recentDocuments(settings)
    , m_timerFactory(&AutosaveTimer::create)
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
    return document.window();
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
    document->m_savedContentsHash = DiskFingerprint::hashOf(document->currentContents());
    m_lastFolder = info.absolutePath();
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
    document->m_savedContentsHash = isBlank
        ? DiskFingerprint::hashOf(document->currentContents())
        : DiskFingerprint::hashOf(SermonDocument::fileContents(SermonDocument().snapshot()));
    OpenDocument* adopted = adopt(std::move(document));
    writeRecoveryCopy(*adopted);
    return adopted;
}

int DocumentManager::recoverUnsavedDocuments()
{
    const QDir folder(m_recoveryFolder);
    if (!folder.exists())
        return 0;
    int recovered = 0;
    const QStringList names = folder.entryList({ QStringLiteral("*") + recoverySuffix }, QDir::Files, QDir::Time);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        auto lock = std::make_unique<QLockFile>(path + lockSuffix);
        // Held: another running instance has it open.
        if (!lock->tryLock(0))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray contents = file.readAll();
        file.close();
        std::unique_ptr<SermonDocument> sermon = SermonDocument::readDocument(contents);
        if (!sermon) {
            // An empty copy holds nothing; anything else unreadable is left for a person.
            if (contents.isEmpty()) {
                QFile::remove(path);
                QFile::remove(path + originSuffix);
            }
            continue;
        }
        std::unique_ptr<OpenDocument> document(new OpenDocument(*this, std::move(sermon)));
        QFile origin(path + originSuffix);
        if (origin.open(QIODevice::ReadOnly))
            document->m_recoveredFrom = QString::fromUtf8(origin.readAll()).section(QLatin1Char('\n'), 0, 0);
        if (document->m_recoveredFrom.isEmpty())
            document->m_untitledNumber = nextUntitledNumber();
        document->m_recoveryPath = path;
        document->m_recoveryLock = std::move(lock);
        document->m_savedContentsHash = DiskFingerprint::hashOf(document->currentContents());
        document->m_recoveryContentsHash = DiskFingerprint::hashOf(contents);
        document->m_isRecovered = true;
        adopt(std::move(document));
        ++recovered;
    }
    return recovered;
}

OpenDocument* DocumentManager::adopt(std::unique_ptr<OpenDocument> owned)
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
    if (!document.isUntitled() && !document.m_isAutosaveHeld)
        saveInPlace(document, true, false);
    if (!guard || guard->m_isClosing)
        return;
    // What no file holds yet (an untitled document, one we may not write, words still being
    // typed) waits in the recovery folder.
    const DocumentWindow* window = document.window();
    if (const std::optional<QByteArray> typing = window ? window->contentsWithPendingEdits() : std::nullopt)
        writeRecoveryContents(document, *typing);
    else
        writeRecoveryCopy(document);
}

bool DocumentManager::writeFile(const QString& path, const QByteArray& contents, QString* error) const
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
    const bool hasChanges = document.hasUnsavedChanges();
    const DiskFingerprint::Comparison disk = document.m_fingerprint.compareWithDisk(path);
    // Nothing of ours to write: leave the file to whoever changed it.
    if (!hasChanges && (isTimed || isClosing || disk == DiskFingerprint::Comparison::Unchanged))
        return WriteResult::Written;

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

    document.m_fingerprint = DiskFingerprint::of(path, contents);
    document.m_savedContentsHash = DiskFingerprint::hashOf(contents);
    document.m_isRecovered = false;
    document.m_isAutosaveHeld = false;
    document.m_hasReportedAutosaveFailure = false;
    document.undoManager().setClean();
    discardRecoveryCopy(document);
    document.updateModified();
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

bool DocumentManager::save(OpenDocument& document)
{
    commitPendingEdits(document);
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
    commitPendingEdits(document);
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
    document.m_fingerprint = DiskFingerprint::of(canonical, contents);
    document.m_savedContentsHash = DiskFingerprint::hashOf(contents);
    document.m_isRecovered = false;
    document.m_isAutosaveHeld = false;
    document.m_hasReportedAutosaveFailure = false;
    document.m_recoveredFrom.clear();
    document.undoManager().setClean();
    discardRecoveryCopy(document);
    document.updateModified();
    m_lastFolder = QFileInfo(canonical).absolutePath();
    m_recentDocuments.add(canonical);
    Q_EMIT recentDocumentsChanged();
    if (moved)
        Q_EMIT document.filePathChanged();
    return true;
}

bool DocumentManager::ensureRecoveryFile(OpenDocument& document)
{
    if (!document.m_recoveryPath.isEmpty())
        return true;
    if (!QDir().mkpath(m_recoveryFolder))
        return false;
    const QString path
        = QDir(m_recoveryFolder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + recoverySuffix);
    auto lock = std::make_unique<QLockFile>(path + lockSuffix);
    if (!lock->tryLock(0))
        return false;
    document.m_recoveryPath = path;
    document.m_recoveryLock = std::move(lock);
    return true;
}

void DocumentManager::writeRecoveryCopy(OpenDocument& document)
{
    if (!document.hasUnsavedChanges()) {
        discardRecoveryCopy(document);
        return;
    }
    writeRecoveryContents(document, document.currentContents());
}

void DocumentManager::writeRecoveryContents(OpenDocument& document, const QByteArray& contents)
{
    const QByteArray hash = DiskFingerprint::hashOf(contents);
    if (!document.m_recoveryPath.isEmpty() && hash == document.m_recoveryContentsHash)
        return;
    QString error;
    bool written = ensureRecoveryFile(document);
    if (!written)
        error = tr("the folder “%1” cannot be used").arg(nativePath(m_recoveryFolder));
    else
        written = writeFile(document.m_recoveryPath, contents, &error);
    if (!written) {
        if (!document.m_hasReportedAutosaveFailure)
            m_dialogs->showError(parentFor(document),
                tr("A safety copy of “%1” could not be written: %2.").arg(document.displayName(), error));
        document.m_hasReportedAutosaveFailure = true;
        return;
    }
    document.m_recoveryContentsHash = hash;
    const QString origin = document.isUntitled() ? document.m_recoveredFrom : document.filePath();
    const QString originPath = document.m_recoveryPath + originSuffix;
    if (origin.isEmpty())
        QFile::remove(originPath);
    else
        writeFile(originPath, origin.toUtf8(), &error);
}

void DocumentManager::discardRecoveryCopy(OpenDocument& document)
{
    if (document.m_recoveryPath.isEmpty())
        return;
    QFile::remove(document.m_recoveryPath);
    QFile::remove(document.m_recoveryPath + originSuffix);
    document.m_recoveryLock.reset();
    document.m_recoveryPath.clear();
    document.m_recoveryContentsHash.clear();
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
        if (!document->hasUnsavedChanges())
            continue;
        const bool safeInPlace = !document->isUntitled() && !document->m_isAutosaveHeld
            && document->m_fingerprint.compareWithDisk(document->filePath()) == DiskFingerprint::Comparison::Unchanged;
        if (safeInPlace) {
            const QByteArray contents = document->currentContents();
            QString error;
            if (writeFile(document->filePath(), contents, &error)) {
                document->m_fingerprint = DiskFingerprint::of(document->filePath(), contents);
                document->m_savedContentsHash = DiskFingerprint::hashOf(contents);
                document->undoManager().setClean();
                discardRecoveryCopy(*document);
                document->updateModified();
                continue;
            }
        }
        // No questions now: keep a copy that the next start offers back.
        document->m_hasReportedAutosaveFailure = true;
        writeRecoveryCopy(*document);
    }
}

} // namespace kestrion
