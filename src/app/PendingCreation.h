#pragma once

#include "document/SermonMetadata.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

namespace kestrion {

class DocumentManager;
class OpenDocument;
class SermonDocument;

// The hand-over of a new sermon's title and details from the new-sermon window to the
// document made for them: createNewSermon puts them in the box and asks the document
// machinery for a new document, whose factory takes them out again, exactly once.
class PendingCreation {
public:
    struct Pending {
        QString title;
        SermonMetadata metadata;
    };

    // The process's one box.
    static PendingCreation& shared();

    PendingCreation() = default;
    PendingCreation(const PendingCreation&) = delete;
    PendingCreation& operator=(const PendingCreation&) = delete;

    // Replaces whatever waits.
    void put(Pending pending);
    // What waits, leaving the box empty.
    std::optional<Pending> take();

private:
    std::mutex m_lock;
    std::optional<Pending> m_pending;
};

// The factory of new documents: built from what waits in the shared box (root text = the
// title, unchanged; details = the waiting ones), else a new sermon titled "New Sermon".
std::unique_ptr<SermonDocument> makeNewDocument();

// Puts the title and details in the shared box and opens a new untitled document for them,
// named sanitizedFileName(title). When no document could be made, the item stays in the box
// for the next one, the failure is logged, and the result is null.
OpenDocument* createNewSermon(DocumentManager& manager, const QString& title, const SermonMetadata& metadata);

} // namespace kestrion
