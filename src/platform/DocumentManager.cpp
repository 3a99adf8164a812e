#include "platform/DocumentManager.h"

#include "document/SermonDocument.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/RecoveryCopy.h"
#include "platform/UndoManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

#include <algorithm>

namespace kestrion {

QString DocumentManager::nativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

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

void DocumentManager::setRecoveryDelay(std::chrono::milliseconds delay, std::chrono::milliseconds maximumDelay)
{
    m_recoveryDelay = std::max(delay, std::chrono::milliseconds(0));
    m_recoveryMaximumDelay = std::max(maximumDelay, m_recoveryDelay);
}

void DocumentManager::setRecoveryFolder(const QString& folder)
{
    m_recoveryFolder = folder;
}

QString DocumentManager::openedVersionsFolder() const
{
    return QFileInfo(m_recoveryFolder).dir().filePath(QStringLiteral("Opened Versions"));
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

void DocumentManager::askOver(OpenDocument& document, const std::function<void(QWidget* parent)>& ask)
{
    if (document.m_isClosing)
        return;
    const QPointer<OpenDocument> guard(&document);
    ++document.m_openDialogs;
    ask(parentFor(document));
    if (guard)
        --guard->m_openDialogs;
}

void DocumentManager::reportOver(OpenDocument& document, const QString& message)
{
    askOver(document, [this, &message](QWidget* parent) { m_dialogs->showError(parent, message); });
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
    // A safety copy or an opened version opened by hand is the text of the window that keeps
    // it: two windows on one file would have one delete what the other saves.
    OpenDocument* existing = documentForPath(canonical);
    if (!existing)
        existing = documentForRecoveryCopy(canonical);
    if (existing) {
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

std::optional<QByteArray> DocumentManager::readBytes(const QString& path, QString* error)
{
    QFile file(path);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    return contents;
}

std::unique_ptr<OpenDocument> DocumentManager::readFile(const QString& canonical)
{
    QString error;
    const std::optional<QByteArray> read = readBytes(canonical, &error);
    if (!read) {
        m_dialogs->showError(nullptr, tr("The file “%1” could not be opened: %2.").arg(nativePath(canonical), error));
        return nullptr;
    }
    const QByteArray& contents = *read;

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
    document->m_openedVersion = contents;
    document->m_openedContents = document->m_savedContents;
    return document;
}

OpenDocument* DocumentManager::openFile(const QString& canonical)
{
    std::unique_ptr<OpenDocument> document = readFile(canonical);
    if (!document)
        return nullptr;
    takeOpenedVersion(*document);
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

QString DocumentManager::startingFolder() const
{
    for (const QString& folder :
        { m_lastFolder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) }) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

bool DocumentManager::showOpenDialog(QWidget* parent)
{
    return openChosenFiles(parent);
}

bool DocumentManager::showOpenDialog(OpenDocument& over)
{
    if (over.isBusy())
        return false;
    bool isOpened = false;
    askOver(over, [this, &isOpened](QWidget* parent) { isOpened = openChosenFiles(parent); });
    return isOpened;
}

bool DocumentManager::openChosenFiles(QWidget* parent)
{
    const QString folder = startingFolder();
    bool isOpened = false;
    for (const QString& path : m_dialogs->chooseFilesToOpen(parent, folder))
        isOpened = open(path) != nullptr || isOpened;
    return isOpened;
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

OpenDocument* DocumentManager::adopt(std::unique_ptr<OpenDocument> owned, const DocumentWindow* replacing)
{
    OpenDocument* document = owned.release();
    m_documents.push_back(document);

    document->m_autosaveTimer = m_timerFactory(AutosaveTimer::Purpose::SaveInPlace);
    document->m_recoveryTimer = m_timerFactory(AutosaveTimer::Purpose::RecoveryCopy);
    QPointer<OpenDocument> guard(document);
    document->m_autosaveTimer->onTimeout = [this, guard] {
        if (guard)
            autosave(*guard);
    };
    document->m_recoveryTimer->onTimeout = [this, guard] {
        if (guard)
            keepUnsavedText(*guard);
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

} // namespace kestrion
