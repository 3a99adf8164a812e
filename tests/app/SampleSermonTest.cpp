#include "document/SermonDocument.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

// The sample that `make run` opens and that is installed with the program.
TEST(SampleSermonTest, ReadsWithItsDetailsAndIsWrittenBackByteForByte)
{
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/sample-sermon.md"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    const std::unique_ptr<SermonDocument> document = SermonDocument::readDocument(contents);
    ASSERT_NE(document, nullptr);

    const SermonMetadata& metadata = document->metadata();
    EXPECT_EQ(metadata.scripture, QStringLiteral("Luke 15:11-32"));
    EXPECT_EQ(metadata.series, QStringLiteral("Stories Jesus Told"));
    EXPECT_EQ(metadata.duration, 30);
    ASSERT_EQ(metadata.occasions.size(), 1u);
    EXPECT_EQ(metadata.occasions.front().date, QDate(2025, 3, 16));

    const SermonNodePtr& root = document->root();
    EXPECT_EQ(root->text(), QStringLiteral("The Father Who Runs"));
    bool hasQuote = false;
    bool hasCollapsed = false;
    for (const SermonNodePtr& node : root->allNodes()) {
        hasQuote = hasQuote || node->isQuote();
        hasCollapsed = hasCollapsed || node->isCollapsed();
    }
    EXPECT_TRUE(hasQuote);
    EXPECT_TRUE(hasCollapsed);

    // Written in the writer's own layout, so opening and saving it changes nothing.
    EXPECT_EQ(SermonDocument::fileContents(document->snapshot()), contents);
}

} // namespace
