#pragma once

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class QToolButton;

namespace kestrion {

// The month calendar with which an occasion's day is picked: a header with month and year
// menus and previous and next buttons, the weekday initials, and six weeks of days. A click on
// a day makes it the selected date and calls onSelect. Days are calendar days throughout;
// nothing passes through a time of day or a time zone.
//
// The first weekday and the names come from the user's locale, read afresh each time.
class CalendarGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int gridDayCount = 42;
    static constexpr int width = 320;
    static constexpr int cellSide = 34;
    static constexpr int cellSpacing = 2;
    // Years offered by the year menu around today's year.
    static constexpr int yearsBefore = 10;
    static constexpr int yearsAfter = 20;

    explicit CalendarGrid(const QDate& date, QWidget* parent = nullptr);

    // --- Calendar rules ---------------------------------------------------------------------
    static QDate firstOfMonth(const QDate& date);
    // The days the calendar offers: those of the years 1 to 9999, which a file's yyyy-MM-dd
    // can hold.
    static QDate earliestDay() { return { 1, 1, 1 }; }
    static QDate latestDay() { return { 9999, 12, 31 }; }
    // The 42 days shown for the month of anchor: from the first weekday on or before its first
    // day, six whole weeks. A day outside the years offered is left blank (an invalid date), so
    // that every day keeps its column.
    static std::vector<QDate> gridDays(const QDate& anchor, Qt::DayOfWeek firstDayOfWeek);
    // The narrow weekday names, the first weekday's first.
    static QStringList weekdaySymbols(const QLocale& locale);
    // The column of Sundays, 0 to 6.
    static int sundayColumn(Qt::DayOfWeek firstDayOfWeek);
    // The years of the year menu, ascending.
    static std::vector<int> menuYears(const QDate& today);

    // --- State ------------------------------------------------------------------------------
    // The selected day. Setting it from outside turns the grid to its month when that differs.
    QDate date() const { return m_date; }
    void setDate(const QDate& date);
    // The first day of the month on show.
    QDate anchor() const { return m_anchor; }
    // The day the keyboard is on: the date at first, then wherever the keys move it, and always
    // in the month on show.
    QDate focusedDay() const { return m_focusedDay; }
    // Moves the keyboard to a day, turning the grid to its month; nothing past the years offered.
    void setFocusedDay(const QDate& day);

    // Today, for the ring around its day and the year menu; the system's date unless set.
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    QDate today() const;

    void setOnSelect(std::function<void()> onSelect) { m_onSelect = std::move(onSelect); }

    // --- Actions ----------------------------------------------------------------------------
    // Turns the grid by a number of months; the day stays. Nothing happens past the years
    // offered.
    void stepMonth(int months);
    // Turns the grid to a month (1 to 12) or a year of the menus, keeping the other.
    void setMonth(int month);
    void setYear(int year);
    // A click on a day: it becomes the date, then onSelect runs.
    void selectDay(const QDate& day);

    // The header's controls and the day grid, for tests and the popover.
    QToolButton* monthButton() const { return m_monthButton; }
    QToolButton* yearButton() const { return m_yearButton; }
    // What the month and year buttons pop up.
    QMenu* monthMenu() const { return m_monthMenu; }
    QMenu* yearMenu() const { return m_yearMenu; }
    QToolButton* previousButton() const { return m_previousButton; }
    QToolButton* nextButton() const { return m_nextButton; }
    QWidget* dayGrid() const { return m_dayGrid; }
    // The cell of the day at that index of gridDays, in the day grid's coordinates.
    QRect dayCellRect(int index) const;

Q_SIGNALS:
    // A day click changed the date.
    void dateChanged(const QDate& date);

private:
    void setAnchor(const QDate& anchor);
    void refreshHeader();
    void fillYearMenu();

    QDate m_date;
    QDate m_anchor;
    QDate m_focusedDay;
    std::function<void()> m_onSelect;
    std::function<QDate()> m_today;
    QMenu* m_monthMenu = nullptr;
    QMenu* m_yearMenu = nullptr;
    QToolButton* m_monthButton = nullptr;
    QToolButton* m_yearButton = nullptr;
    QToolButton* m_previousButton = nullptr;
    QToolButton* m_nextButton = nullptr;
    QWidget* m_weekdayRow = nullptr;
    QWidget* m_dayGrid = nullptr;
};

} // namespace kestrion
