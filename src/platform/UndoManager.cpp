#include "platform/UndoManager.h"

#include <QUndoCommand>

#include <utility>

namespace kestrion {

namespace {

// One recorded step of a document.
class DocumentStepCommand : public QUndoCommand {
public:
    explicit DocumentStepCommand(SermonDocument& document)
        : m_document(&document)
    {
    }

    SermonDocument* document() const { return m_document.data(); }

    void undo() override
    {
        if (m_document)
            m_document->undo();
    }

    void redo() override
    {
        // QUndoStack::push redoes a command at once, but the edit does its own first
        // doing after recording.
        if (!m_wasPushed) {
            m_wasPushed = true;
            return;
        }
        if (m_document)
            m_document->redo();
    }

private:
    QPointer<SermonDocument> m_document;
    bool m_wasPushed = false;
};

SermonDocument* documentOf(const QUndoCommand* command)
{
    // Only DocumentStepCommands are ever pushed.
    return command ? static_cast<const DocumentStepCommand*>(command)->document() : nullptr;
}

} // namespace

UndoManager::UndoManager(QObject* parent)
    : QObject(parent)
{
    m_stack.setUndoLimit(undoLimit);
    connect(&m_stack, &QUndoStack::indexChanged, this, &UndoManager::updateAvailability);
    connect(&m_stack, &QUndoStack::cleanChanged, this, &UndoManager::onCleanChanged);
}

UndoManager::~UndoManager()
{
    // The stack goes before the QObject base; no availability update may reach a half-gone
    // manager.
    m_stack.disconnect(this);
}

void UndoManager::registerUndo(SermonDocument& document)
{
    connect(&document, &SermonDocument::undoStackChanged, this, &UndoManager::updateAvailability, Qt::UniqueConnection);
    connect(&document, &SermonDocument::redoStackChanged, this, &UndoManager::updateAvailability, Qt::UniqueConnection);
    connect(&document, &QObject::destroyed, this, &UndoManager::updateAvailability, Qt::UniqueConnection);
    // A step recorded in reaction to an undo or redo waits until the stack has finished
    // moving: pushing in the middle of QUndoStack::undo would corrupt its index.
    if (m_isReplaying) {
        m_pendingSteps.emplace_back(&document);
        return;
    }
    // Pushing drops the redo side, as recording did in the document, and beyond the limit
    // the oldest command, as the document dropped its oldest snapshot.
    m_stack.push(new DocumentStepCommand(document));
}

bool UndoManager::withdrawUndo(SermonDocument& document)
{
    const int index = m_stack.index();
    if (m_isReplaying || index <= 0 || index != m_stack.count() || documentOf(m_stack.command(index - 1)) != &document)
        return false;
    // Undone, an obsolete command leaves the stack without undoing anything; the clean state
    // comes back when the step had left it.
    const_cast<QUndoCommand*>(m_stack.command(index - 1))->setObsolete(true);
    m_stack.undo();
    return true;
}

void UndoManager::replay(void (QUndoStack::*step)())
{
    m_isReplaying = true;
    (m_stack.*step)();
    m_isReplaying = false;
    std::vector<QPointer<SermonDocument>> pending = std::exchange(m_pendingSteps, {});
    for (const QPointer<SermonDocument>& document : pending) {
        if (document)
            m_stack.push(new DocumentStepCommand(*document));
    }
    updateAvailability();
}

bool UndoManager::canUndo() const
{
    const int index = m_stack.index();
    if (index <= 0)
        return false;
    const SermonDocument* document = documentOf(m_stack.command(index - 1));
    return document && !document->undoStack().empty();
}

bool UndoManager::canRedo() const
{
    const int index = m_stack.index();
    if (index >= m_stack.count())
        return false;
    const SermonDocument* document = documentOf(m_stack.command(index));
    return document && !document->redoStack().empty();
}

int UndoManager::undoCount() const
{
    return m_stack.index();
}

int UndoManager::redoCount() const
{
    return m_stack.count() - m_stack.index();
}

bool UndoManager::isClean() const
{
    return m_stack.isClean();
}

void UndoManager::setWindow(QWidget* window)
{
    m_window = window;
    if (m_window)
        m_window->setWindowModified(!isClean());
}

void UndoManager::undo()
{
    if (canUndo())
        replay(&QUndoStack::undo);
}

void UndoManager::redo()
{
    if (canRedo())
        replay(&QUndoStack::redo);
}

void UndoManager::setClean()
{
    m_stack.setClean();
}

void UndoManager::updateAvailability()
{
    // Mid-step the document and the stack disagree for a moment; report only the outcome.
    if (m_isReplaying)
        return;
    const bool undoable = canUndo();
    const bool redoable = canRedo();
    if (undoable != m_canUndo) {
        m_canUndo = undoable;
        Q_EMIT canUndoChanged(undoable);
    }
    if (redoable != m_canRedo) {
        m_canRedo = redoable;
        Q_EMIT canRedoChanged(redoable);
    }
}

void UndoManager::onCleanChanged(bool clean)
{
    if (m_window)
        m_window->setWindowModified(!clean);
    Q_EMIT cleanChanged(clean);
}

} // namespace kestrion
