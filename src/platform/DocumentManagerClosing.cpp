#include "platform/DocumentManager.h"

#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace kestrion {

// Closing windows and quitting: nothing unsaved goes without a question.

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

} // namespace kestrion
