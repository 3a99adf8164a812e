#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QWidget>

#include <random>

using namespace kestrion;

namespace {

struct Window {
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr point = root->addChild(QStringLiteral("v0"));
    SermonDocument document { root };
    UndoManager undoManager;

    QString text() const { return document.root()->findNode(point->id())->text(); }

    // One edit as the controller makes it: record with the window's manager, then change.
    void edit(const QString& text)
    {
        document.recordUndo(point->id(), &undoManager);
        document.root()->findNode(point->id())->setText(text);
    }

    void expectInStep() const
    {
        EXPECT_EQ(undoManager.undoCount(), static_cast<int>(document.undoStack().size()));
        EXPECT_EQ(undoManager.redoCount(), static_cast<int>(document.redoStack().size()));
        EXPECT_EQ(undoManager.canUndo(), !document.undoStack().empty());
        EXPECT_EQ(undoManager.canRedo(), !document.redoStack().empty());
    }
};

} // namespace

TEST(UndoManagerTest, RegisteringAStepLeavesTheDocumentAsTheEditMadeIt)
{
    Window w;
    QSignalSpy generationSpy(&w.document, &SermonDocument::undoRedoGenerationChanged);
    QSignalSpy canUndoSpy(&w.undoManager, &UndoManager::canUndoChanged);
    w.edit(QStringLiteral("v1"));
    // QUndoStack redoes a pushed command at once; that must not replay anything.
    EXPECT_EQ(w.text(), QStringLiteral("v1"));
    EXPECT_EQ(generationSpy.count(), 0);
    EXPECT_TRUE(w.document.redoStack().empty());
    EXPECT_TRUE(w.undoManager.canUndo());
    EXPECT_FALSE(w.undoManager.canRedo());
    ASSERT_EQ(canUndoSpy.count(), 1);
    EXPECT_TRUE(canUndoSpy.front().front().toBool());
    w.expectInStep();
}

TEST(UndoManagerTest, UndoAndRedoGoThroughTheDocument)
{
    Window w;
    w.edit(QStringLiteral("v1"));
    w.edit(QStringLiteral("v2"));
    w.document.setCurrentSelectedNodeID(w.root->id());

    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v1"));
    EXPECT_EQ(w.document.undoRedoGeneration(), 1);
    EXPECT_EQ(w.document.lastRestoredNodeID(), w.point->id());
    EXPECT_TRUE(w.undoManager.canRedo());
    w.expectInStep();

    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v0"));
    EXPECT_FALSE(w.undoManager.canUndo());
    w.expectInStep();

    w.undoManager.redo();
    w.undoManager.redo();
    EXPECT_EQ(w.text(), QStringLiteral("v2"));
    EXPECT_EQ(w.document.undoRedoGeneration(), 4);
    EXPECT_EQ(w.document.lastRestoredNodeID(), w.root->id());
    EXPECT_FALSE(w.undoManager.canRedo());
    w.expectInStep();

    // Nothing left to redo: nothing happens.
    w.undoManager.redo();
    EXPECT_EQ(w.document.undoRedoGeneration(), 4);
}

TEST(UndoManagerTest, NeverOffersMoreStepsThanTheDocumentHolds)
{
    Window w;
    for (int i = 1; i <= 60; ++i)
        w.edit(QStringLiteral("v%1").arg(i));
    EXPECT_EQ(w.undoManager.undoCount(), 50);
    w.expectInStep();

    int undone = 0;
    while (w.undoManager.canUndo()) {
        const qint64 generation = w.document.undoRedoGeneration();
        w.undoManager.undo();
        // Every offered Undo restores something.
        ASSERT_EQ(w.document.undoRedoGeneration(), generation + 1);
        ++undone;
    }
    EXPECT_EQ(undone, 50);
    EXPECT_EQ(w.text(), QStringLiteral("v10"));
    w.expectInStep();
}

TEST(UndoManagerTest, ANewStepAfterUndoDropsRedoOnBothSides)
{
    Window w;
    w.edit(QStringLiteral("v1"));
    w.edit(QStringLiteral("v2"));
    w.undoManager.undo();
    w.undoManager.undo();
    QSignalSpy canRedoSpy(&w.undoManager, &UndoManager::canRedoChanged);
    w.edit(QStringLiteral("w1"));
    EXPECT_FALSE(w.undoManager.canRedo());
    EXPECT_EQ(w.undoManager.redoCount(), 0);
    ASSERT_EQ(canRedoSpy.count(), 1);
    EXPECT_FALSE(canRedoSpy.front().front().toBool());
    w.expectInStep();
    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v0"));
}

TEST(UndoManagerTest, StepsTakenPastTheManagerAreNotOfferedAgain)
{
    {
        // A record without the manager drops the redo history the manager still holds.
        Window w;
        w.edit(QStringLiteral("v1"));
        w.undoManager.undo();
        EXPECT_TRUE(w.undoManager.canRedo());
        QSignalSpy canRedoSpy(&w.undoManager, &UndoManager::canRedoChanged);
        w.document.recordUndo(std::nullopt);
        EXPECT_FALSE(w.undoManager.canRedo());
        EXPECT_EQ(canRedoSpy.count(), 1);
        const qint64 generation = w.document.undoRedoGeneration();
        w.undoManager.redo();
        EXPECT_EQ(w.document.undoRedoGeneration(), generation);
    }
    {
        // Undos straight on the document use up what the manager would offer.
        Window w;
        w.edit(QStringLiteral("v1"));
        w.edit(QStringLiteral("v2"));
        QSignalSpy canUndoSpy(&w.undoManager, &UndoManager::canUndoChanged);
        w.document.undo();
        EXPECT_TRUE(w.undoManager.canUndo());
        w.document.undo();
        EXPECT_FALSE(w.undoManager.canUndo());
        EXPECT_EQ(canUndoSpy.count(), 1);
        w.undoManager.undo();
        EXPECT_EQ(w.document.undoRedoGeneration(), 2);
        EXPECT_EQ(w.text(), QStringLiteral("v0"));
    }
}

TEST(UndoManagerTest, CleanStateDrivesTheWindowsEditedMark)
{
    Window w;
    QWidget window;
    w.undoManager.setWindow(&window);
    QSignalSpy cleanSpy(&w.undoManager, &UndoManager::cleanChanged);
    EXPECT_TRUE(w.undoManager.isClean());
    EXPECT_FALSE(window.isWindowModified());

    w.edit(QStringLiteral("v1"));
    EXPECT_FALSE(w.undoManager.isClean());
    EXPECT_TRUE(window.isWindowModified());
    w.undoManager.undo();
    EXPECT_TRUE(w.undoManager.isClean());
    EXPECT_FALSE(window.isWindowModified());
    w.undoManager.redo();
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_EQ(cleanSpy.count(), 3);

    // Saved after the edit: undoing it makes the window edited again.
    w.undoManager.setClean();
    EXPECT_FALSE(window.isWindowModified());
    w.undoManager.undo();
    EXPECT_TRUE(window.isWindowModified());

    // A window set later takes the present state.
    QWidget other;
    w.undoManager.setWindow(&other);
    EXPECT_TRUE(other.isWindowModified());
}

// A new point left before anything was typed into it: its step goes from both histories,
// and with it the edited mark. A step that changed something, or lies below one undone, stays.
TEST(UndoManagerTest, AStepThatChangedNothingIsWithdrawnFromBothHistories)
{
    Window w;
    QWidget window;
    w.undoManager.setWindow(&window);
    w.edit(QStringLiteral("v1"));
    w.undoManager.setClean();
    w.document.recordUndo(w.point->id(), &w.undoManager);
    const SermonNodePtr added = w.document.root()->addChild(QString());
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_FALSE(w.document.withdrawUnchangedStep(&w.undoManager));
    w.document.root()->removeNode(added->id());
    EXPECT_TRUE(w.document.withdrawUnchangedStep(&w.undoManager));
    EXPECT_FALSE(window.isWindowModified());
    w.expectInStep();
    EXPECT_EQ(w.undoManager.undoCount(), 1);
    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v0"));

    w.undoManager.redo();
    w.edit(QStringLiteral("v2"));
    w.document.recordUndo(w.point->id(), &w.undoManager);
    w.undoManager.undo();
    EXPECT_FALSE(w.document.withdrawUnchangedStep(&w.undoManager));
    w.expectInStep();
    EXPECT_EQ(w.undoManager.undoCount(), 2);
}

TEST(UndoManagerTest, ASavedStateDroppedBeyondTheLimitIsNeverCleanAgain)
{
    Window w;
    w.edit(QStringLiteral("v1"));
    w.undoManager.setClean();
    for (int i = 2; i <= 55; ++i)
        w.edit(QStringLiteral("v%1").arg(i));
    while (w.undoManager.canUndo()) {
        w.undoManager.undo();
        EXPECT_FALSE(w.undoManager.isClean());
    }
}

TEST(UndoManagerTest, OutlivesItsDocument)
{
    UndoManager undoManager;
    {
        SermonDocument document;
        document.recordUndo(std::nullopt, &undoManager);
        EXPECT_TRUE(undoManager.canUndo());
    }
    EXPECT_FALSE(undoManager.canUndo());
    undoManager.undo();
    EXPECT_EQ(undoManager.undoCount(), 1);
}

TEST(UndoManagerTest, RandomEditsUndosAndRedosKeepBothHistoriesInStep)
{
    for (const unsigned seed : { 5u, 17u, 99u }) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        Window w;
        int edits = 0;
        for (int step = 0; step < 400; ++step) {
            switch (pick(5)) {
            case 0:
            case 1:
                w.edit(QStringLiteral("e%1").arg(++edits));
                break;
            case 2:
            case 3:
                w.undoManager.undo();
                break;
            default:
                w.undoManager.redo();
            }
            ASSERT_NO_FATAL_FAILURE(w.expectInStep()) << "seed " << seed << " step " << step;
        }
    }
}

TEST(UndoManagerTest, AStepRecordedWhileUndoingIsRegisteredAfterwards)
{
    Window w;
    w.edit(QStringLiteral("v1"));
    w.edit(QStringLiteral("v2"));
    bool recorded = false;
    QObject::connect(&w.document, &SermonDocument::undoRedoGenerationChanged, [&] {
        if (recorded)
            return;
        recorded = true;
        w.edit(QStringLiteral("during undo"));
    });
    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("during undo"));
    w.expectInStep();
    EXPECT_EQ(w.undoManager.undoCount(), 2);
    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v1"));
    w.undoManager.undo();
    EXPECT_EQ(w.text(), QStringLiteral("v0"));
    w.expectInStep();
}
