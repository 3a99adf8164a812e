#include "sheets/OccurrencesEditor.h"

#include "platform/Appearance.h"
#include "platform/LongDate.h"
#include "platform/Symbols.h"
#include "sheets/CalendarGrid.h"
#include "sheets/OccasionDates.h"
#include "sheets/SectionBlock.h"
#include "sheets/SheetStyle.h"
#include "sheets/SingleLineField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrion {

namespace {

constexpr int rowSpacing = 24;
constexpr int rowPadding = 8;
constexpr int listPadding = 12;
constexpr int scrollBarInset = 2;
constexpr const char* occasionIDProperty = "occasionID";

// A row in display mode: a click anywhere but on its remove button edits the occasion, and so
// does Space while the row has the keyboard (Tab reaches it).
class DisplayRow : public QWidget {
public:
    DisplayRow(std::function<void()> onClick, QWidget* parent)
        : QWidget(parent)
        , m_onClick(std::move(onClick))
    {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return QWidget::mousePressEvent(event);
        event->accept();
        click();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier)) {
            event->accept();
            click();
            return;
        }
        QWidget::keyPressEvent(event);
    }

    // The list draws the ring around the row with the keyboard, in the margin beside it: drawn
    // by the row itself it would cross the row's date.
    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        parentWidget()->update();
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        parentWidget()->update();
    }

private:
    void click()
    {
        // Copied: the click replaces this row.
        const std::function<void()> onClick = m_onClick;
        onClick();
    }

    std::function<void()> m_onClick;
};

// The rows of the list, with the ring around the row that has the keyboard drawn in the list's
// side margins, clear of the row's text.
class RowList : public QWidget {
public:
    static constexpr int ringOutset = 6;
    static constexpr qreal ringWidth = 2;

    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->parentWidget() != this || !dynamic_cast<const DisplayRow*>(focus))
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(SheetStyle::accent(palette()), ringWidth));
        const qreal half = ringWidth / 2;
        const QRectF ring
            = QRectF(focus->geometry()).adjusted(-ringOutset + half, 2 + half, ringOutset - half, -2 - half);
        painter.drawRoundedRect(ring, 6, 6);
    }
};

// The date of the edited row: the day and a chevron on a light capsule; it opens the calendar.
class DateChip : public QAbstractButton {
public:
    static constexpr int horizontalPadding = 10;
    static constexpr int verticalPadding = 4;
    static constexpr int chevronSize = 10;

    explicit DateChip(QWidget* parent)
        : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return { horizontalPadding * 2 + metrics.horizontalAdvance(text()) + 4 + chevronSize,
            verticalPadding * 2 + metrics.height() };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRectF box = rect();
        SheetStyle::fillCapsule(painter, box, SheetStyle::primary(palette(), isDown() ? 0.16 : 0.08));
        if (hasFocus()) {
            painter.setPen(QPen(SheetStyle::accent(palette()), 1));
            const QRectF ring = box.adjusted(0.5, 0.5, -0.5, -0.5);
            painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
        }
        const QRectF textBox = box.adjusted(horizontalPadding, 0, -(horizontalPadding + 4 + chevronSize), 0);
        painter.setPen(SheetStyle::primary(palette()));
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, text());
        const QRectF chevron(box.right() - horizontalPadding - chevronSize, box.center().y() - chevronSize / 2.0,
            chevronSize, chevronSize);
        Symbols::draw(painter, QStringLiteral("chevron.down"), chevron, SheetStyle::secondary(palette()));
    }
};

// The calendar's popover: closes on Escape, and a press on its own chip only closes it (the
// press must not open it again).
class CalendarPopover : public QFrame {
public:
    CalendarPopover(QWidget* chip, std::function<void()> onHide)
        : QFrame(chip, Qt::Popup)
        , m_chip(chip)
        , m_onHide(std::move(onHide))
    {
        setAttribute(Qt::WA_DeleteOnClose);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (!rect().contains(event->position().toPoint()) && m_chip
            && QRect(m_chip->mapToGlobal(QPoint(0, 0)), m_chip->size()).contains(event->globalPosition().toPoint()))
            setAttribute(Qt::WA_NoMouseReplay);
        QFrame::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            close();
            return;
        }
        QFrame::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        // Raised over the sheet, with an edge, in the dark appearance as in the light.
        QPainter painter(this);
        painter.fillRect(rect(), Appearance::raisedColor(palette()));
        painter.setPen(Appearance::edgeColor(palette()));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

    void hideEvent(QHideEvent* event) override
    {
        QFrame::hideEvent(event);
        if (m_onHide)
            m_onHide();
    }

private:
    QPointer<QWidget> m_chip;
    std::function<void()> m_onHide;
};

// The list without a scroll bar while it fits, scrolling once it does not.
class FittingScrollArea : public QScrollArea {
public:
    explicit FittingScrollArea(QWidget* parent = nullptr)
        : QScrollArea(parent)
    {
        // The bar keeps clear of the rounded corners of the card it stands in.
        for (const Qt::Alignment end : { Qt::AlignTop, Qt::AlignBottom }) {
            auto* gap = new QWidget;
            gap->setFixedHeight(int(SectionBlock::cornerRadius) - scrollBarInset);
            addScrollBarWidget(gap, end);
        }
    }

    QSize sizeHint() const override
    {
        const QSize content = widget() ? widget()->sizeHint() : QSize();
        const int frame = 2 * frameWidth();
        return { content.width() + frame, content.height() + frame };
    }

    QSize minimumSizeHint() const override
    {
        // Room for the tallest row, so that the row being edited can always be seen whole, and
        // for no more: on a small screen the sheet still fits with the rest of its form.
        int tallest = 0;
        if (const QLayout* rows = widget() ? widget()->layout() : nullptr) {
            for (int i = 0; i < rows->count(); ++i) {
                if (const QWidget* row = rows->itemAt(i)->widget(); row && !row->isHidden())
                    tallest = std::max(tallest, row->sizeHint().height());
            }
        }
        const QSize hint = sizeHint();
        const int chrome = hint.height() - (widget() ? widget()->sizeHint().height() : 0);
        return { 0, std::min(hint.height(), tallest + chrome) };
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Rows come and go, and new ones show only on the next turn: the size that fits the
        // list changes with them, and the card around it must hear of it.
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }
};

QLabel* makeLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QToolButton* makeRemoveButton(const std::function<void()>& onRemove, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("removeOccurrence"));
    button->setAutoRaise(true);
    button->setIcon(Symbols::icon(QStringLiteral("xmark.circle.fill"), SheetStyle::secondary(parent->palette()), 16));
    button->setToolTip(OccurrencesEditor::tr("Remove occurrence"));
    button->setAccessibleName(button->toolTip());
    button->setFocusPolicy(Qt::TabFocus);
    QObject::connect(button, &QToolButton::clicked, parent, onRemove);
    return button;
}

} // namespace

OccurrencesEditor::OccurrencesEditor(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    m_section = new SectionBlock(tr("Occurrences"), this);
    m_scrollArea = new FittingScrollArea;
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // A click in the list would hand it the keyboard, and the place being typed would end its
    // edit before the click reached the chip or remove button under the pointer.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_list = new RowList;
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(listPadding, 0, listPadding, 0);
    m_listLayout->setSpacing(0);
    m_scrollArea->setWidget(m_list);
    // After setWidget, which fills the list's background: the card's own fill and outline show.
    m_list->setAutoFillBackground(false);
    // The bar stands inside the card's outline, not over it.
    auto* listFrame = new QWidget;
    auto* listFrameLayout = new QVBoxLayout(listFrame);
    listFrameLayout->setContentsMargins(0, 0, scrollBarInset, 0);
    listFrameLayout->addWidget(m_scrollArea);
    m_section->setContent(listFrame);
    column->addWidget(m_section, 1);
    m_list->installEventFilter(this);
    m_scrollArea->viewport()->installEventFilter(this);

    m_addButton = new QToolButton(this);
    m_addButton->setAutoRaise(true);
    m_addButton->setText(tr("Add occurrence"));
    m_addButton->setIcon(Symbols::icon(QStringLiteral("plus"), palette().color(QPalette::ButtonText), 14));
    m_addButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_addButton->setFocusPolicy(Qt::TabFocus);
    connect(m_addButton, &QToolButton::clicked, this, &OccurrencesEditor::addOccasion);
    auto* addRow = new QHBoxLayout;
    addRow->setContentsMargins(2, 0, 0, 0);
    addRow->addWidget(m_addButton);
    addRow->addStretch(1);
    column->addLayout(addRow);

    rebuildRows();
}

OccurrencesEditor::~OccurrencesEditor()
{
    // No commit from a row that loses the keyboard while the editor comes apart.
    releaseEditingRow();
    if (m_placeField)
        m_placeField->disconnect(this);
    if (m_popover) {
        // Not a child of the editor: it hangs off the chip as a window of its own.
        m_popover->disconnect(this);
        delete m_popover.data();
    }
}

void OccurrencesEditor::setOccasions(const std::vector<SermonOccasion>& occasions)
{
    if (occasions == m_occasions)
        return;
    m_occasions = occasions;
    rebuildRows();
}

std::vector<SermonOccasion> OccurrencesEditor::sortedOccasions(const std::vector<SermonOccasion>& occasions)
{
    std::vector<SermonOccasion> sorted = occasions;
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const SermonOccasion& a, const SermonOccasion& b) { return a.date > b.date; });
    return sorted;
}

void OccurrencesEditor::setToday(std::function<QDate()> today)
{
    m_today = std::move(today);
    rebuildRows();
}

QDate OccurrencesEditor::today() const
{
    return m_today ? m_today() : QDate::currentDate();
}

void OccurrencesEditor::writeOccasions(std::vector<SermonOccasion> occasions)
{
    m_occasions = std::move(occasions);
    Q_EMIT occasionsEdited();
}

void OccurrencesEditor::addOccasion()
{
    commitEdit();
    const QDate sunday = OccasionDates::comingSunday(today());
    SermonOccasion occasion;
    occasion.date = sunday;
    std::vector<SermonOccasion> occasions = m_occasions;
    occasions.push_back(occasion);
    m_editingID = occasion.id;
    m_editDate = sunday;
    m_editPlace.clear();
    writeOccasions(std::move(occasions));
    rebuildRows();
    takeKeyboardInPlace();
}

void OccurrencesEditor::beginEditing(const SermonOccasion& occasion)
{
    commitEdit();
    m_editingID = occasion.id;
    m_editDate = occasion.date;
    m_editPlace = occasion.place;
    rebuildRows();
    takeKeyboardInPlace();
}

void OccurrencesEditor::takeKeyboardInPlace()
{
    // At once, while the click or key that began the edit is being handled: the keys typed
    // right after it belong to the place, wherever the keyboard was before.
    if (m_placeField)
        m_placeField->setFocus(Qt::OtherFocusReason);
}

void OccurrencesEditor::revealEditingRow()
{
    m_isRevealPending = false;
    if (m_editingRow)
        m_scrollArea->ensureWidgetVisible(m_editingRow, 0, 0);
}

void OccurrencesEditor::commitEdit()
{
    if (!m_editingID)
        return;
    const QUuid id = *m_editingID;
    m_editingID.reset();
    const auto found = std::find_if(
        m_occasions.begin(), m_occasions.end(), [&id](const SermonOccasion& occasion) { return occasion.id == id; });
    if (found != m_occasions.end() && (found->date != m_editDate || found->place != m_editPlace)) {
        std::vector<SermonOccasion> occasions = m_occasions;
        SermonOccasion& edited = occasions[std::size_t(found - m_occasions.begin())];
        edited.date = m_editDate;
        edited.place = m_editPlace;
        writeOccasions(std::move(occasions));
    }
    rebuildRows();
}

void OccurrencesEditor::removeOccasion(const QUuid& id)
{
    std::vector<SermonOccasion> occasions = m_occasions;
    const auto removed = std::remove_if(
        occasions.begin(), occasions.end(), [&id](const SermonOccasion& occasion) { return occasion.id == id; });
    if (removed == occasions.end())
        return;
    occasions.erase(removed, occasions.end());
    if (m_editingID == id) {
        m_editingID.reset();
        // The calendar of the row that goes has nothing left to set.
        closePopover();
    }
    writeOccasions(std::move(occasions));
    rebuildRows();
}

void OccurrencesEditor::setEditPlace(const QString& place)
{
    m_editPlace = place;
    if (m_placeField && m_placeField->text() != place)
        m_placeField->setText(place);
}

void OccurrencesEditor::setEditDate(const QDate& date)
{
    m_editDate = date;
    if (m_dateChip)
        m_dateChip->setText(LongDate::text(date));
    if (m_calendar)
        m_calendar->setDate(date);
}

void OccurrencesEditor::setDatePopoverOpen(bool open)
{
    if (open == m_datePopoverOpen)
        return;
    if (!open) {
        closePopover();
        return;
    }
    if (!m_dateChip)
        return;
    m_datePopoverOpen = true;
    auto* popover = new CalendarPopover(m_dateChip, [this, guard = QPointer<OccurrencesEditor>(this)] {
        if (guard)
            m_datePopoverOpen = false;
    });
    m_popover = popover;
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    m_calendar = new CalendarGrid(m_editDate, popover);
    if (m_today)
        m_calendar->setToday(m_today);
    connect(m_calendar, &CalendarGrid::dateChanged, this, &OccurrencesEditor::setEditDate);
    m_calendar->setOnSelect([this] { setDatePopoverOpen(false); });
    layout->addWidget(m_calendar);
    popover->adjustSize();
    const QRect chip(m_dateChip->mapToGlobal(QPoint(0, 0)), m_dateChip->size());
    const QScreen* screen = m_dateChip->screen();
    popover->move(popoverFrame(chip, popover->size(), screen ? screen->availableGeometry() : QRect()).topLeft());
    // The days take the keyboard as the calendar opens, on the date being edited.
    m_calendar->dayGrid()->setFocus(Qt::PopupFocusReason);
    popover->show();
}

QRect OccurrencesEditor::popoverFrame(const QRect& chip, const QSize& size, const QRect& available)
{
    constexpr int gap = 4;
    QRect frame(QPoint(chip.center().x() - size.width() / 2, chip.bottom() + 1 + gap), size);
    if (available.isEmpty())
        return frame;
    // Above the chip when it does not fit below but does there.
    if (frame.bottom() > available.bottom() && chip.top() - gap - size.height() >= available.top())
        frame.moveBottom(chip.top() - 1 - gap);
    // Whatever happens, on the screen; its top row first when it is taller than the screen.
    frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() + 1 - size.width())));
    frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - size.height())));
    return frame;
}

void OccurrencesEditor::closePopover()
{
    m_datePopoverOpen = false;
    if (m_popover)
        m_popover->close();
}

bool OccurrencesEditor::eventFilter(QObject* watched, QEvent* event)
{
    // The edited row stays in sight of a list that scrolls: rows take their places, and the
    // list and its view their sizes, over the next turns of the loop. The list also moves as it
    // scrolls, which must not bring the row back: the user may look away.
    const bool moved = event->type() == QEvent::Move && watched == m_editingRow;
    const bool resized = event->type() == QEvent::Resize
        && (watched == m_editingRow || watched == m_list || watched == m_scrollArea->viewport());
    if ((moved || resized) && m_editingRow && !m_isRevealPending) {
        m_isRevealPending = true;
        QMetaObject::invokeMethod(this, &OccurrencesEditor::revealEditingRow, Qt::QueuedConnection);
    }
    // The edit ends when the keyboard leaves the edited row: moving between its date, place
    // and remove button is part of it, and so are the window losing activation and a menu or
    // the calendar opening.
    if (event->type() == QEvent::FocusOut && m_editingRow) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const QWidget* next = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
            && !(next && m_editingRow->isAncestorOf(next)) && m_editingID && !m_datePopoverOpen)
            commitEdit();
    }
    return QWidget::eventFilter(watched, event);
}

void OccurrencesEditor::releaseEditingRow()
{
    if (!m_editingRow)
        return;
    m_editingRow->removeEventFilter(this);
    for (QWidget* part : m_editingRow->findChildren<QWidget*>())
        part->removeEventFilter(this);
    m_editingRow = nullptr;
}

void OccurrencesEditor::rebuildRows()
{
    // The keyboard stays where it was: on the same part of the same occasion's row when the
    // row is still there (a place being typed goes on, caret and all), else on the editor, so
    // that the window always has a widget with the keyboard and its keys keep working.
    const QWidget* focus = QApplication::focusWidget();
    const bool listHadFocus = focus && m_list->isAncestorOf(focus);
    QVariant focusedOccasion;
    QString focusedPart;
    for (const QWidget* row : m_rows) {
        if (focus && (focus == row || row->isAncestorOf(focus))) {
            focusedOccasion = row->property(occasionIDProperty);
            focusedPart = focus == row ? QString() : focus->objectName();
        }
    }
    const int caret = m_placeField && focus == m_placeField ? m_placeField->cursorPosition() : -1;
    // Old rows go later: this may run inside one of their own signals.
    releaseEditingRow();
    if (m_placeField)
        m_placeField->disconnect(this);
    // The popover hangs off a chip that goes with its row.
    closePopover();
    std::vector<QWidget*> old = std::move(m_rows);
    old.insert(old.end(), m_dividers.begin(), m_dividers.end());
    m_rows.clear();
    m_dividers.clear();
    m_placeField = nullptr;
    m_dateChip = nullptr;

    if (!m_emptyLabel) {
        m_emptyLabel = makeLabel(tr("No occurrences yet."), m_list);
        m_emptyLabel->setForegroundRole(SheetStyle::secondaryRole);
        m_emptyLabel->setContentsMargins(0, 10, 0, 10);
        m_listLayout->addWidget(m_emptyLabel);
    }
    m_emptyLabel->setVisible(m_occasions.empty());

    const std::vector<SermonOccasion> sorted = sortedOccasions(m_occasions);
    std::vector<QWidget*> dateCells;
    QWidget* focusTarget = nullptr;
    for (const SermonOccasion& occasion : sorted) {
        QWidget* row = m_editingID == occasion.id ? makeEditingRow(occasion) : makeDisplayRow(occasion);
        row->setProperty(occasionIDProperty, occasion.id);
        m_rows.push_back(row);
        m_listLayout->addWidget(row);
        // Now rather than on the next turn, so that it can take the keyboard at once.
        row->show();
        dateCells.push_back(row->findChild<QWidget*>(QStringLiteral("dateCell"), Qt::FindDirectChildrenOnly));
        if (focusedOccasion == QVariant(occasion.id))
            focusTarget = focusablePart(row, focusedPart);
        if (occasion.id != sorted.back().id) {
            QWidget* divider = SheetStyle::makeDivider(m_list);
            m_dividers.push_back(divider);
            m_listLayout->addWidget(divider);
        }
    }
    // One width for the dates of all rows, so that the places line up.
    int dateWidth = 0;
    for (const QWidget* cell : dateCells)
        dateWidth = std::max(dateWidth, cell->sizeHint().width());
    for (QWidget* cell : dateCells)
        cell->setFixedWidth(dateWidth);

    if (focusTarget) {
        focusTarget->setFocus(Qt::OtherFocusReason);
        if (focusTarget == m_placeField && caret >= 0)
            m_placeField->setCursorPosition(caret);
    } else if (listHadFocus) {
        setFocus(Qt::OtherFocusReason);
    }
    for (QWidget* widget : old) {
        widget->hide();
        widget->deleteLater();
    }
    updateTabOrder();
    m_scrollArea->updateGeometry();
}

QWidget* OccurrencesEditor::focusablePart(QWidget* row, const QString& part) const
{
    // The same part when the row still has it; else the row itself, or the place of a row
    // that is now being edited.
    if (!part.isEmpty()) {
        if (auto* same = row->findChild<QWidget*>(part); same && (same->focusPolicy() & Qt::TabFocus))
            return same;
    }
    if (row->focusPolicy() & Qt::TabFocus)
        return row;
    return m_placeField && row->isAncestorOf(m_placeField) ? m_placeField.data() : nullptr;
}

void OccurrencesEditor::updateTabOrder()
{
    // Rows are made after the add button and would follow it, and whatever follows the editor.
    // Tab goes through the rows as shown, each from its date to its remove button, then to Add.
    std::vector<QWidget*> chain;
    for (QWidget* row : m_rows) {
        if (row->focusPolicy() & Qt::TabFocus)
            chain.push_back(row);
        for (QWidget* child : row->findChildren<QWidget*>()) {
            if (child->focusPolicy() & Qt::TabFocus)
                chain.push_back(child);
        }
    }
    if (chain.empty())
        return;
    QWidget::setTabOrder(m_addButton, chain.front());
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    QWidget::setTabOrder(chain.back(), m_addButton);
}

QWidget* OccurrencesEditor::makeDisplayRow(const SermonOccasion& occasion)
{
    auto* row = new DisplayRow([this, occasion] { beginEditing(occasion); }, m_list);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, rowPadding, 0, rowPadding);
    layout->setSpacing(rowSpacing);

    auto* dateCell = new QWidget(row);
    dateCell->setObjectName(QStringLiteral("dateCell"));
    auto* dates = new QVBoxLayout(dateCell);
    dates->setContentsMargins(0, 0, 0, 0);
    dates->setSpacing(2);
    QLabel* date = makeLabel(LongDate::text(occasion.date), dateCell);
    date->setObjectName(QStringLiteral("date"));
    dates->addWidget(date);
    QLabel* relative = makeLabel(OccasionDates::relativeDayText(occasion.date, today()), dateCell);
    relative->setFont(SheetStyle::captionFont());
    relative->setForegroundRole(SheetStyle::secondaryRole);
    dates->addWidget(relative);
    layout->addWidget(dateCell);

    QLabel* place = makeLabel(occasion.place.isEmpty() ? QStringLiteral("\u2014") : occasion.place, row);
    place->setObjectName(QStringLiteral("place"));
    place->setWordWrap(true);
    if (occasion.place.isEmpty())
        place->setForegroundRole(SheetStyle::secondaryRole);
    layout->addWidget(place, 1);

    const QUuid id = occasion.id;
    layout->addWidget(makeRemoveButton([this, id] { removeOccasion(id); }, row));
    return row;
}

QWidget* OccurrencesEditor::makeEditingRow(const SermonOccasion& occasion)
{
    auto* row = new QWidget(m_list);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, rowPadding, 0, rowPadding);
    layout->setSpacing(rowSpacing);

    auto* dateCell = new QWidget(row);
    dateCell->setObjectName(QStringLiteral("dateCell"));
    auto* cellLayout = new QHBoxLayout(dateCell);
    cellLayout->setContentsMargins(0, 0, 0, 0);
    auto* chip = new DateChip(dateCell);
    chip->setText(LongDate::text(m_editDate));
    chip->setObjectName(QStringLiteral("dateChip"));
    chip->setAccessibleName(tr("Date"));
    connect(chip, &QAbstractButton::clicked, this, [this] { setDatePopoverOpen(!m_datePopoverOpen); });
    m_dateChip = chip;
    cellLayout->addWidget(chip);
    cellLayout->addStretch(1);
    layout->addWidget(dateCell);

    auto* place = new SingleLineField(row);
    place->setObjectName(QStringLiteral("place"));
    SheetStyle::makePlainField(place);
    place->setPlaceholderText(tr("Place"));
    place->setAccessibleName(tr("Place"));
    place->setText(m_editPlace);
    connect(place, &SingleLineField::lineEdited, this, [this](const QString& text) { m_editPlace = text; });
    place->setOnSubmit([this] { commitEdit(); });
    m_placeField = place;
    layout->addWidget(place, 1);

    const QUuid id = occasion.id;
    QToolButton* remove = makeRemoveButton([this, id] { removeOccasion(id); }, row);
    layout->addWidget(remove);
    for (QWidget* part : { static_cast<QWidget*>(chip), static_cast<QWidget*>(place), static_cast<QWidget*>(remove) })
        part->installEventFilter(this);
    row->installEventFilter(this);
    m_editingRow = row;
    return row;
}

QAbstractButton* OccurrencesEditor::removeButton(QWidget* row)
{
    return row ? row->findChild<QAbstractButton*>(QStringLiteral("removeOccurrence")) : nullptr;
}

} // namespace kestrion
