#include "platform/OpenDocument.h"

#include "document/SermonDocument.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/RecoveryCopy.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kestrion {

// A child of the manager, so that one closed just before the application ends still goes with it.
OpenDocument::OpenDocument(DocumentManager& manager, std::unique_ptr<SermonDocument> document)
    : QObject(&manager)
    , m_manager(manager)
    , m_document(std::move(document))
    , m_undoManager(std::make_unique<UndoManager>())
{
}

OpenDocument::~OpenDocument()
{
    // The window's views hold the document; they go first.
    delete m_window.data();
    m_autosaveTimer.reset();
    m_recoveryTimer.reset();
    // The undo commands point at the document.
    m_undoManager.reset();
    m_document.reset();
}

QString OpenDocument::displayName() const
{
    if (!m_filePath.isEmpty())
        return QFileInfo(m_filePath).fileName();
    if (!m_recoveredFrom.isEmpty())
        return QCoreApplication::translate("kestrion::OpenDocument", "%1 (Recovered)")
            .arg(QFileInfo(m_recoveredFrom).fileName());
    if (!m_proposedName.isEmpty())
        return m_proposedName;
    const QString untitled = QCoreApplication::translate("kestrion::OpenDocument", "Untitled");
    return m_untitledNumber > 1 ? QStringLiteral("%1 %2").arg(untitled).arg(m_untitledNumber) : untitled;
}

QByteArray OpenDocument::currentContents() const
{
    return SermonDocument::fileContents(m_document->snapshot());
}

bool OpenDocument::hasUnsavedChanges() const
{
    return differsFromSaved(currentContents());
}

bool OpenDocument::differsFromSaved(const QByteArray& contents) const
{
    return m_isRecovered || contents != m_savedContents;
}

bool OpenDocument::isModified() const
{
    return m_isRecovered || !m_undoManager->isClean();
}

bool OpenDocument::compareWithOpenedVersion()
{
    if (!hasOpenedVersion())
        return false;
    if (m_isOpenedComparisonStale) {
        const std::optional<QByteArray> typing = m_window ? m_window->contentsWithPendingEdits() : std::nullopt;
        setMayDifferFromOpened((typing ? *typing : currentContents()) != m_openedContents);
        m_isOpenedComparisonStale = false;
    }
    return m_mayDifferFromOpened;
}

void OpenDocument::markChangedSinceOpenedComparison()
{
    m_isOpenedComparisonStale = true;
    setMayDifferFromOpened(true);
}

void OpenDocument::setMayDifferFromOpened(bool mayDiffer)
{
    if (mayDiffer == m_mayDifferFromOpened)
        return;
    m_mayDifferFromOpened = mayDiffer;
    if (hasOpenedVersion())
        Q_EMIT canRevertToOpenedVersionChanged(mayDiffer);
}

void OpenDocument::updateModified()
{
    const bool modified = isModified();
    if (m_window)
        m_window->setWindowModified(modified);
    if (modified == m_lastModified)
        return;
    m_lastModified = modified;
    Q_EMIT modifiedChanged(modified);
}

} // namespace kestrion
