#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonMetadata.h"
#include "document/SermonNode.h"
#include "document/UnreadableFrontMatter.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>
#include <vector>

namespace kestrion {

class UndoRegistrar;

// One open sermon: its details, its outline and its own undo history of whole-tree
// snapshots. The history here is the truth; the window's undo manager only mirrors it.
//
// Undo and redo have one path per situation. In a window, every step is recorded with the
// window's UndoManager and undone or redone through it (menu, shortcuts, column keys); its
// commands call undo() and redo() here. Without a window (tests, headless tools) callers
// record with no registrar and call undo() and redo() directly.
//
// Setters store silently when the value is unchanged; every change is signalled
// synchronously, in the order the fields are written.
class SermonDocument : public QObject {
    Q_OBJECT

public:
    struct UndoSnapshot {
        // A copy keeping every node's id, never changed: the live tree holds none of its
        // nodes, though other steps may share the ones an edit left alone.
        SermonNodePtr root;
        SermonMetadata metadata;
        std::optional<QUuid> selectedNodeID;
        // Undoing the edit that replaced an unreadable front matter brings it back.
        std::optional<UnreadableFrontMatter> unreadableFrontMatter;
    };

    enum class ReadError {
        None,
        // No contents, bytes that are not UTF-8, or empty text.
        CorruptFile,
    };

    static constexpr qsizetype undoLimit = 50;

    // A new document starts like a read one: empty history, generation 0, no ids. A null
    // root stands for a new sermon without a title given.
    explicit SermonDocument(SermonNodePtr root = nullptr, SermonMetadata metadata = {}, QObject* parent = nullptr);
    ~SermonDocument() override;

    // Opening a file. Returns null, and sets error to CorruptFile, when the contents are
    // empty or not UTF-8; a byte-order mark is skipped. A front matter that cannot be read
    // does not fail: the details fall back to their defaults and the block is kept
    // (unreadableFrontMatter).
    static std::unique_ptr<SermonDocument> readDocument(
        const QByteArray& contents, ReadError* error = nullptr, QObject* parent = nullptr);
    // The text of a file's bytes, or none when they are empty, not UTF-8, or only a
    // byte-order mark. Safe on any thread.
    static std::optional<QString> decodeFileText(const QByteArray& contents);

    // Writes a node's text in place with no step of its own (the column editor's keystrokes)
    // and tells of it: nodeTextWritten, then contentEdited. False when the text was the same.
    bool writeNodeText(SermonNode& node, const QString& text);
    // Tells of nodes that their writer changed with no step of its own (contentEdited).
    void announceContentEdited();

    // Counts what this document tells of that may change the tree: steps recorded and
    // withdrawn, undos and redos, texts written in place, titles, roots. A view that has laid
    // out the tree since the count last moved is up to date with it; one that has not learns
    // that another view of the document changed the tree.
    quint64 changeCount() const { return m_changeCount; }

    // Saving: the whole file text, and that text as the bytes to write (UTF-8 without a
    // byte-order mark).
    QString snapshot() const;
    // The file text with some nodes' texts replaced (typing not yet committed); the tree
    // itself is left as it is.
    QString snapshot(const MarkdownCodec::ReplacedTexts& replacedTexts) const;
    static QByteArray fileContents(const QString& snapshot);

    // Folded nodes that a view opened only for a while (a search showing its matches), named
    // by each view for itself; an empty set takes the view's back. What is written, to the file
    // or an undo step, holds them folded: the folds as the user set them.
    void setPassingUnfolds(const void* view, const QSet<QUuid>& ids);
    QSet<QUuid> passingUnfolds() const;

    // The MIME type of sermon files, the only type the open dialog offers.
    static QString documentContentType();
    static QStringList readableContentTypes();

    const SermonMetadata& metadata() const { return m_metadata; }
    // Changing the details is editing them: it also drops a kept unreadable front matter,
    // which the new details replace in the file. Setting equal details keeps it. Undo and
    // redo restore both together.
    bool setMetadata(const SermonMetadata& metadata);

    // The front matter of the file that could not be decoded, while the details have not
    // been edited since; saving writes it back unchanged instead of the details.
    const std::optional<UnreadableFrontMatter>& unreadableFrontMatter() const { return m_unreadableFrontMatter; }

    const SermonNodePtr& root() const { return m_root; }
    // The title is the root node's text. Nodes tell nobody of their changes; a title set here
    // is announced (titleChanged), so every view of the document follows it at once.
    QString title() const { return m_root->text(); }
    bool setTitle(const QString& title);
    // Refuses a null root.
    bool setRoot(SermonNodePtr root);

    // Oldest first, at most undoLimit entries.
    const std::vector<UndoSnapshot>& undoStack() const { return m_undoStack; }
    // Most recently undone last.
    const std::vector<UndoSnapshot>& redoStack() const { return m_redoStack; }

    qint64 undoRedoGeneration() const { return m_undoRedoGeneration; }
    const std::optional<QUuid>& lastRestoredNodeID() const { return m_lastRestoredNodeID; }

    const std::optional<QUuid>& currentSelectedNodeID() const { return m_currentSelectedNodeID; }
    bool setCurrentSelectedNodeID(const std::optional<QUuid>& id);

    // Called by every edit just before it changes the tree or the details. Pushes a
    // snapshot (dropping the oldest beyond undoLimit), clears the redo history and, when a
    // registrar is given, registers the step with it.
    void recordUndo(const std::optional<QUuid>& selectedNodeID, UndoRegistrar* undoManager = nullptr);
    // Takes back the latest step while the tree and the details are still as it holds them,
    // so that an edit that ended where it began (a new point left before anything was typed
    // into it) leaves no step and no edited mark. Nothing may have been undone since. Costs
    // one walk of the tree. Returns whether the step went.
    bool withdrawUnchangedStep(UndoRegistrar* undoManager = nullptr);
    // Both do nothing on an empty stack. The restored tree replaces root; whoever holds the
    // old root must read root() again (rootChanged). Nodes that the step left as they were
    // stay the same objects; every other node, and every ancestor of one, is new.
    void undo();
    void redo();
    // Puts the tree and the details of another document (a file read again) in place of
    // these, as one step recorded like any edit. It is told of as an undo is (a new
    // generation, no node to select), so that every view takes the new tree.
    void replaceContents(std::unique_ptr<SermonDocument> source, UndoRegistrar* undoManager = nullptr);
    // Words typed into a node that has since left the tree (through another view), put into the
    // state of the tree that the history kept just before: the latest undo step, or after an
    // undo the latest redo step. Stepping back there brings the node back as it was typed.
    // False, changing nothing, when that state does not hold the node or holds it with this text.
    bool keepTypedText(const QUuid& id, const QString& text);

Q_SIGNALS:
    void metadataChanged();
    void unreadableFrontMatterChanged();
    void rootChanged();
    void undoStackChanged();
    void redoStackChanged();
    void undoRedoGenerationChanged(qint64 generation);
    void lastRestoredNodeIDChanged();
    void currentSelectedNodeIDChanged();
    // The tree changed without a step of its own (the text of a node that its creation step
    // already covers); whoever saves the document must still see the change.
    void contentEdited();
    // Just before the contentEdited of writeNodeText: by how many the sermon's words changed,
    // so that a count need not walk the whole tree for each keystroke.
    void nodeTextWritten(qint64 wordChange);
    // The root node's text was set through setTitle.
    void titleChanged();

private:
    UndoSnapshot makeSnapshot(const std::optional<QUuid>& selectedNodeID);
    void restore(UndoSnapshot&& snapshot);
    void setUnreadableFrontMatter(std::optional<UnreadableFrontMatter> frontMatter);

    SermonMetadata m_metadata;
    std::optional<UnreadableFrontMatter> m_unreadableFrontMatter;
    SermonNodePtr m_root;
    std::vector<UndoSnapshot> m_undoStack;
    std::vector<UndoSnapshot> m_redoStack;
    // The snapshot tree last made or restored: the next snapshot shares what is unchanged
    // since with it.
    SermonNodePtr m_snapshotBase;
    qint64 m_undoRedoGeneration = 0;
    quint64 m_changeCount = 0;
    // Whether the tree as it stood before the latest change went onto the redo stack (an undo)
    // rather than the undo stack.
    bool m_isLatestStateOnRedo = false;
    std::optional<QUuid> m_lastRestoredNodeID;
    std::optional<QUuid> m_currentSelectedNodeID;
    QHash<const void*, QSet<QUuid>> m_passingUnfolds;
};

} // namespace kestrion
