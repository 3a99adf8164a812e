#include "sheets/DurationRow.h"

#include "sheets/CaretTintedField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(DurationRowTest, ChipsAndCustomFieldFollowTheShownValueAndTheFocus)
{
    QWidget window;
    auto* row = new DurationRow(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // Nothing chosen: 35 shows selected, the custom field is inactive and shows "…".
    EXPECT_EQ(row->selectedPreset(), 35);
    EXPECT_TRUE(row->chip(35)->isChecked());
    EXPECT_FALSE(row->isCustomActive());
    EXPECT_EQ(row->customField()->placeholderText(), QStringLiteral("\u2026"));
    EXPECT_EQ(row->chip(55), nullptr);

    row->setDuration(75);
    EXPECT_EQ(row->selectedPreset(), std::nullopt);
    EXPECT_TRUE(row->isCustomActive());
    EXPECT_EQ(row->customField()->textColor(), QColor(Qt::white));

    row->setDuration(45);
    EXPECT_TRUE(row->chip(45)->isChecked());
    EXPECT_FALSE(row->chip(35)->isChecked());
    EXPECT_FALSE(row->isCustomActive());

    // While the field has the keyboard no chip is selected and the field is active.
    row->customField()->setFocus();
    EXPECT_TRUE(row->isCustomFieldFocused());
    EXPECT_EQ(row->selectedPreset(), std::nullopt);
    EXPECT_FALSE(row->chip(45)->isChecked());
    EXPECT_TRUE(row->isCustomActive());
    EXPECT_TRUE(row->customField()->placeholderText().isEmpty());
}

TEST(DurationRowTest, ChipsReportTheirMinutesAndLeaveTheSelectionToTheOwner)
{
    DurationRow row;
    std::vector<qint64> chosen;
    row.setOnSelectPreset([&](qint64 minutes) { chosen.push_back(minutes); });
    row.chip(90)->click();
    row.chip(20)->click();
    EXPECT_EQ(chosen, (std::vector<qint64> { 90, 20 }));
    // Until the owner stores it, the shown value stays.
    EXPECT_TRUE(row.chip(35)->isChecked());
    EXPECT_FALSE(row.chip(20)->isChecked());
}
