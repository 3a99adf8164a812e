#include "app/ContentView.h"
#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "columns/ColumnCanvas.h"
#include "delivery/DeliveryCanvas.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/NodeEditorOverlay.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

// How the window loses activation and gets it back.
enum class Away { FocusMode, OtherWindow };

struct KeyboardCase {
    const char* name;
    AppMode mode;
    Away away;
    // Whether a point is typed into in place when the menu opens; focus mode ends the typing,
    // so what had the keyboard is gone on return.
    bool isEditing = false;
};

void PrintTo(const KeyboardCase& row, std::ostream* out)
{
    *out << row.name;
}

class SermonWindowKeyboardTest : public test::SermonWindowTest, public ::testing::WithParamInterface<KeyboardCase> {
protected:
    ContentView& view() { return *window->contentView(); }

    QWidget* viewInFront()
    {
        switch (view().mode()) {
        case AppMode::Tree:
            return view().mindMapCanvas();
        case AppMode::Columns:
            return view().columnCanvas();
        case AppMode::Delivery:
            return window->findChild<DeliveryCanvas*>();
        }
        return nullptr;
    }

    static void press(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    void leaveAndReturn(Away away)
    {
        if (away == Away::FocusMode) {
            press(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
            FocusContentView* focus = view().focusWindow().window();
            ASSERT_NE(focus, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(focus));
            press(Qt::Key_Escape);
            ASSERT_FALSE(view().isFocusMode());
        } else {
            OpenDocument* other = m_manager->open(writeFile(QStringLiteral("hope.md"), "# Hope\n\nA point\n"));
            ASSERT_NE(other, nullptr);
            other->window()->show();
            other->window()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(other->window()));
            window->activateWindow();
        }
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
};

// Escape once closes the menu and leaves the menu bar holding the keyboard; once the window
// has lost activation and got it back, the keys belong to the view in front again.
TEST_P(SermonWindowKeyboardTest, AMenuClosedByEscapeLeavesTheKeysToTheViewOnceTheWindowComesBack)
{
    const KeyboardCase& row = GetParam();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    view().setMode(row.mode);
    QCoreApplication::processEvents();
    QWidget* front = viewInFront();
    ASSERT_NE(front, nullptr);
    front->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), front);
    if (row.isEditing) {
        view().mindMapCanvas()->beginEditingNode(document->document().root()->id(), false);
        ASSERT_NE(view().mindMapCanvas()->nodeEditor(), nullptr);
        QTRY_VERIFY(view().mindMapCanvas()->nodeEditor()->isAncestorOf(QApplication::focusWidget()));
    }

    press(Qt::Key_E, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu, window->editMenu());
    QTest::keyClick(menu, Qt::Key_Escape);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    ASSERT_EQ(QApplication::focusWidget(), window->menuBar());

    leaveAndReturn(row.away);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(QApplication::focusWidget(), viewInFront());
    if (row.mode == AppMode::Tree) {
        // The arrow walks the map: from the title to its point.
        DocumentController& controller = view().mindMapCanvas()->controller();
        const SermonNodePtr root = document->document().root();
        controller.setSelectedNodeID(root->id());
        press(Qt::Key_Right);
        EXPECT_EQ(controller.selectedNodeID(), root->children().front()->id());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryModeAndWayBack, SermonWindowKeyboardTest,
    ::testing::Values(KeyboardCase { "MapAfterFocusMode", AppMode::Tree, Away::FocusMode },
        KeyboardCase { "MapTypedInAfterFocusMode", AppMode::Tree, Away::FocusMode, true },
        KeyboardCase { "MapAfterAnotherWindow", AppMode::Tree, Away::OtherWindow },
        KeyboardCase { "ColumnsAfterAnotherWindow", AppMode::Columns, Away::OtherWindow },
        KeyboardCase { "DeliveryAfterAnotherWindow", AppMode::Delivery, Away::OtherWindow }),
    [](const ::testing::TestParamInfo<KeyboardCase>& info) { return std::string(info.param.name); });

} // namespace
