#include "app/PendingCreation.h"

#include "document/SermonDocument.h"
#include "document/SermonNode.h"
#include "platform/DocumentManager.h"
#include "platform/SanitizedFileName.h"

namespace kestrion {

PendingCreation& PendingCreation::shared()
{
    static PendingCreation box;
    return box;
}

void PendingCreation::put(Pending pending)
{
    const std::lock_guard lock(m_lock);
    m_pending = std::move(pending);
}

std::optional<PendingCreation::Pending> PendingCreation::take()
{
    const std::lock_guard lock(m_lock);
    return std::exchange(m_pending, std::nullopt);
}

std::unique_ptr<SermonDocument> makeNewDocument()
{
    std::optional<PendingCreation::Pending> pending = PendingCreation::shared().take();
    if (!pending)
        return std::make_unique<SermonDocument>();
    return std::make_unique<SermonDocument>(SermonNode::create(pending->title, 0), std::move(pending->metadata));
}

OpenDocument* createNewSermon(DocumentManager& manager, const QString& title, const SermonMetadata& metadata)
{
    PendingCreation::Pending item { title, metadata };
    PendingCreation::shared().put(item);
    OpenDocument* document = manager.newDocument(makeNewDocument(), sanitizedFileName(title));
    if (!document) {
        PendingCreation::shared().put(std::move(item));
        qWarning("openUntitledDocumentAndDisplay failed: no document could be made");
    }
    return document;
}

} // namespace kestrion
