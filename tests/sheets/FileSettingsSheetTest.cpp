#include "sheets/FileSettingsSheet.h"

#include "document/SermonDocument.h"
#include "document/UndoRegistrar.h"
#include "platform/Preferences.h"
#include "sheets/CaretTintedField.h"
#include "sheets/DurationRow.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace kestrion;

namespace {

class CountingRegistrar : public UndoRegistrar {
public:
    void registerUndo(SermonDocument&) override { ++registrations; }
    bool withdrawUndo(SermonDocument&) override
    {
        --registrations;
        return true;
    }
    int registrations = 0;
};

// Preferences of their own, in a file of their own.
struct TestPreferences {
    QTemporaryDir folder;
    Preferences preferences { std::make_unique<QSettings>(
        folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) };
};

SermonDocument* makeDocument()
{
    SermonMetadata metadata;
    metadata.scripture = QStringLiteral("Luke 15:11-32");
    metadata.series = QStringLiteral("Stories Jesus Told");
    metadata.duration = 30;
    SermonOccasion occasion;
    occasion.place = QStringLiteral("Grace Chapel");
    occasion.date = QDate(2025, 3, 16);
    metadata.occasions = { occasion };
    SermonNodePtr root = SermonNode::create(QStringLiteral("The Father Who Runs"));
    root->addChild(QStringLiteral("Far from Home"));
    return new SermonDocument(root, metadata);
}

class FileSettingsSheetTest : public ::testing::Test {
protected:
    FileSettingsSheetTest()
        : m_document(makeDocument())
        , m_sheet(*m_document, &m_registrar, m_settings.preferences)
    {
        m_sheet.setOnDismiss([this] { ++m_dismissed; });
        m_sheet.form().occurrences()->setToday([] { return QDate(2025, 3, 12); });
        m_sheet.show();
        QApplication::setActiveWindow(&m_sheet);
        (void)QTest::qWaitForWindowActive(&m_sheet);
    }

    SermonDetailsForm& form() { return m_sheet.form(); }
    DurationRow& row() { return *form().durationRow(); }
    const SermonMetadata& details() const { return m_document->metadata(); }
    std::size_t steps() const { return m_document->undoStack().size(); }

    static void replaceText(SingleLineField* field, const QString& text)
    {
        field->selectAll();
        field->insert(text);
    }

    void typeMinutes(const QString& digits)
    {
        CaretTintedField* field = row().customField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, digits);
    }

    CountingRegistrar m_registrar;
    TestPreferences m_settings;
    std::unique_ptr<SermonDocument> m_document;
    FileSettingsSheet m_sheet;
    int m_dismissed = 0;
};

} // namespace

TEST_F(FileSettingsSheetTest, ShowsTheDocumentAndDoneWithoutChangesRecordsNothing)
{
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("The Father Who Runs"));
    EXPECT_EQ(form().scriptureField()->text(), QStringLiteral("Luke 15:11-32"));
    EXPECT_EQ(form().seriesField()->text(), QStringLiteral("Stories Jesus Told"));
    EXPECT_TRUE(row().chip(30)->isChecked());
    EXPECT_EQ(form().occurrences()->occasions(), details().occasions);

    form().actionButton()->click();
    EXPECT_EQ(m_dismissed, 1);
    EXPECT_EQ(steps(), 0u);
    EXPECT_EQ(m_registrar.registrations, 0);
}

TEST_F(FileSettingsSheetTest, DoneWritesEachChangedValueAsItsOwnStepInOrder)
{
    replaceText(form().titleField(), QStringLiteral("The Running Father "));
    replaceText(form().seriesField(), QString());
    typeMinutes(QStringLiteral("72"));
    form().occurrences()->addOccasion();
    // Return in a text field is Done.
    QTest::keyClick(form().scriptureField(), Qt::Key_Return);
    EXPECT_EQ(m_dismissed, 1);

    ASSERT_EQ(steps(), 4u);
    EXPECT_EQ(m_registrar.registrations, 4);
    // Written as typed, trailing space and empty series included.
    EXPECT_EQ(m_document->title(), QStringLiteral("The Running Father "));
    EXPECT_TRUE(details().series.isEmpty());
    EXPECT_EQ(details().duration, 72);
    ASSERT_EQ(details().occasions.size(), 2u);
    EXPECT_EQ(details().occasions[1].date, QDate(2025, 3, 16));

    // Each snapshot holds what stood before its own value was written.
    const auto& stack = m_document->undoStack();
    EXPECT_EQ(stack[0].root->text(), QStringLiteral("The Father Who Runs"));
    EXPECT_EQ(stack[1].root->text(), QStringLiteral("The Running Father "));
    EXPECT_EQ(stack[1].metadata.series, QStringLiteral("Stories Jesus Told"));
    EXPECT_TRUE(stack[2].metadata.series.isEmpty());
    EXPECT_EQ(stack[2].metadata.duration, 30);
    EXPECT_EQ(stack[3].metadata.duration, 72);
    EXPECT_EQ(stack[3].metadata.occasions.size(), 1u);

    m_document->undo();
    EXPECT_EQ(details().occasions.size(), 1u);
    EXPECT_EQ(details().duration, 72);
}

TEST_F(FileSettingsSheetTest, ChipsAndConfirmedMinutesWriteAtOnceAndStayAfterCancel)
{
    row().chip(30)->click();
    EXPECT_EQ(steps(), 0u);
    row().chip(45)->click();
    EXPECT_EQ(details().duration, 45);
    EXPECT_EQ(steps(), 1u);

    typeMinutes(QStringLiteral("0035"));
    QTest::keyClick(row().customField(), Qt::Key_Return);
    EXPECT_EQ(details().duration, 35);
    // A preset empties the field; a value off the presets shows its digits.
    EXPECT_TRUE(row().customDraft().isEmpty());
    typeMinutes(QStringLiteral("181"));
    QTest::keyClick(row().customField(), Qt::Key_Return);
    EXPECT_EQ(details().duration, 35);
    EXPECT_TRUE(row().customDraft().isEmpty());
    typeMinutes(QStringLiteral("180"));
    QTest::keyClick(row().customField(), Qt::Key_Return);
    EXPECT_EQ(details().duration, 180);
    EXPECT_EQ(row().customDraft(), QStringLiteral("180"));
    EXPECT_EQ(steps(), 3u);
    // Return in the minutes is not Done.
    EXPECT_EQ(m_dismissed, 0);

    replaceText(form().seriesField(), QStringLiteral("Dropped"));
    form().occurrences()->addOccasion();
    QTest::keyClick(form().seriesField(), Qt::Key_Escape);
    EXPECT_EQ(m_dismissed, 1);
    EXPECT_EQ(details().duration, 180);
    EXPECT_EQ(details().series, QStringLiteral("Stories Jesus Told"));
    EXPECT_EQ(details().occasions.size(), 1u);

    m_document->undo();
    EXPECT_EQ(details().duration, 35);
}

TEST_F(FileSettingsSheetTest, AChipAfterTypedMinutesIsWhatDoneKeeps)
{
    typeMinutes(QStringLiteral("75"));
    // The chip of the value already stored changes nothing, but it is the last choice.
    row().chip(30)->click();
    form().actionButton()->click();
    EXPECT_EQ(details().duration, 30);
    EXPECT_EQ(steps(), 0u);
}

TEST_F(FileSettingsSheetTest, WithoutADurationTheRowFollowsTheEstimateUntilMinutesAreTyped)
{
    SermonMetadata metadata = details();
    metadata.duration.reset();
    m_document->setMetadata(metadata);
    // Seven words: the shortest countdown at 130 a minute, ten minutes at one a minute.
    EXPECT_EQ(row().customDraft(), QStringLiteral("5"));
    m_settings.preferences.setDeliveryWPM(1);
    EXPECT_EQ(row().customDraft(), QStringLiteral("10"));

    // Typed minutes stay while the estimate moves, and Return chooses them.
    typeMinutes(QStringLiteral("12"));
    m_settings.preferences.setDeliveryWPM(130);
    EXPECT_EQ(row().customDraft(), QStringLiteral("12"));
    QTest::keyClick(row().customField(), Qt::Key_Return);
    EXPECT_EQ(details().duration, 12);
    EXPECT_EQ(steps(), 1u);

    m_document->undo();
    EXPECT_EQ(details().duration, std::nullopt);
    EXPECT_EQ(row().customDraft(), QStringLiteral("5"));
    // The estimate back in the field is not a choice: Done stores nothing.
    form().actionButton()->click();
    EXPECT_EQ(details().duration, std::nullopt);
    EXPECT_EQ(steps(), 0u);
}

TEST_F(FileSettingsSheetTest, ChangesFromElsewhereReplaceTheirDraftsOnly)
{
    replaceText(form().titleField(), QStringLiteral("Typed title"));
    replaceText(form().scriptureField(), QStringLiteral("Typed scripture"));
    m_document->recordUndo(std::nullopt);
    SermonMetadata metadata = details();
    metadata.series = QStringLiteral("Other series");
    metadata.duration = 75;
    m_document->setMetadata(metadata);
    EXPECT_EQ(form().seriesField()->text(), QStringLiteral("Other series"));
    EXPECT_EQ(row().customDraft(), QStringLiteral("75"));
    EXPECT_EQ(form().scriptureField()->text(), QStringLiteral("Typed scripture"));
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("Typed title"));

    m_document->setTitle(QStringLiteral("Renamed"));
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("Renamed"));
    // An undo brings back the tree and the details before.
    m_document->undo();
    EXPECT_EQ(form().titleField()->text(), QStringLiteral("The Father Who Runs"));
    EXPECT_EQ(form().seriesField()->text(), QStringLiteral("Stories Jesus Told"));
    EXPECT_TRUE(row().customDraft().isEmpty());
    EXPECT_TRUE(row().chip(30)->isChecked());
}

TEST_F(FileSettingsSheetTest, AnOccasionEditedBackOrStillBeingTyped)
{
    OccurrencesEditor* occurrences = form().occurrences();
    const SermonOccasion original = details().occasions.front();
    occurrences->beginEditing(original);
    occurrences->setEditPlace(QStringLiteral("Elsewhere"));
    occurrences->commitEdit();
    occurrences->beginEditing(occurrences->occasions().front());
    occurrences->setEditPlace(original.place);
    occurrences->commitEdit();
    form().actionButton()->click();
    EXPECT_EQ(steps(), 0u);

    // The place field keeps the keyboard when Done is clicked; what it shows is written.
    occurrences->beginEditing(original);
    occurrences->setEditPlace(QStringLiteral("Hope Hall"));
    form().actionButton()->click();
    EXPECT_EQ(steps(), 1u);
    EXPECT_EQ(details().occasions.front().place, QStringLiteral("Hope Hall"));
}

TEST_F(FileSettingsSheetTest, APickedDayIsTheStoredDayInEveryTimeZone)
{
    const QByteArray zone = qgetenv("TZ");
    for (const char* name : { "Pacific/Kiritimati", "Pacific/Pago_Pago", "UTC" }) {
        qputenv("TZ", name);
        tzset();
        OccurrencesEditor* occurrences = form().occurrences();
        occurrences->beginEditing(details().occasions.front());
        occurrences->setDatePopoverOpen(true);
        ASSERT_NE(occurrences->calendar(), nullptr);
        occurrences->calendar()->selectDay(QDate(2025, 12, 28));
        occurrences->commitEdit();
        form().actionButton()->click();
        EXPECT_EQ(details().occasions.front().date, QDate(2025, 12, 28)) << name;
        EXPECT_TRUE(m_document->snapshot().contains(QStringLiteral("date: 2025-12-28"))) << name;
        m_document->undo();
        m_sheet.loadDrafts();
    }
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

TEST(FileSettingsSheetUnreadableTest, SaysTheDetailsCouldNotBeReadUntilDoneReplacesThem)
{
    const QByteArray block = "---\nseries: Gospel of John: Signs\n---";
    const auto document = SermonDocument::readDocument(block + "\n# Signs\n");
    ASSERT_TRUE(document && document->unreadableFrontMatter());
    TestPreferences settings;
    FileSettingsSheet sheet(*document, nullptr, settings.preferences);
    QLabel* notice = sheet.form().notice();
    EXPECT_FALSE(notice->isHidden());
    EXPECT_TRUE(notice->text().contains(QStringLiteral("could not be read")));

    // A new title alone leaves the details, and the block, as they are.
    sheet.form().titleField()->selectAll();
    sheet.form().titleField()->insert(QStringLiteral("Seven Signs"));
    sheet.commitFileSettings();
    EXPECT_TRUE(document->unreadableFrontMatter());
    EXPECT_FALSE(notice->isHidden());

    sheet.form().seriesField()->insert(QStringLiteral("Signs"));
    sheet.commitFileSettings();
    EXPECT_FALSE(document->unreadableFrontMatter());
    EXPECT_TRUE(notice->isHidden());
    EXPECT_TRUE(document->snapshot().startsWith(QStringLiteral("---\nseries: Signs\n---\n\n# Seven Signs\n")));
    document->undo();
    EXPECT_FALSE(notice->isHidden());

    // Details read but for a part: they show, and the notice names what is kept.
    const auto partly = SermonDocument::readDocument("---\nscripture: John 2\nauthor: Tim\n---\n# Signs\n");
    ASSERT_TRUE(partly);
    FileSettingsSheet partlySheet(*partly, nullptr, settings.preferences);
    EXPECT_EQ(partlySheet.form().scriptureField()->text(), QStringLiteral("John 2"));
    EXPECT_FALSE(partlySheet.form().notice()->isHidden());
    EXPECT_TRUE(partlySheet.form().notice()->text().contains(QStringLiteral("author")));
}

TEST_F(FileSettingsSheetTest, LongValuesAreKeptWhole)
{
    // Longer than a line edit holds by default: Done must not cut them short.
    const QString longText = QString(40000, u'w');
    m_document->setTitle(longText);
    SermonMetadata metadata = details();
    metadata.scripture = longText;
    metadata.occasions.front().place = longText;
    m_document->setMetadata(metadata);
    m_sheet.loadDrafts();
    OccurrencesEditor* occurrences = form().occurrences();
    occurrences->beginEditing(details().occasions.front());
    occurrences->placeField()->end(false);
    occurrences->placeField()->insert(QStringLiteral("!"));
    form().actionButton()->click();
    EXPECT_EQ(steps(), 1u);
    EXPECT_EQ(m_document->title().size(), longText.size());
    EXPECT_EQ(details().scripture.size(), longText.size());
    EXPECT_EQ(details().occasions.front().place, longText + u'!');
}
