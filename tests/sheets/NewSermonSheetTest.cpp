#include "sheets/NewSermonSheet.h"

#include "sheets/CaretTintedField.h"
#include "sheets/DurationRow.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SectionBlock.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <functional>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

struct Created {
    QString title;
    SermonMetadata metadata;
};

class NewSermonSheetTest : public ::testing::Test {
protected:
    NewSermonSheetTest()
        : m_sheet(
            [this](const QString& title, const SermonMetadata& metadata) {
                m_created.push_back({ title, metadata });
            },
            [this] { ++m_cancelled; })
    {
        m_sheet.form().occurrences()->setToday([] { return QDate(2024, 5, 15); });
        m_sheet.show();
        QApplication::setActiveWindow(&m_sheet);
        (void)QTest::qWaitForWindowActive(&m_sheet);
    }

    SermonDetailsForm& form() { return m_sheet.form(); }
    DurationRow& row() { return *form().durationRow(); }

    void typeTitle(const QString& text) { QTest::keyClicks(form().titleField(), text); }

    // Types minutes into the custom field, optionally confirming them with Return.
    void typeMinutes(const QString& digits, bool confirm)
    {
        CaretTintedField* field = row().customField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, digits);
        if (confirm)
            QTest::keyClick(field, Qt::Key_Return);
    }

    std::optional<qint64> createdDuration()
    {
        form().actionButton()->click();
        return m_created.empty() ? std::optional<qint64>() : m_created.back().metadata.duration;
    }

    std::vector<Created> m_created;
    int m_cancelled = 0;
    NewSermonSheet m_sheet;
};

} // namespace

TEST_F(NewSermonSheetTest, StartsInTheTitleAndCannotCreateWithABlankTitle)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().titleField()->hasFocus(); }));
    EXPECT_FALSE(form().actionButton()->isEnabled());
    typeTitle(QStringLiteral("   "));
    form().titleField()->insert(QStringLiteral("\n\u2028"));
    EXPECT_FALSE(m_sheet.canCreate());
    EXPECT_FALSE(form().actionButton()->isEnabled());
    QTest::keyClick(form().titleField(), Qt::Key_Return);
    m_sheet.create();
    EXPECT_TRUE(m_created.empty());

    QTest::keyClick(form().seriesField(), Qt::Key_Escape);
    EXPECT_EQ(m_cancelled, 1);
    EXPECT_TRUE(m_created.empty());
}

TEST_F(NewSermonSheetTest, HandsOverTheTrimmedTitleAndDetails)
{
    form().titleField()->insert(QStringLiteral("  The Lost  Sheep \n"));
    form().scriptureField()->insert(QStringLiteral("   "));
    form().seriesField()->insert(QStringLiteral("\tParables "));
    QTest::keyClick(form().scriptureField(), Qt::Key_Return);
    ASSERT_EQ(m_created.size(), 1u);
    EXPECT_EQ(m_created[0].title, QStringLiteral("The Lost  Sheep"));
    EXPECT_TRUE(m_created[0].metadata.scripture.isEmpty());
    EXPECT_EQ(m_created[0].metadata.series, QStringLiteral("Parables"));
    // The untouched duration row shows 35, and the sermon gets what it showed.
    EXPECT_TRUE(row().chip(35)->isChecked());
    EXPECT_EQ(m_created[0].metadata.duration, 35);
    // The sheet keeps what was entered for the next use.
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("  The Lost  Sheep  "));
}

TEST_F(NewSermonSheetTest, DurationFromChipsAndConfirmedOrTypedMinutes)
{
    typeTitle(QStringLiteral("Sermon"));
    row().chip(45)->click();
    EXPECT_EQ(createdDuration(), 45);

    typeMinutes(QStringLiteral("75"), true);
    EXPECT_EQ(m_sheet.duration(), 75);
    EXPECT_FALSE(row().isCustomFieldFocused());
    EXPECT_EQ(row().customDraft(), QStringLiteral("75"));
    EXPECT_TRUE(row().isCustomActive());

    // A chip after confirmed minutes wins; the field keeps its digits, drawn inactive.
    row().chip(45)->click();
    EXPECT_EQ(createdDuration(), 45);
    EXPECT_EQ(row().customDraft(), QStringLiteral("75"));
    EXPECT_FALSE(row().isCustomActive());
    // So does a chip after minutes typed and left unconfirmed.
    typeMinutes(QStringLiteral("88"), false);
    row().chip(50)->click();
    EXPECT_EQ(createdDuration(), 50);

    // Minutes typed but not confirmed count for Create, as they do for Done.
    typeMinutes(QStringLiteral("075"), false);
    EXPECT_EQ(createdDuration(), 75);

    for (const QString& rejected :
        { QStringLiteral("0"), QStringLiteral("181"), QStringLiteral("99999999999999999999") }) {
        typeMinutes(rejected, true);
        EXPECT_EQ(m_sheet.duration(), 75) << rejected.toStdString();
        EXPECT_EQ(row().customDraft(), rejected);
        EXPECT_FALSE(row().isCustomFieldFocused());
    }
    typeMinutes(QStringLiteral("500"), false);
    EXPECT_EQ(createdDuration(), 75);
}

// However a field gives up the keyboard, it stays in the window, and Return and Escape act.
TEST_F(NewSermonSheetTest, ReturnCreatesAndEscapeCancelsAfterAFieldGivesUpTheKeyboard)
{
    typeTitle(QStringLiteral("Sermon"));
    OccurrencesEditor* occurrences = form().occurrences();
    const auto typePlace = [&] {
        occurrences->beginEditing(occurrences->occasions().front());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return occurrences->placeField() && occurrences->placeField()->hasFocus(); }));
        QTest::keyClicks(occurrences->placeField(), QStringLiteral("x"));
    };
    occurrences->addOccasion();
    occurrences->addOccasion();
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "Return in the minutes", [&] { typeMinutes(QStringLiteral("75"), true); } },
        { "Return in a place",
            [&] {
                typePlace();
                QTest::keyClick(occurrences->placeField(), Qt::Key_Return);
            } },
        { "Add while a place is typed, then Return in the new place",
            [&] {
                typePlace();
                occurrences->addButton()->click();
                QTest::keyClick(occurrences->placeField(), Qt::Key_Return);
            } },
        { "removing the place being typed",
            [&] {
                typePlace();
                OccurrencesEditor::removeButton(occurrences->placeField()->parentWidget())->click();
            } },
    };
    for (const auto& [way, leave] : ways) {
        leave();
        QApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && (focus == &m_sheet || m_sheet.isAncestorOf(focus))) << way;
        const std::size_t created = m_created.size();
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_EQ(m_created.size(), created + 1) << way;
    }
    // Even with no widget holding the keyboard, the window's keys reach the form.
    QApplication::focusWidget()->clearFocus();
    QTest::keyClick(&m_sheet, Qt::Key_Return);
    EXPECT_EQ(m_created.size(), std::size(ways) + 1);
    QTest::keyClick(&m_sheet, Qt::Key_Escape);
    EXPECT_EQ(m_cancelled, 1);
    // A push button with the keyboard takes Return itself.
    form().cancelButton()->setFocus();
    QTest::keyClick(form().cancelButton(), Qt::Key_Return);
    EXPECT_EQ(m_cancelled, 2);
}

TEST_F(NewSermonSheetTest, OccasionsGoInStoredOrderWithAPlaceStillBeingTyped)
{
    typeTitle(QStringLiteral("Sermon"));
    OccurrencesEditor* occurrences = form().occurrences();
    occurrences->addOccasion();
    occurrences->setEditDate(QDate(2024, 6, 2));
    occurrences->commitEdit();
    occurrences->addOccasion();
    occurrences->setEditPlace(QStringLiteral("Hope Hall"));
    form().actionButton()->click();
    ASSERT_EQ(m_created.size(), 1u);
    const std::vector<SermonOccasion>& occasions = m_created[0].metadata.occasions;
    ASSERT_EQ(occasions.size(), 2u);
    EXPECT_EQ(occasions[0].date, QDate(2024, 6, 2));
    EXPECT_EQ(occasions[1].date, QDate(2024, 5, 19));
    EXPECT_EQ(occasions[1].place, QStringLiteral("Hope Hall"));
}

TEST_F(NewSermonSheetTest, OccurrencesKeepToTheirContentAndTheFormToTheTop)
{
    OccurrencesEditor* occurrences = form().occurrences();
    QWidget* card = occurrences->section()->card();
    QWidget* rows = occurrences->findChild<QScrollArea*>()->widget();
    // New rows show over the next turns of the loop; the card follows them.
    const auto settle = [] {
        for (int turn = 0; turn < 8; ++turn)
            QApplication::processEvents();
    };
    // The window is taller than the form needs: the room goes below the occurrences.
    m_sheet.resize(SermonDetailsForm::formWidth, 520);
    settle();
    EXPECT_EQ(card->height(), rows->sizeHint().height());

    occurrences->addOccasion();
    occurrences->setEditPlace(QStringLiteral("Capernaum"));
    occurrences->addOccasion();
    occurrences->beginEditing(occurrences->occasions().front());
    settle();
    EXPECT_GT(rows->sizeHint().height(), 0);
    EXPECT_EQ(card->height(), rows->sizeHint().height());

    // Once they outgrow the room, the list scrolls inside the form's height.
    std::vector<SermonOccasion> many(30);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i].date = QDate(2024, 1, 1).addDays(qint64(i));
    occurrences->setOccasions(many);
    settle();
    EXPECT_LE(form().height(), SermonDetailsForm::maximumFormHeight);
    EXPECT_GT(card->height(), 0);
    EXPECT_LT(card->height(), rows->sizeHint().height());
}

TEST_F(NewSermonSheetTest, ShownAgainTheKeptTitleIsSelectedSoTheNextOneReplacesIt)
{
    typeTitle(QStringLiteral("A"));
    form().scriptureField()->insert(QStringLiteral("Luke 15"));
    m_sheet.hide();
    m_sheet.show();
    QApplication::setActiveWindow(&m_sheet);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form().titleField()->hasSelectedText(); }));
    EXPECT_TRUE(form().titleField()->hasFocus());
    typeTitle(QStringLiteral("B"));
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("B"));
    EXPECT_EQ(form().scriptureField()->text(), QStringLiteral("Luke 15"));
}
