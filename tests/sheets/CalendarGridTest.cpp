#include "sheets/CalendarGrid.h"

#include <QMenu>
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
    QMenu* menu = calendar.yearButton()->menu();
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
