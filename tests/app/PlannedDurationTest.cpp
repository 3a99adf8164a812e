#include "app/AppMode.h"
#include "app/ContentView.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/DeliveryView.h"
#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "sheets/DurationRow.h"
#include "sheets/DurationRules.h"
#include "sheets/FileSettingsSheet.h"
#include "sheets/SermonDetailsForm.h"
#include "support/RoomyScreen.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

// A sermon of exactly that many words, without a duration.
std::unique_ptr<SermonDocument> sermonOfWords(qint64 words)
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    QStringList body;
    for (qint64 i = 1; i < words; ++i)
        body.append(QStringLiteral("word"));
    root->addChild(body.join(u' '));
    auto document = std::make_unique<SermonDocument>(root, SermonMetadata());
    EXPECT_EQ(wordCount(document->root()), words);
    return document;
}

} // namespace

// What File Settings shows for a sermon without a duration, or with one delivery cannot count
// down from as it stands, is what delivery counts down from, and Done without a change stores
// nothing.
TEST(PlannedDurationTest, FileSettingsShowWhatDeliveryCountsDownFromAndStoreNothingUnasked)
{
    RoomyScreen screen;
    struct Case {
        qint64 words;
        qint64 pace;
        std::optional<qint64> stored;
        qint64 minutes;
    };
    const std::vector<Case> cases {
        { 650, 130, std::nullopt, 5 },
        { 651, 130, std::nullopt, 10 },
        { 1301, 130, std::nullopt, 15 },
        { 2600, 130, std::nullopt, 20 },
        { 651, 60, std::nullopt, 15 },
        { 1301, 200, std::nullopt, 10 },
        // Past a day: a day.
        { 200000, 130, std::nullopt, 1440 },
        { 300, 130, -5, 1 },
        { 300, 130, 0, 1 },
        { 300, 130, 1441, 1440 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.words << " words at " << c.pace << ", stored "
                                        << (c.stored ? QString::number(*c.stored).toStdString() : "none"));
        QTemporaryDir folder;
        Preferences preferences(
            std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
        preferences.setDeliveryWPM(c.pace);
        const std::unique_ptr<SermonDocument> document = sermonOfWords(c.words);
        SermonMetadata metadata;
        metadata.duration = c.stored;
        document->setMetadata(metadata);
        const QString written = document->snapshot();
        UndoManager undoManager;
        ContentView view(*document, preferences, &undoManager);
        view.resize(1000, 700);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

        view.setMode(AppMode::Delivery);
        auto* delivery = qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery));
        ASSERT_NE(delivery, nullptr);
        EXPECT_EQ(delivery->timer().plannedTargetSeconds(), double(c.minutes * 60));
        EXPECT_TRUE(delivery->counterBlock()->remainingLabel()->text().startsWith(QString::number(c.minutes) + u':'))
            << delivery->counterBlock()->remainingLabel()->text().toStdString();

        view.showFileSettings();
        FileSettingsSheet* sheet = view.fileSettingsSheet();
        ASSERT_NE(sheet, nullptr);
        const DurationRow* row = sheet->form().durationRow();
        EXPECT_EQ(row->shownValue(), c.minutes);
        // As drawn: the chip of the figure, or its digits in the custom field; never the 35 of a
        // new sermon.
        for (const qint64 preset : DurationRules::presets)
            EXPECT_EQ(row->chip(preset)->isChecked(), preset == c.minutes) << preset;
        EXPECT_EQ(row->customDraft(), DurationRules::isPreset(c.minutes) ? QString() : QString::number(c.minutes));
        EXPECT_EQ(row->isCustomActive(), !DurationRules::isPreset(c.minutes));

        sheet->form().actionButton()->click();
        EXPECT_EQ(document->metadata().duration, c.stored);
        EXPECT_TRUE(document->undoStack().empty());
        EXPECT_TRUE(undoManager.isClean());
        EXPECT_EQ(document->snapshot(), written);
    }
}
