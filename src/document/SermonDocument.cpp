#include "document/SermonDocument.h"

#include "document/MarkdownCodec.h"
#include "document/UndoRegistrar.h"
#include "document/WordCount.h"

#include <QStringDecoder>

#include <utility>

namespace kestrion {

SermonDocument::SermonDocument(SermonNodePtr root, SermonMetadata metadata, QObject* parent)
    : QObject(parent)
    , m_metadata(std::move(metadata))
    , m_root(root ? std::move(root) : SermonNode::create(QStringLiteral("New Sermon")))
{
}

SermonDocument::~SermonDocument() = default;

std::optional<QString> SermonDocument::decodeFileText(const QByteArray& contents)
{
    if (contents.isEmpty())
        return std::nullopt;
    // Stateless: a sequence cut off at the end of the file is an error, not pending input.
    // The default flags skip a leading byte-order mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(contents);
    if (decoder.hasError() || text.isEmpty())
        return std::nullopt;
    return text;
}

std::unique_ptr<SermonDocument> SermonDocument::readDocument(
    const QByteArray& contents, ReadError* error, QObject* parent)
{
    auto fail = [error]() -> std::unique_ptr<SermonDocument> {
        if (error)
            *error = ReadError::CorruptFile;
        return nullptr;
    };
    const std::optional<QString> text = decodeFileText(contents);
    if (!text)
        return fail();
    MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(*text);
    SermonNodePtr root = MarkdownCodec::parseDocument(split.bodyLines);
    if (!root)
        return fail();
    if (error)
        *error = ReadError::None;
    auto document = std::make_unique<SermonDocument>(std::move(root), std::move(split.metadata), parent);
    document->m_unreadableFrontMatter = std::move(split.unreadableFrontMatter);
    return document;
}

bool SermonDocument::writeNodeText(SermonNode& node, const QString& text)
{
    const qint64 before = countWords(node.text());
    if (!node.setText(text))
        return false;
    ++m_changeCount;
    Q_EMIT nodeTextWritten(countWords(node.text()) - before);
    Q_EMIT contentEdited();
    return true;
}

void SermonDocument::announceContentEdited()
{
    ++m_changeCount;
    Q_EMIT contentEdited();
}

QString SermonDocument::snapshot() const
{
    return snapshot({});
}

QString SermonDocument::snapshot(const MarkdownCodec::ReplacedTexts& replacedTexts) const
{
    return MarkdownCodec::serializeDocument(
        m_root, m_metadata, m_unreadableFrontMatter, replacedTexts, passingUnfolds());
}

void SermonDocument::setPassingUnfolds(const void* view, const QSet<QUuid>& ids)
{
    if (ids.isEmpty())
        m_passingUnfolds.remove(view);
    else
        m_passingUnfolds.insert(view, ids);
}

QSet<QUuid> SermonDocument::passingUnfolds() const
{
    if (m_passingUnfolds.size() == 1)
        return m_passingUnfolds.cbegin().value();
    QSet<QUuid> all;
    for (const QSet<QUuid>& ids : m_passingUnfolds)
        all.unite(ids);
    return all;
}

QByteArray SermonDocument::fileContents(const QString& snapshot)
{
    return snapshot.toUtf8();
}

QString SermonDocument::documentContentType()
{
    return QStringLiteral("text/markdown");
}

QStringList SermonDocument::readableContentTypes()
{
    return { documentContentType() };
}

bool SermonDocument::setMetadata(const SermonMetadata& metadata)
{
    if (m_metadata == metadata)
        return false;
    m_metadata = metadata;
    setUnreadableFrontMatter(std::nullopt);
    Q_EMIT metadataChanged();
    return true;
}

void SermonDocument::setUnreadableFrontMatter(std::optional<UnreadableFrontMatter> frontMatter)
{
    if (m_unreadableFrontMatter == frontMatter)
        return;
    m_unreadableFrontMatter = std::move(frontMatter);
    Q_EMIT unreadableFrontMatterChanged();
}

bool SermonDocument::setRoot(SermonNodePtr root)
{
    if (!root || root == m_root)
        return false;
    m_root = std::move(root);
    ++m_changeCount;
    Q_EMIT rootChanged();
    return true;
}

bool SermonDocument::setTitle(const QString& title)
{
    if (!m_root->setText(title))
        return false;
    ++m_changeCount;
    Q_EMIT titleChanged();
    return true;
}

bool SermonDocument::setCurrentSelectedNodeID(const std::optional<QUuid>& id)
{
    if (m_currentSelectedNodeID == id)
        return false;
    m_currentSelectedNodeID = id;
    Q_EMIT currentSelectedNodeIDChanged();
    return true;
}

SermonDocument::UndoSnapshot SermonDocument::makeSnapshot(const std::optional<QUuid>& selectedNodeID)
{
    m_snapshotBase = m_root->sharingCopy(m_snapshotBase, passingUnfolds());
    return { m_snapshotBase, m_metadata, selectedNodeID, m_unreadableFrontMatter };
}

void SermonDocument::recordUndo(const std::optional<QUuid>& selectedNodeID, UndoRegistrar* undoManager)
{
    m_undoStack.push_back(makeSnapshot(selectedNodeID));
    if (static_cast<qsizetype>(m_undoStack.size()) > undoLimit)
        m_undoStack.erase(m_undoStack.begin());
    m_isLatestStateOnRedo = false;
    // Counted before the change it announces: whoever lays out once the change is made is up
    // to date with it.
    ++m_changeCount;
    Q_EMIT undoStackChanged();
    if (!m_redoStack.empty()) {
        m_redoStack.clear();
        Q_EMIT redoStackChanged();
    }
    if (undoManager)
        undoManager->registerUndo(*this);
}

bool SermonDocument::withdrawUnchangedStep(UndoRegistrar* undoManager)
{
    if (m_undoStack.empty() || !m_redoStack.empty())
        return false;
    const UndoSnapshot& latest = m_undoStack.back();
    // The latest snapshot made is the base that a copy of an unchanged tree would be.
    if (latest.root != m_snapshotBase || latest.metadata != m_metadata
        || latest.unreadableFrontMatter != m_unreadableFrontMatter
        || m_root->sharingCopy(m_snapshotBase, passingUnfolds()) != m_snapshotBase)
        return false;
    if (undoManager && !undoManager->withdrawUndo(*this))
        return false;
    m_undoStack.pop_back();
    ++m_changeCount;
    Q_EMIT undoStackChanged();
    return true;
}

void SermonDocument::undo()
{
    if (m_undoStack.empty())
        return;
    UndoSnapshot snapshot = std::move(m_undoStack.back());
    m_undoStack.pop_back();
    Q_EMIT undoStackChanged();
    m_redoStack.push_back(makeSnapshot(m_currentSelectedNodeID));
    m_isLatestStateOnRedo = true;
    Q_EMIT redoStackChanged();
    restore(std::move(snapshot));
}

void SermonDocument::redo()
{
    if (m_redoStack.empty())
        return;
    UndoSnapshot snapshot = std::move(m_redoStack.back());
    m_redoStack.pop_back();
    Q_EMIT redoStackChanged();
    // Every redo entry came off the undo stack, so this never exceeds the limit.
    m_undoStack.push_back(makeSnapshot(m_currentSelectedNodeID));
    m_isLatestStateOnRedo = false;
    Q_EMIT undoStackChanged();
    restore(std::move(snapshot));
}

void SermonDocument::replaceContents(std::unique_ptr<SermonDocument> source, UndoRegistrar* undoManager)
{
    if (!source)
        return;
    recordUndo(m_currentSelectedNodeID, undoManager);
    // Put in as an undo puts a tree back, so every view lays it out and selects afresh.
    restore(
        { source->m_root, std::move(source->m_metadata), std::nullopt, std::move(source->m_unreadableFrontMatter) });
}

bool SermonDocument::keepTypedText(const QUuid& id, const QString& text)
{
    std::vector<UndoSnapshot>& stack = m_isLatestStateOnRedo ? m_redoStack : m_undoStack;
    if (stack.empty())
        return false;
    UndoSnapshot& kept = stack.back();
    const SermonNodePtr node = kept.root->findNode(id);
    if (!node || node->text() == text)
        return false;
    // Steps share nodes, so the kept tree is not changed but replaced by a copy that differs in
    // that one text.
    kept.root = kept.root->copyWithText(id, text);
    if (m_isLatestStateOnRedo)
        Q_EMIT redoStackChanged();
    else
        Q_EMIT undoStackChanged();
    return true;
}

void SermonDocument::restore(UndoSnapshot&& snapshot)
{
    // Other steps may share the snapshot's nodes, so the tree to edit is built anew from it,
    // taking over the present nodes it holds as they are: a step undone changes only the
    // nodes it touched. The snapshot becomes the base of the next one.
    m_snapshotBase = std::move(snapshot.root);
    SermonNodePtr root = m_snapshotBase->sharingCopy(m_root);
    // The steps keep them folded; the tree on screen keeps them open while the view needs them.
    // No node of the tree is one of a step's, so opening them changes no step.
    setCollapsedWhere(root, passingUnfolds(), false);
    setRoot(std::move(root));
    // Both before either signal, so that no observer sees the details of one state with the
    // kept block of another.
    const bool detailsChanged = m_metadata != snapshot.metadata;
    m_metadata = std::move(snapshot.metadata);
    setUnreadableFrontMatter(std::move(snapshot.unreadableFrontMatter));
    if (detailsChanged)
        Q_EMIT metadataChanged();
    if (m_lastRestoredNodeID != snapshot.selectedNodeID) {
        m_lastRestoredNodeID = snapshot.selectedNodeID;
        Q_EMIT lastRestoredNodeIDChanged();
    }
    ++m_undoRedoGeneration;
    ++m_changeCount;
    Q_EMIT undoRedoGenerationChanged(m_undoRedoGeneration);
}

} // namespace kestrion
