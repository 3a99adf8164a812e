#pragma once

#include "columns/ColumnCanvas.h"
#include "columns/ColumnEditorOverlay.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "support/FakeClipboard.h"
#include "support/ManualClock.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace kestrion::test {

// A shown columns canvas, 1000 by 600, over a small sermon, on a clock the test moves:
//
//   Title
//     First point        (a)
//       Alpha one        (a1)
//       Alpha two        (a2)
//     Second point       (b, folded)
//       Beta one         (b1)
//     Closing words      (c)
class ColumnCanvasFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = SermonNode::create(QStringLiteral("Title"));
        a = root->addChild(QStringLiteral("First point"));
        a1 = a->addChild(QStringLiteral("Alpha one"));
        a2 = a->addChild(QStringLiteral("Alpha two"));
        b = root->addChild(QStringLiteral("Second point"));
        b1 = b->addChild(QStringLiteral("Beta one"));
        b->setCollapsed(true);
        c = root->addChild(QStringLiteral("Closing words"));
        makeCanvas();
    }

    void makeCanvas(QSize size = QSize(1000, 600))
    {
        canvas.reset();
        document = std::make_unique<SermonDocument>(root);
        undoManager = std::make_unique<UndoManager>();
        ASSERT_TRUE(settingsDir.isValid());
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
        canvas = std::make_unique<ColumnCanvas>(*document, undoManager.get());
        canvas->setAnimationClock(&clock);
        canvas->setClipboard(&clipboard);
        canvas->setPreferences(preferences.get());
        canvas->resize(size);
        canvas->show();
        canvas->activateWindow();
        (void)QTest::qWaitForWindowActive(canvas.get());
        QCoreApplication::processEvents();
    }

    DocumentController& controller() { return canvas->controller(); }
    ColumnNodeFrame frameOf(const SermonNodePtr& node) { return canvas->layout().frames.value(node->id()); }
    // A point on a node's first line, in canvas coordinates.
    QPoint pointOn(const SermonNodePtr& node)
    {
        const ColumnNodeFrame frame = frameOf(node);
        return (frame.origin + QPointF(30, 14) + canvas->panOffset()).toPoint();
    }
    std::optional<QUuid> selected() { return controller().selectedNodeID(); }
    void select(const SermonNodePtr& node) { controller().setSelectedNodeID(node->id()); }
    // Runs every animation to its end.
    void finishAnimations()
    {
        clock.advance(10);
        canvas->tickAnimations();
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : canvas.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    QTextEdit* editorText() { return canvas->editorOverlay() ? canvas->editorOverlay()->textView() : nullptr; }
    void type(const QString& text) { QTest::keyClicks(editorText(), text); }
    qsizetype undoCount() { return static_cast<qsizetype>(document->undoStack().size()); }

    SermonNodePtr root, a, a1, a2, b, b1, c;
    QTemporaryDir settingsDir;
    ManualClock clock;
    FakeClipboard clipboard;
    std::unique_ptr<SermonDocument> document;
    std::unique_ptr<UndoManager> undoManager;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<ColumnCanvas> canvas;
};

} // namespace kestrion::test
