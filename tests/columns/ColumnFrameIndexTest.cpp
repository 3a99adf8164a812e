#include "columns/ColumnFrameIndex.h"

#include "columns/ColumnWidthsConfig.h"
#include "columns/ColumnWrapCache.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace kestrion;

namespace {

// The frames of a column whose box or subtree band meets the rows, edges included.
std::set<QUuid> reaching(const ColumnFrameMap& frames, qint64 column, qreal top, qreal bottom)
{
    std::set<QUuid> ids;
    for (const ColumnNodeFrame& frame : frames) {
        const qreal from = std::min(frame.subtreeTop, frame.origin.y());
        const qreal to = std::max(frame.subtreeBottom, frame.origin.y() + frame.size.height());
        if (frame.column == column && from <= bottom && to >= top)
            ids.insert(frame.nodeID);
    }
    return ids;
}

std::multiset<QUuid> visited(const ColumnFrameIndex& index, qint64 column, qreal top, qreal bottom)
{
    std::multiset<QUuid> ids;
    index.forEachInRows(column, top, bottom, [&](const ColumnNodeFrame& frame) {
        EXPECT_EQ(frame.column, column);
        ids.insert(frame.nodeID);
    });
    return ids;
}

} // namespace

// Boxes mid-glide overlap and come in any order: whatever reaches the rows is visited, once.
TEST(ColumnFrameIndexTest, VisitsEveryFrameReachingTheRowsOnceAmongOverlappingFrames)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<qreal> y(0, 2000);
    ColumnFrameMap frames;
    for (int i = 0; i < 300; ++i) {
        ColumnNodeFrame frame;
        frame.nodeID = QUuid::createUuid();
        frame.column = static_cast<qint64>(random() % 4);
        frame.origin = QPointF(0, y(random));
        frame.size = QSizeF(100, 28 * static_cast<qreal>(1 + random() % 3));
        frame.subtreeTop = frame.origin.y() - static_cast<qreal>(random() % 2) * 10;
        frame.subtreeBottom = frame.origin.y() + y(random) / 4;
        frames.insert(frame.nodeID, frame);
    }
    const ColumnFrameIndex index(frames);
    for (int query = 0; query < 200; ++query) {
        const qint64 column = static_cast<qint64>(random() % 5);
        const qreal top = y(random);
        const qreal bottom = top + y(random) / 8;
        const std::multiset<QUuid> seen = visited(index, column, top, bottom);
        const std::set<QUuid> wanted = reaching(frames, column, top, bottom);
        EXPECT_EQ(std::set<QUuid>(seen.begin(), seen.end()).size(), seen.size());
        EXPECT_TRUE(std::includes(seen.begin(), seen.end(), wanted.begin(), wanted.end()));
    }
    // A limit leaves the deeper columns out.
    EXPECT_EQ(ColumnFrameIndex(frames, 2).columnCount(), 2);
    EXPECT_TRUE(visited(ColumnFrameIndex(frames, 2), 3, 0, 2000).empty());
}

// In a settled layout the boxes of a column do not overlap: the rows in view visit exactly the
// frames that reach them, not the rest of a long column.
TEST(ColumnFrameIndexTest, ASettledLayoutVisitsOnlyTheFramesInTheRows)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    for (int p = 0; p < 40; ++p) {
        const SermonNodePtr point = root->addChild(QStringLiteral("Point %1").arg(p));
        for (int l = 0; l < 25; ++l)
            point->addChild(QStringLiteral("Leaf %1 of the point").arg(l));
    }
    ColumnWrapCache cache;
    const ColumnLayout layout = ColumnLayout::build(root, ColumnWidthsConfig(), cache);
    const ColumnFrameIndex index(layout.frames);
    ASSERT_EQ(index.columnCount(), 3);
    for (const qreal top : { 0.0, 5000.0, 14000.0 }) {
        for (qint64 column = 0; column < 3; ++column) {
            const std::multiset<QUuid> seen = visited(index, column, top, top + 900);
            const std::set<QUuid> wanted = reaching(layout.frames, column, top, top + 900);
            EXPECT_EQ(std::set<QUuid>(seen.begin(), seen.end()), wanted) << top << " " << column;
            EXPECT_EQ(seen.size(), wanted.size());
        }
    }
}
