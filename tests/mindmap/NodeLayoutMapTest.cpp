#include "mindmap/NodeLayoutMap.h"

#include <gtest/gtest.h>

#include <random>

using namespace kestrion;

namespace {

// The map must read exactly like the plain hash it stands for.
void expectSame(const NodeLayoutMap& map, const QHash<QUuid, NodeLayout>& model, const QList<QUuid>& everyKey)
{
    ASSERT_EQ(map.size(), model.size());
    for (const QUuid& key : everyKey) {
        ASSERT_EQ(map.contains(key), model.contains(key));
        ASSERT_EQ(map.value(key), model.value(key));
    }
    qsizetype visited = 0;
    for (auto it = map.cbegin(); it != map.cend(); ++it, ++visited)
        ASSERT_EQ(model.value(it.key()), it.value());
    ASSERT_EQ(visited, model.size());
}

} // namespace

TEST(NodeLayoutMapTest, CopiesKeepTheirEntriesWhileTheOriginalChanges)
{
    // Removals, slots handed to other keys, keys coming back and enough new keys to make the
    // map index itself again, while copies taken on the way are held and read.
    std::mt19937 random(99);
    QList<QUuid> keys;
    for (int i = 0; i < 400; ++i)
        keys.append(QUuid::createUuid());
    NodeLayoutMap map;
    QHash<QUuid, NodeLayout> model;
    std::vector<std::pair<NodeLayoutMap, QHash<QUuid, NodeLayout>>> copies;
    for (int step = 0; step < 3000; ++step) {
        const QUuid& key = keys[static_cast<qsizetype>(random() % keys.size())];
        if (random() % 3 == 0) {
            EXPECT_EQ(map.remove(key), model.remove(key));
        } else {
            const NodeLayout layout { key, QPointF(step, -step), QSizeF(step % 7, 2), step % 5, false, false, false };
            map.insert(key, layout);
            model.insert(key, layout);
        }
        if (step % 250 == 0)
            copies.emplace_back(map, model);
    }
    expectSame(map, model, keys);
    for (const auto& [copy, copyModel] : copies)
        expectSame(copy, copyModel, keys);
}
