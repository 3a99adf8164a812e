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
    if (!askBeforeClosing(document))
        return false;
    finishClose(document);
    return true;
}

bool DocumentManager::mayBeginClosing(const OpenDocument& document) const
{
    if (document.isBusy())
        return false;
    QWidget* sheet = document.window() ? document.window()->openSheet() : nullptr;
    if (!sheet)
        return true;
    // What is typed there is the user's to finish or cancel; the sheet shows why nothing closed.
    sheet->raise();
    sheet->activateWindow();
    return false;
}

bool DocumentManager::askBeforeClosing(OpenDocument& document)
{
    if (!mayBeginClosing(document))
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
    return true;
}

bool DocumentManager::mayCloseAfterAsking(OpenDocument& document)
{
    commitPendingEdits(document);
    document.m_autosaveTimer->stop();
    document.m_hasPendingAutosave = false;
    // Answered already, while quitting: asked again only when the text changed since.
    if (document.m_contentsToDrop && *document.m_contentsToDrop == document.currentContents())
        return true;
    document.m_contentsToDrop.reset();

    bool mayClose = true;
    if (document.hasUnsavedChanges()) {
        bool askToSave = document.isUntitled();
        QString reason = tr("Your changes will be lost if you don't save them.");
        if (!document.isUntitled()) {
            switch (saveInPlace(document, false, true)) {
            case WriteResult::Written:
            case WriteResult::SavedElsewhere:
                break;
            case WriteResult::Discarded:
                document.m_contentsToDrop = document.currentContents();
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
            DocumentDialogs::SaveChoice choice = DocumentDialogs::SaveChoice::Cancel;
            askOver(document, [this, &document, &reason, &choice](QWidget* parent) {
                choice = m_dialogs->askToSaveChanges(parent, document.displayName(), reason);
            });
            switch (choice) {
            case DocumentDialogs::SaveChoice::Save:
                mayClose = askWhereAndSave(document);
                break;
            case DocumentDialogs::SaveChoice::DontSave:
                document.m_contentsToDrop = document.currentContents();
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
    // Refused while a dialog over the window is open: its loop would delete the window.
    Q_ASSERT(document.m_openDialogs == 0);
    document.m_isClosing = true;
    discardRecoveryCopy(document);
    dropOpenedVersion(document);
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
    // One window that cannot close now keeps them all, before any has gone.
    if (!std::all_of(m_documents.begin(), m_documents.end(),
            [this](const OpenDocument* document) { return mayBeginClosing(*document); }))
        return false;
    const std::vector<QPointer<OpenDocument>> documents(m_documents.begin(), m_documents.end());
    const auto keepOpen = [this, &documents] {
        for (const QPointer<OpenDocument>& document : documents) {
            if (!document || document->m_isClosing)
                continue;
            document->m_contentsToDrop.reset();
            if (document->hasUnsavedChanges())
                documentChanged(*document);
        }
        return false;
    };
    // Every question before any window closes, so that a Cancel at the last one leaves them
    // all; and again for text typed while another question waited, until no answer is stale.
    const auto needsAsking = [this](OpenDocument& document) {
        commitPendingEdits(document);
        const QByteArray contents = document.currentContents();
        return document.differsFromSaved(contents) && document.m_contentsToDrop != contents;
    };
    for (bool asked = true; asked;) {
        asked = false;
        for (const QPointer<OpenDocument>& document : documents) {
            if (!document || document->m_isClosing || !needsAsking(*document))
                continue;
            asked = true;
            // Answered and still unsettled would ask for ever: it stays, and so do the rest.
            if (!askBeforeClosing(*document) || !document || needsAsking(*document))
                return keepOpen();
        }
    }
    for (const QPointer<OpenDocument>& document : documents) {
        if (document && !document->m_isClosing && !close(*document))
            return keepOpen();
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
