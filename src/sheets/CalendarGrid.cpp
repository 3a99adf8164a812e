#include "sheets/CalendarGrid.h"

#include "platform/Symbols.h"
#include "sheets/SheetStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace kestrion {

namespace {

constexpr int outerPadding = 14;
constexpr int columns = 7;

Qt::DayOfWeek firstDayOfWeek()
{
    return QLocale().firstDayOfWeek();
}

// Six weeks of day circles, painted in one widget. It takes the keyboard as one control: the
// keys move a mark from day to day, and the marked day is picked with Return or Space.
class DayGrid : public QWidget {
public:
    explicit DayGrid(CalendarGrid& calendar)
        : QWidget(&calendar)
        , m_calendar(calendar)
    {
        setFont(SheetStyle::calloutDigitsFont());
        setFixedHeight(6 * CalendarGrid::cellSide + 5 * CalendarGrid::cellSpacing);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(CalendarGrid::tr("Days"));
    }

    int indexAt(const QPoint& point) const
    {
        for (int i = 0; i < CalendarGrid::gridDayCount; ++i) {
            if (m_calendar.dayCellRect(i).contains(point))
                return i;
        }
        return -1;
    }

protected:
    bool event(QEvent* event) override
    {
        // The day keys are the grid's, ahead of any shortcut bound to the same key.
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (movedDay(*key) || isPick(*key)) {
                event->accept();
                return true;
            }
        }
        return QWidget::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (const std::optional<QDate> day = movedDay(*event)) {
            event->accept();
            m_calendar.setFocusedDay(*day);
            return;
        }
        if (isPick(*event)) {
            event->accept();
            m_calendar.selectDay(m_calendar.focusedDay());
            return;
        }
        // Escape and the rest go on to the popover.
        QWidget::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        update();
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        update();
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        const int index = indexAt(event->position().toPoint());
        if (index < 0)
            return;
        const std::vector<QDate> days = CalendarGrid::gridDays(m_calendar.anchor(), firstDayOfWeek());
        if (index < int(days.size()))
            m_calendar.selectDay(days[std::size_t(index)]);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const std::vector<QDate> days = CalendarGrid::gridDays(m_calendar.anchor(), firstDayOfWeek());
        const QDate anchor = m_calendar.anchor();
        const QDate today = m_calendar.today();
        const QDate focused = hasFocus() ? m_calendar.focusedDay() : QDate();
        const QColor accent = SheetStyle::accent(palette());
        for (std::size_t i = 0; i < days.size(); ++i) {
            const QDate& day = days[i];
            if (!day.isValid())
                continue;
            const bool inMonth = day.year() == anchor.year() && day.month() == anchor.month();
            const bool selected = day == m_calendar.date();
            const bool sunday = day.dayOfWeek() == Qt::Sunday;
            QColor number;
            if (selected)
                number = Qt::white;
            else if (!inMonth)
                number = sunday ? SheetStyle::red(0.3) : SheetStyle::secondary(palette(), 0.45);
            else
                number = sunday ? SheetStyle::red(0.85) : SheetStyle::primary(palette());
            const QRectF cell = m_calendar.dayCellRect(int(i));
            if (selected) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(accent);
                painter.drawEllipse(cell);
            } else if (day == today) {
                painter.setPen(QPen(accent, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(cell.adjusted(0.5, 0.5, -0.5, -0.5));
            }
            if (day == focused) {
                // Inside today's ring, which stays visible around it; in the text colour on the
                // window, white on the selected day's accent.
                painter.setPen(QPen(selected ? QColor(Qt::white) : SheetStyle::primary(palette()), focusRingWidth));
                painter.setBrush(Qt::NoBrush);
                const qreal inset = focusRingInset + focusRingWidth / 2;
                painter.drawEllipse(cell.adjusted(inset, inset, -inset, -inset));
            }
            painter.setPen(number);
            painter.drawText(cell, Qt::AlignCenter, QString::number(day.day()));
        }
    }

private:
    static constexpr qreal focusRingWidth = 2;
    static constexpr qreal focusRingInset = 2;

    // Where a key moves the keyboard's day; none for keys that do not move it.
    std::optional<QDate> movedDay(const QKeyEvent& event) const
    {
        if (event.modifiers() & ~Qt::KeypadModifier)
            return std::nullopt;
        const QDate day = m_calendar.focusedDay();
        if (!day.isValid())
            return std::nullopt;
        const int forward = layoutDirection() == Qt::RightToLeft ? -1 : 1;
        switch (event.key()) {
        case Qt::Key_Left:
            return day.addDays(-forward);
        case Qt::Key_Right:
            return day.addDays(forward);
        case Qt::Key_Up:
            return day.addDays(-7);
        case Qt::Key_Down:
            return day.addDays(7);
        case Qt::Key_PageUp:
            return day.addMonths(-1);
        case Qt::Key_PageDown:
            return day.addMonths(1);
        case Qt::Key_Home:
            return QDate(day.year(), day.month(), 1);
        case Qt::Key_End:
            return QDate(day.year(), day.month(), day.daysInMonth());
        default:
            return std::nullopt;
        }
    }

    static bool isPick(const QKeyEvent& event)
    {
        const int key = event.key();
        return !(event.modifiers() & ~Qt::KeypadModifier)
            && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
    }

    CalendarGrid& m_calendar;
};

// A month or year menu: its name with a small chevron beside it, without a bezel. A press
// (or Space) pops the menu up under it.
class MenuButton : public QToolButton {
public:
    static constexpr int horizontalPadding = 4;
    static constexpr int verticalPadding = 2;
    static constexpr int chevronGap = 2;
    static constexpr int chevronSize = 8;

    MenuButton(QMenu* menu, QWidget* parent)
        : QToolButton(parent)
        , m_menu(menu)
    {
        setAutoRaise(true);
        setFocusPolicy(Qt::TabFocus);
        setFont(SheetStyle::headlineFont());
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        // Not the tool button's own menu, which runs a loop of its own inside the press: a
        // close request handled there would delete the sheet around the press.
        m_menu->setNoReplayFor(this);
        connect(this, &QAbstractButton::pressed, this, &MenuButton::popUp);
        connect(m_menu, &QMenu::aboutToHide, this, [this] { setDown(false); });
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return { 2 * horizontalPadding + metrics.horizontalAdvance(text()) + chevronGap + chevronSize,
            2 * verticalPadding + metrics.height() };
    }

    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isDown() || underMouse())
            painter.fillPath(roundedBox(box), SheetStyle::primary(palette(), isDown() ? 0.16 : 0.08));
        if (hasFocus())
            painter.strokePath(roundedBox(box), QPen(SheetStyle::accent(palette()), 1.5));
        const QFontMetricsF metrics(font());
        const QRectF textBox(horizontalPadding, 0, metrics.horizontalAdvance(text()), height());
        painter.setPen(SheetStyle::primary(palette()));
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, text());
        const QRectF chevron(textBox.right() + chevronGap, (height() - chevronSize) / 2.0, chevronSize, chevronSize);
        Symbols::draw(painter, QStringLiteral("chevron.down"), chevron, SheetStyle::secondary(palette()));
    }

private:
    static QPainterPath roundedBox(const QRectF& box)
    {
        QPainterPath path;
        path.addRoundedRect(box, 5, 5);
        return path;
    }

    // Under the button, or over it when the screen has no room below.
    void popUp()
    {
        const QSize size = m_menu->sizeHint();
        QPoint at = mapToGlobal(QPoint(0, height()));
        if (const QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            const QPoint above = mapToGlobal(QPoint(0, -size.height()));
            if (at.y() + size.height() > room.bottom() + 1 && above.y() >= room.top())
                at = above;
        }
        m_menu->popup(at);
    }

    QMenu* m_menu;
};

QToolButton* makeStepButton(const QString& symbol, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    button->setIcon(Symbols::icon(symbol, parent->palette().color(QPalette::WindowText), 14));
    button->setToolTip(name);
    button->setAccessibleName(name);
    return button;
}

} // namespace

CalendarGrid::CalendarGrid(const QDate& date, QWidget* parent)
    : QWidget(parent)
    , m_date(date)
{
    setFixedWidth(width);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(outerPadding, outerPadding, outerPadding, outerPadding);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    m_monthMenu = new QMenu(this);
    for (int month = 1; month <= 12; ++month) {
        m_monthMenu->addAction(
            QLocale().standaloneMonthName(month, QLocale::LongFormat), this, [this, month] { setMonth(month); });
    }
    m_monthButton = new MenuButton(m_monthMenu, this);
    m_yearMenu = new QMenu(this);
    m_yearButton = new MenuButton(m_yearMenu, this);
    // The years run around today's, which may have moved on since the grid was made.
    connect(m_yearMenu, &QMenu::aboutToShow, this, &CalendarGrid::fillYearMenu);
    fillYearMenu();
    header->addWidget(m_monthButton);
    header->addWidget(m_yearButton);
    header->addStretch(1);
    m_previousButton = makeStepButton(QStringLiteral("chevron.left"), tr("Previous month"), this);
    connect(m_previousButton, &QToolButton::clicked, this, [this] { stepMonth(-1); });
    m_nextButton = makeStepButton(QStringLiteral("chevron.right"), tr("Next month"), this);
    connect(m_nextButton, &QToolButton::clicked, this, [this] { stepMonth(1); });
    header->addWidget(m_previousButton);
    header->addWidget(m_nextButton);
    column->addLayout(header);

    m_weekdayRow = new QWidget(this);
    auto* weekdays = new QHBoxLayout(m_weekdayRow);
    weekdays->setContentsMargins(0, 0, 0, 0);
    weekdays->setSpacing(0);
    for (int i = 0; i < columns; ++i) {
        auto* label = new QLabel(m_weekdayRow);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(SheetStyle::captionFont());
        weekdays->addWidget(label, 1);
    }
    column->addWidget(m_weekdayRow);

    m_dayGrid = new DayGrid(*this);
    column->addWidget(m_dayGrid);

    // A day that cannot be shown opens the grid on today's month.
    const QDate first = firstOfMonth(m_date);
    setAnchor(first.isValid() ? first : firstOfMonth(today()));
    m_focusedDay = m_date >= earliestDay() && m_date <= latestDay() ? m_date : m_anchor;
}

QDate CalendarGrid::firstOfMonth(const QDate& date)
{
    return date.isValid() ? QDate(date.year(), date.month(), 1) : QDate();
}

std::vector<QDate> CalendarGrid::gridDays(const QDate& anchor, Qt::DayOfWeek firstDayOfWeek)
{
    std::vector<QDate> days;
    const QDate first = firstOfMonth(anchor);
    if (!first.isValid())
        return days;
    const int lead = (first.dayOfWeek() - int(firstDayOfWeek) + 7) % 7;
    const QDate start = first.addDays(-lead);
    days.reserve(gridDayCount);
    for (int i = 0; i < gridDayCount; ++i) {
        const QDate day = start.addDays(i);
        days.push_back(day >= earliestDay() && day <= latestDay() ? day : QDate());
    }
    return days;
}

QStringList CalendarGrid::weekdaySymbols(const QLocale& locale)
{
    QStringList symbols;
    const int first = int(locale.firstDayOfWeek());
    for (int i = 0; i < columns; ++i)
        symbols.append(locale.standaloneDayName((first - 1 + i) % columns + 1, QLocale::NarrowFormat));
    return symbols;
}

int CalendarGrid::sundayColumn(Qt::DayOfWeek firstDayOfWeek)
{
    return (int(Qt::Sunday) - int(firstDayOfWeek) + columns) % columns;
}

std::vector<int> CalendarGrid::menuYears(const QDate& today)
{
    std::vector<int> years;
    for (int year = today.year() - yearsBefore; year <= today.year() + yearsAfter; ++year) {
        if (year >= earliestDay().year() && year <= latestDay().year())
            years.push_back(year);
    }
    return years;
}

QDate CalendarGrid::today() const
{
    return m_today ? m_today() : QDate::currentDate();
}

void CalendarGrid::setDate(const QDate& date)
{
    if (date == m_date)
        return;
    m_date = date;
    if (date >= earliestDay() && date <= latestDay())
        m_focusedDay = date;
    const QDate first = firstOfMonth(date);
    if (first.isValid() && first != m_anchor)
        setAnchor(first);
    m_dayGrid->update();
}

void CalendarGrid::setFocusedDay(const QDate& day)
{
    if (!day.isValid() || day < earliestDay() || day > latestDay())
        return;
    m_focusedDay = day;
    setAnchor(firstOfMonth(day));
    m_dayGrid->update();
}

void CalendarGrid::setAnchor(const QDate& anchor)
{
    if (!anchor.isValid() || anchor < earliestDay() || anchor > latestDay())
        return;
    m_anchor = anchor;
    // The keyboard's day goes along to the same day of the month turned to, or its last.
    if (m_focusedDay.isValid() && firstOfMonth(m_focusedDay) != anchor)
        m_focusedDay = QDate(anchor.year(), anchor.month(), std::min(m_focusedDay.day(), anchor.daysInMonth()));
    refreshHeader();
    m_dayGrid->update();
}

void CalendarGrid::stepMonth(int months)
{
    setAnchor(m_anchor.addMonths(months));
}

void CalendarGrid::setMonth(int month)
{
    setAnchor(QDate(m_anchor.year(), month, 1));
}

void CalendarGrid::setYear(int year)
{
    setAnchor(QDate(year, m_anchor.month(), 1));
}

void CalendarGrid::selectDay(const QDate& day)
{
    if (!day.isValid())
        return;
    if (day != m_date) {
        setDate(day);
        Q_EMIT dateChanged(day);
    }
    if (m_onSelect)
        m_onSelect();
}

QRect CalendarGrid::dayCellRect(int index) const
{
    const int columnWidth = (m_dayGrid->width() - (columns - 1) * cellSpacing) / columns;
    const int column = index % columns;
    const int row = index / columns;
    const int x = column * (columnWidth + cellSpacing) + (columnWidth - cellSide) / 2;
    const int y = row * (cellSide + cellSpacing);
    return { x, y, cellSide, cellSide };
}

void CalendarGrid::refreshHeader()
{
    const QLocale locale;
    m_monthButton->setText(locale.standaloneMonthName(m_anchor.month(), QLocale::LongFormat));
    m_yearButton->setText(QString::number(m_anchor.year()));
    m_previousButton->setEnabled(m_anchor > earliestDay());
    m_nextButton->setEnabled(m_anchor < firstOfMonth(latestDay()));

    const QStringList symbols = weekdaySymbols(locale);
    const int sunday = sundayColumn(locale.firstDayOfWeek());
    const QList<QLabel*> labels = m_weekdayRow->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < labels.size() && i < symbols.size(); ++i) {
        QLabel* label = labels[i];
        label->setText(symbols[i]);
        QPalette colors = palette();
        colors.setColor(QPalette::WindowText, i == sunday ? SheetStyle::red(0.75) : SheetStyle::secondary(palette()));
        label->setPalette(colors);
    }
}

void CalendarGrid::fillYearMenu()
{
    m_yearMenu->clear();
    for (const int year : menuYears(today()))
        m_yearMenu->addAction(QString::number(year), this, [this, year] { setYear(year); });
}

} // namespace kestrion
