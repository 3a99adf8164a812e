#pragma once

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "support/FakeClipboard.h"
#include "support/ManualClock.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace kestrion::test {

// A shown canvas over a small sermon, on a clock the test moves:
//
//   Title
//     First point        (a)
//       Alpha one        (a1)
//       Alpha two        (a2)
//     Second point       (b, folded)
//       Beta one         (b1)
//       Beta two         (b2)
//     Closing words      (c)
class CanvasFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = SermonNode::create(QStringLiteral("Title"));
        a = root->addChild(QStringLiteral("First point"));
        a1 = a->addChild(QStringLiteral("Alpha one"));
        a2 = a->addChild(QStringLiteral("Alpha two"));
        b = root->addChild(QStringLiteral("Second point"));
        b1 = b->addChild(QStringLiteral("Beta one"));
        b2 = b->addChild(QStringLiteral("Beta two"));
        b->setCollapsed(true);
        c = root->addChild(QStringLiteral("Closing words"));
        makeCanvas();
    }

    void makeCanvas()
    {
        canvas.reset();
        document = std::make_unique<SermonDocument>(root);
        undoManager = std::make_unique<UndoManager>();
        ASSERT_TRUE(settingsDir.isValid());
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
        canvas = std::make_unique<MindMapCanvas>(*document, undoManager.get());
        canvas->setAnimationClock(&clock);
        canvas->setClipboard(&clipboard);
        canvas->setPreferences(preferences.get());
        canvas->resize(800, 600);
        canvas->show();
        canvas->activateWindow();
        (void)QTest::qWaitForWindowActive(canvas.get());
    }

    // A fresh canvas over a title with this many points, shown with its animations run.
    void makeCanvasOverPoints(int count)
    {
        root = SermonNode::create(QStringLiteral("Title"));
        for (int i = 0; i < count; ++i)
            root->addChild(QStringLiteral("Point %1").arg(i));
        makeCanvas();
        finishAnimations();
    }

    DocumentController& controller() { return canvas->controller(); }
    NodeLayout layoutOf(const SermonNodePtr& node) { return canvas->cachedLayouts().value(node->id()); }
    // The centre of a node's box in view points.
    QPoint viewCentre(const SermonNodePtr& node)
    {
        const NodeLayout& l = layoutOf(node);
        const QPointF centre = l.origin + QPointF(l.size.width() / 2, l.size.height() / 2);
        return (centre * canvas->scale() + canvas->panOffset()).toPoint();
    }
    // Runs every animation to its end.
    void finishAnimations()
    {
        clock.advance(10);
        canvas->tickAnimations();
    }

    SermonNodePtr root, a, a1, a2, b, b1, b2, c;
    QTemporaryDir settingsDir;
    ManualClock clock;
    FakeClipboard clipboard;
    std::unique_ptr<SermonDocument> document;
    std::unique_ptr<UndoManager> undoManager;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<MindMapCanvas> canvas;
};

} // namespace kestrion::test
