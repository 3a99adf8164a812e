#pragma once

namespace kestrion {

class SermonDocument;

// The window's undo manager as the document sees it. The document keeps its own history;
// a registrar only learns that one more step can be undone, so that the window can offer
// Undo and mark itself edited. The implementation lives with the platform (UndoManager).
class UndoRegistrar {
public:
    virtual ~UndoRegistrar() = default;

    // Called by SermonDocument::recordUndo right after it pushed a snapshot.
    virtual void registerUndo(SermonDocument& document) = 0;
    // Called by SermonDocument::withdrawUnchangedStep before it drops its latest step: the
    // registrar drops the step it registered last for the document and answers true, or
    // answers false and the document keeps its step.
    virtual bool withdrawUndo(SermonDocument& document) = 0;

protected:
    UndoRegistrar() = default;
    UndoRegistrar(const UndoRegistrar&) = default;
    UndoRegistrar& operator=(const UndoRegistrar&) = default;
};

} // namespace kestrion
