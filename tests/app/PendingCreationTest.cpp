#include "app/PendingCreation.h"

#include "document/SermonDocument.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

const SermonMetadata& details()
{
    static const SermonMetadata metadata = [] {
        SermonMetadata m;
        m.scripture = QStringLiteral("John 10:11");
        m.duration = 25;
        m.occasions.push_back({ QUuid::createUuid(), QStringLiteral("Chapel"), QDate(2025, 4, 20) });
        return m;
    }();
    return metadata;
}

TEST(PendingCreationTest, EachItemIsTakenExactlyOnce)
{
    ASSERT_FALSE(PendingCreation::shared().take());
    PendingCreation::shared().put({ QStringLiteral("Older"), {} });
    PendingCreation::shared().put({ QStringLiteral("Easter/Morning"), details() });

    const std::unique_ptr<SermonDocument> first = makeNewDocument();
    EXPECT_EQ(first->root()->text(), QStringLiteral("Easter/Morning"));
    EXPECT_EQ(first->root()->depth(), 0);
    EXPECT_EQ(first->metadata(), details());
    EXPECT_TRUE(first->undoStack().empty());

    const std::unique_ptr<SermonDocument> second = makeNewDocument();
    EXPECT_EQ(second->root()->text(), QStringLiteral("New Sermon"));
    EXPECT_EQ(second->metadata(), SermonMetadata());
}

TEST(PendingCreationTest, ANewSermonIsAnUnsavedUntitledDocumentNamedAfterItsTitle)
{
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    auto owned = std::make_unique<test::ScriptedDialogs>();
    test::ScriptedDialogs& dialogs = *owned;
    DocumentManager manager(settings, std::move(owned));
    manager.setShowsWindows(false);
    manager.setRecoveryFolder(folder.filePath(QStringLiteral("recovery")));

    OpenDocument* document = createNewSermon(manager, QStringLiteral("Easter/Morning"), details());
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(PendingCreation::shared().take());
    EXPECT_TRUE(document->isUntitled());
    // The title keeps its slash; the name cannot.
    EXPECT_EQ(document->document().root()->text(), QStringLiteral("Easter/Morning"));
    EXPECT_EQ(document->displayName(), QStringLiteral("EasterMorning"));
    EXPECT_EQ(document->document().metadata(), details());

    // What the user entered is kept from the start and never dropped without a question.
    EXPECT_TRUE(document->hasUnsavedChanges());
    EXPECT_EQ(QDir(folder.filePath(QStringLiteral("recovery"))).entryList({ QStringLiteral("*.md") }).size(), 1);
    EXPECT_FALSE(manager.close(*document));
    EXPECT_EQ(dialogs.saveQuestions, QStringList { QStringLiteral("EasterMorning") });
    EXPECT_FALSE(manager.saveAs(*document));
    ASSERT_EQ(dialogs.suggestedPaths.size(), 1);
    EXPECT_TRUE(dialogs.suggestedPaths.front().endsWith(QStringLiteral("/EasterMorning.md")));

    // A plain new sermon holds nothing the user entered.
    OpenDocument* blank = manager.newDocument();
    EXPECT_FALSE(blank->hasUnsavedChanges());
    EXPECT_TRUE(manager.close(*blank));
}

} // namespace
