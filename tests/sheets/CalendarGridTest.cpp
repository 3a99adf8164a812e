#include "sheets/CalendarGrid.h"

#include "platform/Appearance.h"
#include "support/ContrastRatio.h"
#include "support/PopupLoopWatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace kestrion;

TEST(CalendarGridTest, SixWeeksFromTheFirstWeekdayForMonthsStartingOnEachDay)
{
    // 2024: September starts on Sunday, July Monday, October Tuesday, May Wednesday, February
    // Thursday, March Friday, June Saturday.
    const int months[] = { 9, 7, 10, 5, 2, 3, 6 };
    for (const Qt::DayOfWeek firstDay : { Qt::Sunday, Qt::Monday }) {
        for (const int month : months) {
            const QDate first(2024, month, 1);
            const std::vector<QDate> days = CalendarGrid::gridDays(first.addDays(13), firstDay);
            ASSERT_EQ(days.size(), 42u);
            EXPECT_EQ(days.front().dayOfWeek(), firstDay) << month;
            const int lead = (first.dayOfWeek() - firstDay + 7) % 7;
            EXPECT_EQ(days[std::size_t(lead)], first) << month << " " << firstDay;
            EXPECT_LT(lead, 7);
            for (std::size_t i = 1; i < days.size(); ++i)
                EXPECT_EQ(days[i - 1].daysTo(days[i]), 1);
        }
    }
}

TEST(CalendarGridTest, FebruaryOfACommonYearStartingOnTheFirstWeekdayFillsFourRows)
{
    // February 2026 starts on a Sunday.
    const std::vector<QDate> days = CalendarGrid::gridDays(QDate(2026, 2, 20), Qt::Sunday);
    ASSERT_EQ(days.size(), 42u);
    EXPECT_EQ(days[0], QDate(2026, 2, 1));
    EXPECT_EQ(days[27], QDate(2026, 2, 28));
    EXPECT_EQ(days[28], QDate(2026, 3, 1));
    EXPECT_EQ(days[41], QDate(2026, 3, 14));
}

TEST(CalendarGridTest, WeekdaysStartOnTheLocalesFirstDayWithSundayMarked)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale germany(QLocale::German, QLocale::Germany);
    ASSERT_EQ(us.firstDayOfWeek(), Qt::Sunday);
    ASSERT_EQ(germany.firstDayOfWeek(), Qt::Monday);
    const QStringList usSymbols = CalendarGrid::weekdaySymbols(us);
    const QStringList germanSymbols = CalendarGrid::weekdaySymbols(germany);
    ASSERT_EQ(usSymbols.size(), 7);
    ASSERT_EQ(germanSymbols.size(), 7);
    EXPECT_EQ(usSymbols[0], us.standaloneDayName(Qt::Sunday, QLocale::NarrowFormat));
    EXPECT_EQ(usSymbols[1], us.standaloneDayName(Qt::Monday, QLocale::NarrowFormat));
    EXPECT_EQ(germanSymbols[0], germany.standaloneDayName(Qt::Monday, QLocale::NarrowFormat));
    EXPECT_EQ(germanSymbols[6], germany.standaloneDayName(Qt::Sunday, QLocale::NarrowFormat));
    EXPECT_EQ(CalendarGrid::sundayColumn(Qt::Sunday), 0);
    EXPECT_EQ(CalendarGrid::sundayColumn(Qt::Monday), 6);
    EXPECT_EQ(CalendarGrid::sundayColumn(Qt::Saturday), 1);
}

TEST(CalendarGridTest, MonthsAndYearsTurnTheGridWithoutTouchingTheDate)
{
    CalendarGrid calendar(QDate(2024, 1, 31));
    EXPECT_EQ(calendar.anchor(), QDate(2024, 1, 1));
    calendar.stepMonth(-1);
    EXPECT_EQ(calendar.anchor(), QDate(2023, 12, 1));
    EXPECT_EQ(calendar.yearButton()->text(), QStringLiteral("2023"));
    calendar.stepMonth(3);
    EXPECT_EQ(calendar.anchor(), QDate(2024, 3, 1));
    calendar.setMonth(2);
    EXPECT_EQ(calendar.anchor(), QDate(2024, 2, 1));
    calendar.setYear(2031);
    EXPECT_EQ(calendar.anchor(), QDate(2031, 2, 1));
    EXPECT_EQ(calendar.date(), QDate(2024, 1, 31));

    // From outside, a day of another month than the one shown turns the grid to it.
    calendar.setDate(QDate(2030, 7, 4));
    EXPECT_EQ(calendar.anchor(), QDate(2030, 7, 1));
    calendar.stepMonth(1);
    calendar.setDate(QDate(2030, 8, 9));
    EXPECT_EQ(calendar.anchor(), QDate(2030, 8, 1));
    calendar.setDate(QDate(2030, 7, 9));
    EXPECT_EQ(calendar.anchor(), QDate(2030, 7, 1));
}

TEST(CalendarGridTest, YearMenuRunsFromTenBeforeToTwentyAfterToday)
{
    CalendarGrid calendar(QDate(2009, 6, 1));
    calendar.setToday([] { return QDate(2024, 5, 15); });
    const std::vector<int> years = CalendarGrid::menuYears(QDate(2024, 5, 15));
    ASSERT_EQ(years.size(), 31u);
    EXPECT_EQ(years.front(), 2014);
    EXPECT_EQ(years.back(), 2044);
    // The shown year may lie outside the menu.
    EXPECT_EQ(calendar.yearButton()->text(), QStringLiteral("2009"));
    QMenu* menu = calendar.yearMenu();
    Q_EMIT menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 31);
    EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("2014"));
    menu->actions().at(5)->trigger();
    EXPECT_EQ(calendar.anchor(), QDate(2019, 6, 1));
}

TEST(CalendarGridTest, ClickingADayOfTheNextMonthSelectsItAndTurnsTheGrid)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    CalendarGrid calendar(QDate(2024, 5, 15));
    calendar.resize(calendar.sizeHint());
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    int selected = 0;
    calendar.setOnSelect([&] {
        ++selected;
        // The date is written before onSelect runs.
        EXPECT_EQ(calendar.date(), QDate(2024, 6, 1));
    });
    // May 2024 starts on a Wednesday: June 1 is cell 3 + 31.
    const std::vector<QDate> days = CalendarGrid::gridDays(calendar.anchor(), Qt::Sunday);
    ASSERT_EQ(days[34], QDate(2024, 6, 1));
    QTest::mouseClick(calendar.dayGrid(), Qt::LeftButton, {}, calendar.dayCellRect(34).center());
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(calendar.anchor(), QDate(2024, 6, 1));
    // A click between cells selects nothing.
    const QRect cell = calendar.dayCellRect(0);
    QTest::mouseClick(calendar.dayGrid(), Qt::LeftButton, {}, QPoint(cell.right() + 2, cell.center().y()));
    EXPECT_EQ(selected, 1);
    QLocale::setDefault(QLocale::system());
}

TEST(CalendarGridTest, ADayClickedAfterTurningTheMonthIsThatMonthsDay)
{
    CalendarGrid calendar(QDate(2024, 5, 15));
    calendar.resize(calendar.sizeHint());
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    calendar.stepMonth(2);
    const std::vector<QDate> days = CalendarGrid::gridDays(calendar.anchor(), QLocale().firstDayOfWeek());
    const auto tenth = std::find(days.begin(), days.end(), QDate(2024, 7, 10));
    ASSERT_NE(tenth, days.end());
    QTest::mouseClick(calendar.dayGrid(), Qt::LeftButton, {}, calendar.dayCellRect(int(tenth - days.begin())).center());
    EXPECT_EQ(calendar.date(), QDate(2024, 7, 10));
}

TEST(CalendarGridTest, KeepsToTheYearsAFileCanHold)
{
    for (const auto& [start, step, bound] : { std::tuple { QDate(1, 2, 10), -1, QDate(1, 1, 1) },
             std::tuple { QDate(9999, 11, 10), 1, QDate(9999, 12, 1) } }) {
        CalendarGrid calendar(start);
        calendar.stepMonth(step);
        EXPECT_EQ(calendar.anchor(), bound);
        EXPECT_FALSE((step < 0 ? calendar.previousButton() : calendar.nextButton())->isEnabled());
        EXPECT_TRUE((step < 0 ? calendar.nextButton() : calendar.previousButton())->isEnabled());
        calendar.stepMonth(step);
        calendar.stepMonth(12 * step);
        EXPECT_EQ(calendar.anchor(), bound);
        calendar.setYear(step < 0 ? 0 : 10000);
        EXPECT_EQ(calendar.anchor(), bound);
        // Days past the bound keep their cells but are blank, and a click there picks none.
        for (const Qt::DayOfWeek first : { Qt::Sunday, Qt::Monday, Qt::Saturday }) {
            const std::vector<QDate> days = CalendarGrid::gridDays(bound, first);
            ASSERT_EQ(days.size(), 42u);
            for (const QDate& day : days)
                EXPECT_TRUE(!day.isValid() || (day >= CalendarGrid::earliestDay() && day <= CalendarGrid::latestDay()));
        }
        calendar.selectDay(QDate());
        EXPECT_EQ(calendar.date(), start);
    }
    EXPECT_EQ(CalendarGrid::gridDays(QDate(1, 1, 1), Qt::Sunday)[1], QDate(1, 1, 1));
    EXPECT_EQ(CalendarGrid::menuYears(QDate(9990, 1, 1)).back(), 9999);
}

TEST(CalendarGridTest, TheMonthAndYearMenusShowAChevronBesideTheirName)
{
    CalendarGrid calendar(QDate(2024, 5, 15));
    calendar.show();
    for (QToolButton* button : { calendar.monthButton(), calendar.yearButton() }) {
        const QImage image = button->grab().toImage();
        const QColor background = image.pixelColor(0, 0);
        const int textEnd = QFontMetrics(button->font()).horizontalAdvance(button->text()) + 6;
        int top = image.height();
        int bottom = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = textEnd; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != background) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        ASSERT_GE(bottom, top) << "something beside the name";
        EXPECT_NEAR((top + bottom) / 2.0, image.height() / 2.0, 2.0) << "level with the name, not below it";
    }
}

TEST(CalendarGridTest, APressOrSpaceOnTheMonthAndYearPopsTheirMenuUpUnderThemAndAChoiceTurnsTheGrid)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        const char* name;
        bool isMonth;
        bool byKey;
        // The header at the foot of the screen: the menu opens over the button.
        bool atFoot;
        const char* chosen;
        QDate anchor;
    };
    const Case cases[] = {
        { "month by a press", true, false, false, "February", QDate(2024, 2, 1) },
        { "month by Space", true, true, false, "August", QDate(2024, 8, 1) },
        { "year by a press", false, false, false, "2030", QDate(2030, 5, 1) },
        { "month at the foot of the screen", true, false, true, "March", QDate(2024, 3, 1) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalendarGrid calendar(QDate(2024, 5, 15));
        calendar.setToday([] { return QDate(2024, 5, 15); });
        calendar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
        QToolButton* button = c.isMonth ? calendar.monthButton() : calendar.yearButton();
        if (c.atFoot) {
            const QRect room = calendar.screen()->availableGeometry();
            calendar.move(room.left(), room.bottom() - button->mapTo(&calendar, QPoint(0, button->height())).y());
            QCoreApplication::processEvents();
        }
        QMenu* menu = c.isMonth ? calendar.monthMenu() : calendar.yearMenu();
        EXPECT_FALSE(kestrion::test::popupLoopsInside([&] {
            // Only the press: the release goes to the menu.
            if (c.byKey) {
                button->setFocus();
                QTest::keyPress(button, Qt::Key_Space);
            } else {
                QTest::mousePress(button, Qt::LeftButton);
            }
        })) << "the menu ran inside the press";
        ASSERT_EQ(QApplication::activePopupWidget(), menu);
        // Under the button where the screen has room for it there.
        const int below = button->mapToGlobal(QPoint(0, button->height())).y();
        EXPECT_EQ(menu->geometry().left(), button->mapToGlobal(QPoint(0, 0)).x());
        if (c.atFoot) {
            EXPECT_LE(menu->geometry().bottom(), button->mapToGlobal(QPoint(0, 0)).y());
        } else if (below + menu->height() <= button->screen()->availableGeometry().bottom() + 1) {
            EXPECT_GE(menu->geometry().top(), below);
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == QLatin1String(c.chosen))
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, Qt::Key_Return);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(calendar.anchor(), c.anchor);
        EXPECT_FALSE(button->isDown());
        if (!c.byKey)
            QTest::mouseRelease(button, Qt::LeftButton);
    }
    QLocale::setDefault(QLocale::system());
}

TEST(CalendarGridTest, TheKeysMoveTheKeyboardsDayAndTurnTheMonthAtItsEdges)
{
    struct Case {
        const char* name;
        QDate start;
        std::vector<Qt::Key> keys;
        QDate focused;
    };
    const Case cases[] = {
        { "right past the month's end", QDate(2024, 1, 31), { Qt::Key_Right }, QDate(2024, 2, 1) },
        { "left past its start", QDate(2024, 2, 1), { Qt::Key_Left }, QDate(2024, 1, 31) },
        { "up a week into the month before", QDate(2024, 3, 5), { Qt::Key_Up }, QDate(2024, 2, 27) },
        { "down a week", QDate(2024, 3, 5), { Qt::Key_Down, Qt::Key_Down }, QDate(2024, 3, 19) },
        { "page down to a shorter month", QDate(2024, 1, 31), { Qt::Key_PageDown }, QDate(2024, 2, 29) },
        { "page up across the year", QDate(2024, 1, 15), { Qt::Key_PageUp }, QDate(2023, 12, 15) },
        { "home", QDate(2024, 5, 15), { Qt::Key_Home }, QDate(2024, 5, 1) },
        { "end", QDate(2024, 5, 15), { Qt::Key_End }, QDate(2024, 5, 31) },
        { "not before the first day offered", QDate(1, 1, 3), { Qt::Key_Up, Qt::Key_PageUp }, QDate(1, 1, 3) },
        { "not after the last", QDate(9999, 12, 31), { Qt::Key_Right, Qt::Key_Down }, QDate(9999, 12, 31) },
    };
    for (const Case& c : cases) {
        CalendarGrid calendar(c.start);
        int selected = 0;
        calendar.setOnSelect([&] { ++selected; });
        EXPECT_EQ(calendar.focusedDay(), c.start) << c.name;
        for (const Qt::Key key : c.keys)
            QTest::keyClick(calendar.dayGrid(), key);
        EXPECT_EQ(calendar.focusedDay(), c.focused) << c.name;
        EXPECT_EQ(calendar.anchor(), CalendarGrid::firstOfMonth(c.focused)) << c.name;
        // Moving picks nothing.
        EXPECT_EQ(calendar.date(), c.start) << c.name;
        EXPECT_EQ(selected, 0) << c.name;
    }
}

TEST(CalendarGridTest, ReturnOrSpacePicksTheKeyboardsDayAndOtherKeysGoOn)
{
    for (const Qt::Key pick : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space }) {
        CalendarGrid calendar(QDate(2024, 5, 15));
        std::vector<QDate> selected;
        calendar.setOnSelect([&] { selected.push_back(calendar.date()); });
        // A modifier turns no day, and Escape is left to the popover.
        QTest::keyClick(calendar.dayGrid(), Qt::Key_Right, Qt::ControlModifier);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(calendar.dayGrid(), &escape);
        EXPECT_FALSE(escape.isAccepted());
        EXPECT_EQ(calendar.focusedDay(), QDate(2024, 5, 15));
        QTest::keyClick(calendar.dayGrid(), Qt::Key_Down);
        QTest::keyClick(calendar.dayGrid(), pick);
        EXPECT_EQ(selected, std::vector<QDate> { QDate(2024, 5, 22) });
    }
    // Turning the month from the header takes the keyboard's day along.
    CalendarGrid calendar(QDate(2024, 1, 31));
    calendar.stepMonth(1);
    EXPECT_EQ(calendar.focusedDay(), QDate(2024, 2, 29));
    calendar.setYear(2025);
    EXPECT_EQ(calendar.focusedDay(), QDate(2025, 2, 28));
    // So does a date set from outside.
    calendar.setDate(QDate(2026, 7, 4));
    EXPECT_EQ(calendar.focusedDay(), QDate(2026, 7, 4));
}

TEST(CalendarGridTest, TheKeyboardsDayIsMarkedPlainlyInBothAppearances)
{
    for (const QPalette& palette : { Appearance::lightPalette(), Appearance::darkPalette() }) {
        CalendarGrid calendar(QDate(2024, 5, 15));
        calendar.setPalette(palette);
        calendar.setToday([] { return QDate(2024, 5, 1); });
        calendar.show();
        QApplication::setActiveWindow(&calendar);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&calendar));
        QWidget* days = calendar.dayGrid();
        // A plain day beside the selected one, then the selected one on its accent.
        for (const Qt::Key key : { Qt::Key_Right, Qt::Key_Left }) {
            days->setFocus();
            QTest::keyClick(days, key);
            const std::vector<QDate> shown = CalendarGrid::gridDays(calendar.anchor(), QLocale().firstDayOfWeek());
            const auto found = std::find(shown.begin(), shown.end(), calendar.focusedDay());
            ASSERT_NE(found, shown.end());
            const QRect cell = calendar.dayCellRect(int(found - shown.begin()));
            // Where the mark lies: inside the cell's edge, clear of the number.
            const QPoint onMark(cell.left() + 3, cell.center().y());
            const QColor marked = days->grab().toImage().pixelColor(onMark);
            days->clearFocus();
            const QColor unmarked = days->grab().toImage().pixelColor(onMark);
            EXPECT_GE(contrastRatio(marked, unmarked), 3.0)
                << (Appearance::isDarkPalette(palette) ? "dark, " : "light, ")
                << (key == Qt::Key_Right ? "plain day: " : "selected day: ") << marked.name().toStdString() << " on "
                << unmarked.name().toStdString();
        }
    }
}
