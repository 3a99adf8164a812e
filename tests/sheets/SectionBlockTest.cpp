#include "sheets/SectionBlock.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(SectionBlockTest, TitleStandsAboveTheCardWhichSpansTheWidth)
{
    for (const QString& title : { QString(), QStringLiteral("Occurrences") }) {
        SectionBlock block(title);
        auto* content = new QLabel(QStringLiteral("short"));
        block.setContent(content);
        block.resize(400, block.sizeHint().height());
        block.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&block));
        EXPECT_EQ(block.card()->width(), 400);
        EXPECT_EQ(content->x(), 0);
        if (title.isEmpty()) {
            EXPECT_EQ(block.titleLabel(), nullptr);
            EXPECT_EQ(block.card()->y(), 0);
        } else {
            ASSERT_NE(block.titleLabel(), nullptr);
            EXPECT_EQ(block.titleLabel()->text(), title);
            EXPECT_EQ(block.card()->y(), block.titleLabel()->geometry().bottom() + 1 + SectionBlock::titleSpacing);
            EXPECT_EQ(block.titleLabel()->x(), block.card()->x());
        }
    }
}
