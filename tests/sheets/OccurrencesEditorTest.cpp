#include "sheets/OccurrencesEditor.h"

#include "platform/Appearance.h"
#include "sheets/CalendarGrid.h"
#include "sheets/SectionBlock.h"
#include "sheets/SingleLineField.h"
#include "support/ContrastRatio.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace kestrion;

namespace {

SermonOccasion occasion(const QString& place, const QDate& date)
{
    SermonOccasion result;
    result.place = place;
    result.date = date;
    return result;
}

class OccurrencesEditorTest : public ::testing::Test {
protected:
    OccurrencesEditorTest()
    {
        auto* layout = new QVBoxLayout(&m_window);
        m_before = new QLineEdit(&m_window);
        m_editor = new OccurrencesEditor(&m_window);
        m_other = new QLineEdit(&m_window);
        layout->addWidget(m_before);
        layout->addWidget(m_editor);
        layout->addWidget(m_other);
        // A Wednesday: the coming Sunday is May 19.
        m_editor->setToday([] { return QDate(2024, 5, 15); });
        m_window.show();
        QApplication::setActiveWindow(&m_window);
        (void)QTest::qWaitForWindowActive(&m_window);
    }

    std::vector<QString> shownPlaces() const
    {
        std::vector<QString> places;
        for (QWidget* row : m_editor->rows()) {
            if (auto* label = row->findChild<QLabel*>(QStringLiteral("place")))
                places.push_back(label->text());
            else
                places.push_back(QStringLiteral("[editing]"));
        }
        return places;
    }

    QWidget m_window;
    QLineEdit* m_before = nullptr;
    OccurrencesEditor* m_editor = nullptr;
    QLineEdit* m_other = nullptr;
};

} // namespace

TEST_F(OccurrencesEditorTest, AddingAppendsOneForTheComingSundayAndEditsIt)
{
    EXPECT_TRUE(m_editor->emptyLabel()->isVisible());
    QSignalSpy edited(m_editor, &OccurrencesEditor::occasionsEdited);
    m_editor->addButton()->click();
    ASSERT_EQ(edited.count(), 1);
    ASSERT_EQ(m_editor->occasions().size(), 1u);
    const SermonOccasion& added = m_editor->occasions().front();
    EXPECT_EQ(added.date, QDate(2024, 5, 19));
    EXPECT_TRUE(added.place.isEmpty());
    EXPECT_EQ(m_editor->editingID(), added.id);
    EXPECT_FALSE(m_editor->emptyLabel()->isVisible());
    ASSERT_NE(m_editor->placeField(), nullptr);
}

// The keys typed right after the click, before the loop turns again, belong to the place,
// wherever the keyboard was.
TEST_F(OccurrencesEditorTest, AfterAClickThatEditsAnOccasionTheNextKeysGoToItsPlace)
{
    const SermonOccasion first = occasion(QStringLiteral("Grace "), QDate(2024, 3, 3));
    const std::pair<const char*, std::function<void()>> clicks[] = {
        { "Add occurrence", [&] { QTest::mouseClick(m_editor->addButton(), Qt::LeftButton); } },
        { "a row", [&] { QTest::mouseClick(m_editor->rows().back(), Qt::LeftButton); } },
    };
    for (const auto& [what, click] : clicks) {
        m_editor->setOccasions({ first });
        m_other->setFocus();
        click();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Chapel"));
        ASSERT_NE(m_editor->placeField(), nullptr) << what;
        EXPECT_TRUE(m_editor->placeField()->hasFocus()) << what;
        EXPECT_TRUE(m_editor->editPlace().endsWith(QStringLiteral("Chapel"))) << what;
        EXPECT_TRUE(m_other->text().isEmpty()) << what;
        m_editor->commitEdit();
    }
    EXPECT_EQ(m_editor->occasions().front().place, QStringLiteral("Grace Chapel"));
}
TEST_F(OccurrencesEditorTest, CommitWritesOnlyWhatChangedAndBothFieldsTogether)
{
    const SermonOccasion first = occasion(QStringLiteral("Grace Chapel"), QDate(2024, 3, 3));
    m_editor->setOccasions({ first });
    QSignalSpy edited(m_editor, &OccurrencesEditor::occasionsEdited);

    m_editor->beginEditing(first);
    m_editor->commitEdit();
    EXPECT_EQ(edited.count(), 0);
    EXPECT_FALSE(m_editor->editingID());

    // Edited and edited back counts as unchanged.
    m_editor->beginEditing(first);
    m_editor->setEditPlace(QStringLiteral("Elsewhere"));
    m_editor->setEditPlace(first.place);
    m_editor->commitEdit();
    EXPECT_EQ(edited.count(), 0);

    m_editor->beginEditing(first);
    m_editor->setEditDate(QDate(2024, 3, 10));
    m_editor->commitEdit();
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(m_editor->occasions().front().date, QDate(2024, 3, 10));
    EXPECT_EQ(m_editor->occasions().front().place, first.place);
    EXPECT_EQ(m_editor->occasions().front().id, first.id);

    // Spaces only are stored as typed.
    m_editor->beginEditing(m_editor->occasions().front());
    m_editor->setEditPlace(QStringLiteral("   "));
    m_editor->commitEdit();
    EXPECT_EQ(m_editor->occasions().front().place, QStringLiteral("   "));
}

TEST_F(OccurrencesEditorTest, ReturnOrLeavingThePlaceCommitsButMovingIntoTheCalendarDoesNot)
{
    const SermonOccasion first = occasion(QString(), QDate(2024, 3, 3));
    m_editor->setOccasions({ first });
    m_editor->beginEditing(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_editor->placeField() && m_editor->placeField()->hasFocus(); }));
    QTest::keyClicks(m_editor->placeField(), QStringLiteral("Hope Hall"));
    EXPECT_TRUE(m_editor->occasions().front().place.isEmpty());
    QTest::keyClick(m_editor->placeField(), Qt::Key_Return);
    EXPECT_EQ(m_editor->occasions().front().place, QStringLiteral("Hope Hall"));
    EXPECT_FALSE(m_editor->editingID());

    m_editor->beginEditing(m_editor->occasions().front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_editor->placeField() && m_editor->placeField()->hasFocus(); }));
    m_editor->placeField()->selectAll();
    QTest::keyClicks(m_editor->placeField(), QStringLiteral("Town Hall"));
    m_editor->setDatePopoverOpen(true);
    ASSERT_NE(m_editor->calendar(), nullptr);
    EXPECT_TRUE(m_editor->editingID());
    // Picking a day closes the calendar and changes only the pending date.
    m_editor->calendar()->selectDay(QDate(2024, 3, 17));
    EXPECT_FALSE(m_editor->isDatePopoverOpen());
    EXPECT_EQ(m_editor->editDate(), QDate(2024, 3, 17));
    EXPECT_EQ(m_editor->occasions().front().date, QDate(2024, 3, 3));

    m_other->setFocus();
    EXPECT_FALSE(m_editor->editingID());
    EXPECT_EQ(m_editor->occasions().front().date, QDate(2024, 3, 17));
    EXPECT_EQ(m_editor->occasions().front().place, QStringLiteral("Town Hall"));
}

// Clicks on the edited row's own chip and remove button act on the row; they do not first
// end the edit by taking the keyboard from the place being typed.
TEST_F(OccurrencesEditorTest, ClickingTheEditedRowsChipOrRemoveButtonActsOnThatRow)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("B"), QDate(2024, 2, 4));
    m_editor->setOccasions({ a, b });
    m_editor->beginEditing(a);
    ASSERT_TRUE(m_editor->placeField() && m_editor->placeField()->hasFocus());
    QTest::keyClicks(m_editor->placeField(), QStringLiteral("2"));
    // The pointer comes to the chip once the row is laid out.
    QApplication::processEvents();
    QTest::mouseClick(m_editor->dateChip(), Qt::LeftButton);
    EXPECT_TRUE(m_editor->isDatePopoverOpen());
    ASSERT_NE(m_editor->calendar(), nullptr);
    m_editor->calendar()->selectDay(QDate(2024, 1, 14));
    EXPECT_EQ(m_editor->editingID(), a.id);
    EXPECT_EQ(m_editor->editPlace(), QStringLiteral("A2"));

    QWidget* editedRow = m_editor->placeField()->parentWidget();
    QTest::mouseClick(OccurrencesEditor::removeButton(editedRow), Qt::LeftButton);
    ASSERT_EQ(m_editor->occasions().size(), 1u);
    EXPECT_EQ(m_editor->occasions().front().id, b.id);
}

TEST_F(OccurrencesEditorTest, AddingOrEditingAnotherRowCommitsTheFirst)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("B"), QDate(2024, 2, 4));
    m_editor->setOccasions({ a, b });
    m_editor->beginEditing(a);
    m_editor->setEditPlace(QStringLiteral("A2"));
    m_editor->beginEditing(b);
    EXPECT_EQ(m_editor->occasions()[0].place, QStringLiteral("A2"));
    EXPECT_EQ(m_editor->editingID(), b.id);

    m_editor->setEditPlace(QStringLiteral("B2"));
    QSignalSpy edited(m_editor, &OccurrencesEditor::occasionsEdited);
    m_editor->addOccasion();
    EXPECT_EQ(edited.count(), 2);
    ASSERT_EQ(m_editor->occasions().size(), 3u);
    EXPECT_EQ(m_editor->occasions()[1].place, QStringLiteral("B2"));
}

TEST_F(OccurrencesEditorTest, RemovingTheEditedOneDropsItsEditAndAnotherKeepsIt)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("B"), QDate(2024, 2, 4));
    const SermonOccasion c = occasion(QStringLiteral("C"), QDate(2024, 3, 3));
    const SermonOccasion d = occasion(QStringLiteral("D"), QDate(2024, 4, 7));
    m_editor->setOccasions({ a, b, c, d });
    m_editor->beginEditing(a);
    m_editor->setEditPlace(QStringLiteral("A2"));
    m_editor->removeOccasion(c.id);
    EXPECT_EQ(m_editor->editingID(), a.id);
    EXPECT_EQ(m_editor->editPlace(), QStringLiteral("A2"));
    EXPECT_EQ(m_editor->placeField()->text(), QStringLiteral("A2"));

    // The place being typed keeps the keyboard, and the next keys reach it.
    m_editor->placeField()->setFocus();
    m_editor->placeField()->setCursorPosition(1);
    QTest::mouseClick(OccurrencesEditor::removeButton(m_editor->rows().front()), Qt::LeftButton);
    ASSERT_EQ(m_editor->occasions().size(), 2u);
    ASSERT_TRUE(m_editor->placeField());
    EXPECT_TRUE(m_editor->placeField()->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3"));
    EXPECT_EQ(m_editor->placeField()->text(), QStringLiteral("A32"));

    m_editor->removeOccasion(a.id);
    EXPECT_FALSE(m_editor->editingID());
    ASSERT_EQ(m_editor->occasions().size(), 1u);
    EXPECT_EQ(m_editor->occasions().front().id, b.id);

    // Through the row's own button; an absent id does nothing.
    QSignalSpy edited(m_editor, &OccurrencesEditor::occasionsEdited);
    m_editor->removeOccasion(a.id);
    EXPECT_EQ(edited.count(), 0);
    OccurrencesEditor::removeButton(m_editor->rows().front())->click();
    EXPECT_TRUE(m_editor->occasions().empty());
    EXPECT_EQ(edited.count(), 1);
}

TEST_F(OccurrencesEditorTest, ShowsNewestFirstAndKeepsTheStoredOrder)
{
    const SermonOccasion old = occasion(QStringLiteral("Old"), QDate(2023, 4, 2));
    const SermonOccasion sameDayFirst = occasion(QString(), QDate(2024, 4, 7));
    const SermonOccasion sameDaySecond = occasion(QStringLiteral("Second"), QDate(2024, 4, 7));
    const SermonOccasion middle = occasion(QStringLiteral("Middle"), QDate(2023, 12, 24));
    const SermonOccasion future = occasion(QStringLiteral("Future"), QDate(2025, 1, 5));
    m_editor->setOccasions({ old, sameDayFirst, future, sameDaySecond, middle });
    EXPECT_EQ(shownPlaces(),
        (std::vector<QString> { QStringLiteral("Future"), QStringLiteral("\u2014"), QStringLiteral("Second"),
            QStringLiteral("Middle"), QStringLiteral("Old") }));
    // A new occasion is shown at its date, not at the top, and stored last.
    m_editor->addOccasion();
    EXPECT_EQ(m_editor->occasions().back().date, QDate(2024, 5, 19));
    EXPECT_EQ(shownPlaces()[1], QStringLiteral("[editing]"));
    EXPECT_EQ(m_editor->occasions().front().id, old.id);
}

TEST_F(OccurrencesEditorTest, TheListLiesOnTheCardAndLetsItsFillShow)
{
    m_editor->setOccasions({ occasion(QStringLiteral("Grace Chapel"), QDate(2024, 5, 19)) });
    QApplication::processEvents();
    QWidget* card = m_editor->section()->card();
    // Inside the card, right of the row's place and left of its remove button: the card's
    // light fill over the window, not the window itself.
    const QImage image = card->grab().toImage();
    const QColor inside = image.pixelColor(card->width() * 3 / 4, card->height() / 2);
    EXPECT_NE(inside, m_window.palette().color(QPalette::Window));
    // And the outline along the card's left edge.
    EXPECT_NE(image.pixelColor(0, card->height() / 2), m_window.palette().color(QPalette::Window));
}

TEST_F(OccurrencesEditorTest, TabGoesThroughTheRowsAsShownThenToAdd)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("B"), QDate(2024, 2, 4));
    m_editor->setOccasions({ a, b });
    const auto editA = [&] {
        m_editor->beginEditing(m_editor->occasions().front());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_editor->placeField() && m_editor->placeField()->hasFocus(); }));
    };
    // Newest first: B's row, then A's, being edited.
    const auto focusIndex = [&] {
        QWidget* rowB = m_editor->rows()[0];
        const QWidget* chain[] = { rowB, OccurrencesEditor::removeButton(rowB), m_editor->dateChip(),
            m_editor->placeField(), OccurrencesEditor::removeButton(m_editor->rows()[1]), m_editor->addButton() };
        return std::find(std::begin(chain), std::end(chain), QApplication::focusWidget()) - std::begin(chain);
    };
    const auto press = [](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    };
    editA();
    press(Qt::Key_Tab);
    EXPECT_EQ(focusIndex(), 4);
    // Within its row the edit goes on; it ends once the keyboard leaves the row.
    EXPECT_EQ(m_editor->editingID(), a.id);
    press(Qt::Key_Tab);
    EXPECT_EQ(focusIndex(), 5);
    EXPECT_FALSE(m_editor->editingID());

    editA();
    press(Qt::Key_Backtab);
    EXPECT_EQ(focusIndex(), 2);
    EXPECT_EQ(m_editor->editingID(), a.id);
    press(Qt::Key_Backtab);
    EXPECT_EQ(focusIndex(), 1);
    press(Qt::Key_Backtab);
    EXPECT_EQ(focusIndex(), 0);
    // The rows lie between what comes before the editor and its add button.
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), m_before);
    press(Qt::Key_Tab);
    // Space on a row edits it, and its place takes the keyboard.
    press(Qt::Key_Space);
    EXPECT_EQ(m_editor->editingID(), b.id);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_editor->placeField() && m_editor->placeField()->hasFocus(); }));
}

TEST_F(OccurrencesEditorTest, ThePlaceBeingEditedLiesPlainOnTheCardInLineWithTheOthers)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("Bethlehem"), QDate(2024, 12, 29));
    const SermonOccasion c = occasion(QString(), QDate(2024, 5, 5));
    m_editor->setOccasions({ a, b, c });
    m_editor->beginEditing(c);
    m_window.resize(620, 400);
    for (int turn = 0; turn < 4; ++turn)
        QApplication::processEvents();
    std::vector<int> placeColumns;
    for (QWidget* row : m_editor->rows()) {
        QWidget* place = row->findChild<QWidget*>(QStringLiteral("place"));
        ASSERT_TRUE(place);
        placeColumns.push_back(place->mapTo(m_editor, QPoint()).x());
    }
    EXPECT_EQ(placeColumns, std::vector<int>(3, placeColumns.front()));

    // Right of the placeholder, the field shows the card's fill, as the row beside it does.
    QWidget* card = m_editor->section()->card();
    SingleLineField* field = m_editor->placeField();
    const QImage image = card->grab().toImage();
    const QPoint inField = field->mapTo(card, QPoint(field->width() - 4, field->height() / 2));
    const QPoint besideField = field->mapTo(card, QPoint(field->width() + 2, field->height() / 2));
    EXPECT_EQ(image.pixelColor(inField), image.pixelColor(besideField));
}

TEST(OccurrencesEditorPopoverTest, TheCalendarGoesBelowWhenItFitsElseAboveAndStaysOnTheScreen)
{
    const QRect screen(0, 0, 1024, 768);
    const QSize size(320, 330);
    struct Case {
        const char* name;
        QRect chip;
        QRect frame;
    };
    const Case cases[] = {
        { "room below", QRect(200, 100, 161, 24), QRect(120, 128, 320, 330) },
        { "no room below", QRect(200, 600, 161, 24), QRect(120, 266, 320, 330) },
        { "at the right edge", QRect(900, 100, 120, 24), QRect(704, 128, 320, 330) },
        { "at the left edge", QRect(0, 100, 40, 24), QRect(0, 128, 320, 330) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(OccurrencesEditor::popoverFrame(c.chip, size, screen), c.frame) << c.name;
    // No room either way: as low as the screen allows; taller than the screen, its top row shows.
    EXPECT_EQ(
        OccurrencesEditor::popoverFrame(QRect(200, 380, 161, 24), QSize(320, 420), screen), QRect(120, 348, 320, 420));
    EXPECT_EQ(OccurrencesEditor::popoverFrame(QRect(200, 600, 160, 24), QSize(320, 900), screen).top(), 0);
}

TEST_F(OccurrencesEditorTest, TheCalendarOpensOnTheScreenUnderAChipNearItsBottom)
{
    const QRect available = m_window.screen()->availableGeometry();
    m_editor->setOccasions({ occasion(QStringLiteral("A"), QDate(2024, 1, 7)) });
    m_editor->beginEditing(m_editor->occasions().front());
    m_window.move(available.left(), available.bottom() - m_window.height());
    QApplication::processEvents();
    m_editor->setDatePopoverOpen(true);
    ASSERT_TRUE(m_editor->calendar());
    const QWidget* popover = m_editor->calendar()->window();
    EXPECT_TRUE(available.contains(popover->geometry())) << popover->geometry().y();
    EXPECT_LT(popover->geometry().bottom(), m_editor->dateChip()->mapToGlobal(QPoint()).y());
}

TEST_F(OccurrencesEditorTest, TheCalendarStandsOutFromTheSheetInTheDark)
{
    const QPalette saved = QGuiApplication::palette();
    QGuiApplication::setPalette(Appearance::darkPalette());
    m_editor->setOccasions({ occasion(QStringLiteral("A"), QDate(2024, 1, 7)) });
    m_editor->beginEditing(m_editor->occasions().front());
    m_editor->setDatePopoverOpen(true);
    ASSERT_TRUE(m_editor->calendar());
    const QImage image = m_editor->calendar()->window()->grab().toImage();
    const QColor window = Appearance::darkPalette().color(QPalette::Window);
    EXPECT_GE(contrastRatio(image.pixelColor(0, image.height() / 2), window), 1.7);
    EXPECT_GT(image.pixelColor(image.width() / 2, 2).lightnessF(), window.lightnessF());
    m_editor->setDatePopoverOpen(false);
    QGuiApplication::setPalette(saved);
}

TEST_F(OccurrencesEditorTest, DatesAreWrittenAsLongDatesWithoutTheirWeekday)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 7));
    const SermonOccasion b = occasion(QStringLiteral("B"), QDate(2026, 12, 13));
    m_editor->setOccasions({ a, b });
    m_editor->beginEditing(b);
    EXPECT_EQ(m_editor->dateChip()->text(), QStringLiteral("13 December 2026"));
    EXPECT_EQ(
        m_editor->rows()[1]->findChild<QLabel*>(QStringLiteral("date"))->text(), QStringLiteral("7 January 2024"));
    QLocale::setDefault(QLocale::system());
}

TEST_F(OccurrencesEditorTest, AScrollingListShowsTheRowBeingEditedAndKeepsItsBarInsideTheCard)
{
    // All later than the coming Sunday: a new occasion is listed last, below the fold.
    std::vector<SermonOccasion> many;
    for (int i = 1; i <= 8; ++i)
        many.push_back(occasion(QStringLiteral("Place %1").arg(i), QDate(2024, 6, 2).addDays(7 * i)));
    m_editor->setOccasions(many);
    m_window.resize(620, 260);
    const auto settle = [] {
        for (int turn = 0; turn < 8; ++turn)
            QApplication::processEvents();
    };
    settle();
    auto* area = m_editor->findChild<QScrollArea*>();
    QScrollBar* bar = area->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const auto isInSight = [&](const QWidget* row) {
        return area->viewport()->rect().contains(QRect(row->mapTo(area->viewport(), QPoint()), row->size()));
    };
    for (const bool byAdding : { true, false }) {
        bar->setValue(byAdding ? bar->minimum() : bar->maximum());
        if (byAdding)
            m_editor->addOccasion();
        else
            m_editor->beginEditing(m_editor->occasions().front());
        settle();
        ASSERT_TRUE(m_editor->placeField());
        EXPECT_TRUE(isInSight(m_editor->placeField()->parentWidget())) << byAdding;
    }
    // The user may still scroll away from it.
    bar->setValue(bar->minimum());
    settle();
    EXPECT_EQ(bar->value(), bar->minimum());

    // The bar stands clear of the card's rounded outline.
    QWidget* card = m_editor->section()->card();
    QPainterPath outline;
    outline.addRoundedRect(
        QRectF(card->rect()).adjusted(0.5, 0.5, -0.5, -0.5), SectionBlock::cornerRadius, SectionBlock::cornerRadius);
    QPainterPathStroker stroke;
    stroke.setWidth(1);
    const QRectF barFrame(bar->mapTo(card, QPoint()), bar->size());
    EXPECT_FALSE(stroke.createStroke(outline).intersects(barFrame))
        << barFrame.right() << " of " << card->width() << ", " << barFrame.top() << " to " << barFrame.bottom();
}

TEST_F(OccurrencesEditorTest, TheRingAroundTheRowWithTheKeyboardLeavesItsTextClear)
{
    m_editor->setOccasions({ occasion(QStringLiteral("Grace Chapel"), QDate(2024, 1, 7)) });
    QApplication::processEvents();
    QWidget* card = m_editor->section()->card();
    QWidget* row = m_editor->rows().front();
    const QImage plain = card->grab().toImage();
    row->setFocus(Qt::TabFocusReason);
    const QImage ringed = card->grab().toImage();
    QRect text;
    for (const char* part : { "dateCell", "place" }) {
        const auto* widget = row->findChild<QWidget*>(QLatin1String(part));
        text |= QRect(widget->mapTo(card, QPoint()), widget->size());
    }
    int changedOnText = 0;
    int changedElsewhere = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) != ringed.pixel(x, y))
                ++(text.contains(x, y) ? changedOnText : changedElsewhere);
        }
    }
    EXPECT_EQ(changedOnText, 0);
    EXPECT_GT(changedElsewhere, 0);
}

TEST_F(OccurrencesEditorTest, ADayIsPickedWithoutAPointer)
{
    const SermonOccasion a = occasion(QStringLiteral("A"), QDate(2024, 1, 31));
    m_editor->setOccasions({ a });
    m_editor->beginEditing(a);
    // Return picks the day the keys moved to; Escape closes and changes nothing.
    for (const auto& [move, close] :
        { std::pair { Qt::Key_Right, Qt::Key_Return }, std::pair { Qt::Key_Down, Qt::Key_Escape } }) {
        m_editor->dateChip()->setFocus(Qt::BacktabFocusReason);
        QTest::keyClick(m_editor->dateChip(), Qt::Key_Space);
        EXPECT_TRUE(m_editor->isDatePopoverOpen());
        // The days have the keyboard, on the date being edited.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return m_editor->calendar() && m_editor->calendar()->dayGrid()->hasFocus(); }));
        EXPECT_EQ(m_editor->calendar()->focusedDay(), m_editor->editDate());
        QTest::keyClick(QApplication::focusWidget(), move);
        QTest::keyClick(QApplication::focusWidget(), close);
        EXPECT_FALSE(m_editor->isDatePopoverOpen());
        EXPECT_EQ(m_editor->editDate(), QDate(2024, 2, 1));
        EXPECT_EQ(m_editor->editingID(), a.id);
    }
}
