#pragma once

#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "support/FakeClipboard.h"
#include "support/ManualClock.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace kestrion::test {

// A shown editing canvas (the mind map's or the columns') over a small sermon, with its own
// undo manager, preferences in a temporary file, a fake clipboard and a clock the test moves:
//
//   Title
//     First point        (a)
//       Alpha one        (a1)
//       Alpha two        (a2)
//     Second point       (b, folded)
//       Beta one         (b1)
//       Beta two         (b2)
//     Closing words      (c)
template <class Canvas> class CanvasTestBase : public ::testing::Test {
protected:
    void makeSmallSermon()
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
    }

    // A title with this many points under it.
    void makePoints(int count)
    {
        root = SermonNode::create(QStringLiteral("Title"));
        for (int i = 0; i < count; ++i)
            root->addChild(QStringLiteral("Point %1").arg(i));
    }

    // A fresh canvas over root, shown and active, with what was deferred to the first turn done.
    void makeCanvas(QSize size = QSize(800, 600))
    {
        canvas.reset();
        document = std::make_unique<SermonDocument>(root);
        undoManager = std::make_unique<UndoManager>();
        ASSERT_TRUE(settingsDir.isValid());
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
        canvas = std::make_unique<Canvas>(*document, undoManager.get());
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
    std::unique_ptr<Canvas> canvas;
};

} // namespace kestrion::test
