#include "app/ContentView.h"
#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/SermonWindow.h"
#include "app/SermonWindowFixture.h"
#include "document/DocumentController.h"
#include "mindmap/MindMapCanvas.h"
#include "sheets/CalendarGrid.h"
#include "sheets/FileSettingsSheet.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SermonDetailsForm.h"
#include "support/PopupLoopWatch.h"

#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <ostream>

namespace kestrion::test {
namespace {

// Where a menu opens over the sermon window.
enum class Place {
    Map, // a node's menu on the document window's map
    FocusMap, // a node's menu on the focus window's map
    Calendar, // the month menu of the date calendar in the file settings
};

struct MenuCase {
    const char* name;
    Place place;
};

void PrintTo(const MenuCase& menuCase, std::ostream* os)
{
    *os << menuCase.name;
}

class SermonWindowMenusTest : public SermonWindowTest, public ::testing::WithParamInterface<MenuCase> {
protected:
    ContentView& view() { return *window->contentView(); }

    // A click as the window system delivers it: to the window under it, which hands it on.
    static void click(QWidget& widget, Qt::MouseButton button, const QPoint& at)
    {
        QWindow* handle = widget.window()->windowHandle();
        ASSERT_NE(handle, nullptr);
        QTest::mouseClick(handle, button, {}, handle->mapFromGlobal(widget.mapToGlobal(at)));
    }

    // The centre of the title's point on a map, in the map's coordinates.
    static QPoint pointCentre(MindMapCanvas& canvas)
    {
        const SermonNodePtr point = canvas.document().root()->children().front();
        EXPECT_TRUE(QTest::qWaitFor([&] { return canvas.cachedLayouts().contains(point->id()); }));
        const NodeLayout layout = canvas.cachedLayouts().value(point->id());
        const QPointF centre = layout.origin + QPointF(layout.size.width() / 2, layout.size.height() / 2);
        return (centre * canvas.scale() + canvas.panOffset()).toPoint();
    }

    // Opens the place's menu with the mouse; returns the window a close request is sent to.
    QWidget* openMenu(Place place)
    {
        if (place == Place::Calendar) {
            view().showFileSettings();
            FileSettingsSheet* sheet = view().fileSettingsSheet();
            EXPECT_NE(sheet, nullptr);
            if (!sheet)
                return nullptr;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet->window()));
            OccurrencesEditor* occurrences = sheet->form().occurrences();
            occurrences->addOccasion();
            occurrences->setDatePopoverOpen(true);
            CalendarGrid* calendar = occurrences->calendar();
            EXPECT_NE(calendar, nullptr);
            if (!calendar)
                return nullptr;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(calendar->window()));
            QToolButton* month = calendar->monthButton();
            EXPECT_FALSE(popupLoopsInside([&] { click(*month, Qt::LeftButton, month->rect().center()); }))
                << "the month menu ran inside the press";
            EXPECT_EQ(QApplication::activePopupWidget(), calendar->monthMenu());
            return sheet->window();
        }
        MindMapCanvas* canvas = view().mindMapCanvas();
        QWidget* closed = window;
        if (place == Place::FocusMap) {
            view().toggleFocusMode();
            FocusContentView* focus = view().focusWindow().window();
            EXPECT_NE(focus, nullptr);
            if (!focus)
                return nullptr;
            EXPECT_TRUE(QTest::qWaitForWindowActive(focus));
            canvas = focus->canvas();
            closed = focus;
        }
        const QPoint at = pointCentre(*canvas);
        EXPECT_FALSE(popupLoopsInside([&] { click(*canvas, Qt::RightButton, at); }))
            << "the node's menu ran inside the right press";
        EXPECT_NE(qobject_cast<QMenu*>(QApplication::activePopupWidget()), nullptr);
        EXPECT_EQ(canvas->controller().selectedNodeID(), canvas->document().root()->children().front()->id());
        return closed;
    }
};

TEST_P(SermonWindowMenusTest, AWindowClosedFromOutsideWhileItsMenuIsOpenGoesWithItsMenu)
{
    const Place place = GetParam().place;
    const QPointer<QWidget> closed = openMenu(place);
    ASSERT_FALSE(HasFailure());
    ASSERT_NE(closed, nullptr);
    const QPointer<QWidget> menu = QApplication::activePopupWidget();

    // As a taskbar, a pager or an ending session asks it to.
    closed->windowHandle()->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(closed.isNull());
    EXPECT_TRUE(menu.isNull());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    if (place == Place::Map) {
        EXPECT_TRUE(m_manager->documents().empty());
        return;
    }
    // The document window stays, and takes its clicks again.
    ASSERT_EQ(m_manager->documents().size(), 1u);
    EXPECT_FALSE(view().isFocusMode());
    MindMapCanvas* canvas = view().mindMapCanvas();
    view().setFocus();
    click(*canvas, Qt::LeftButton, pointCentre(*canvas));
    EXPECT_EQ(canvas->controller().selectedNodeID(), document->document().root()->children().front()->id());
}

INSTANTIATE_TEST_SUITE_P(Menus, SermonWindowMenusTest,
    ::testing::Values(MenuCase { "map", Place::Map }, MenuCase { "focus_map", Place::FocusMap },
        MenuCase { "calendar", Place::Calendar }),
    [](const ::testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrion::test
