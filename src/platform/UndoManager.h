#pragma once

#include "document/SermonDocument.h"
#include "document/UndoRegistrar.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

#include <vector>

namespace kestrion {

// The window's undo manager: a thin mirror of the document's own history on a QUndoStack.
// Each recorded step pushes one command whose undo and redo call SermonDocument::undo and
// ::redo, so the window's Undo and Redo are always the document's. Both sides hold at most
// SermonDocument::undoLimit steps and drop their oldest together, and Undo or Redo is only
// offered while the document has a step to restore. The clean state drives the window's
// edited mark. Needs no window of its own.
class UndoManager : public QObject, public UndoRegistrar {
    Q_OBJECT

public:
    static constexpr int undoLimit = static_cast<int>(SermonDocument::undoLimit);

    explicit UndoManager(QObject* parent = nullptr);
    ~UndoManager() override;

    void registerUndo(SermonDocument& document) override;
    // Drops the latest step when it is the document's and nothing lies above it.
    bool withdrawUndo(SermonDocument& document) override;

    bool canUndo() const;
    bool canRedo() const;
    // The steps held on each side of the present state.
    int undoCount() const;
    int redoCount() const;

    // Clean while the present state is the one last saved.
    bool isClean() const;

    // The window whose edited mark follows the clean state; may be null.
    QWidget* window() const { return m_window; }
    void setWindow(QWidget* window);

public Q_SLOTS:
    void undo();
    void redo();
    // Called after a successful save.
    void setClean();

Q_SIGNALS:
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);
    void cleanChanged(bool clean);

private Q_SLOTS:
    void updateAvailability();

private:
    void replay(void (QUndoStack::*step)());
    void onCleanChanged(bool clean);

    QUndoStack m_stack;
    QPointer<QWidget> m_window;
    bool m_canUndo = false;
    bool m_canRedo = false;
    bool m_isReplaying = false;
    std::vector<QPointer<SermonDocument>> m_pendingSteps;
};

} // namespace kestrion
