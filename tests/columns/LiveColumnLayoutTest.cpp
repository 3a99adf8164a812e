#include "columns/LiveColumnLayout.h"

#include "columns/ColumnWrapCache.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace kestrion;

namespace {

// Texts of one to sixty words, some on two lines, some not Latin, so that points wrap to
// different numbers of lines at different widths.
QString randomText(std::mt19937& random)
{
    static const QStringList words { QStringLiteral("the"), QStringLiteral("shepherd"), QStringLiteral("calls"),
        QStringLiteral("his"), QStringLiteral("own"), QStringLiteral("sheep"), QStringLiteral("by"),
        QStringLiteral("name,"), QStringLiteral("and"), QStringLiteral("leads"), QStringLiteral("them"),
        QStringLiteral("out."), QStringLiteral("\u05e9\u05dc\u05d5\u05dd"), QStringLiteral("\u6587\u5b57"),
        QStringLiteral("\U0001F534"), QStringLiteral("unsearchable-riches-of-Christ") };
    const int count = random() % 4 == 0 ? 20 + static_cast<int>(random() % 40) : 1 + static_cast<int>(random() % 8);
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += random() % 12 == 0 ? QChar(u'\u2028') : QChar(u' ');
        text += words[static_cast<qsizetype>(random() % words.size())];
    }
    return text;
}

SermonNodePtr randomNode(const SermonNodePtr& root, std::mt19937& random)
{
    const std::vector<SermonNodePtr> nodes = root->allNodes();
    return nodes[random() % nodes.size()];
}

// What the kept layout answers about the tree, against the tree itself and a fresh layout.
void expectSameAsFresh(const LiveColumnLayout& live, const SermonNodePtr& root, const ColumnWidthsConfig& widths)
{
    ColumnWrapCache freshCache;
    const ColumnLayout fresh = ColumnLayout::build(root, widths, freshCache);
    ASSERT_EQ(live.snapshot(), fresh);
    for (const SermonNodePtr& node : root->allNodes()) {
        const QUuid& id = node->id();
        EXPECT_EQ(live.node(id), node);
        const SermonNodePtr parent = root->findParent(id);
        const qint64 index = parent ? parent->indexOfChild(id) : -1;
        const bool hasNext = parent && index + 1 < static_cast<qint64>(parent->children().size());
        EXPECT_EQ(live.nextSiblingID(id),
            hasNext ? std::optional<QUuid>(parent->children()[static_cast<size_t>(index + 1)]->id()) : std::nullopt);
        if (!fresh.frames.contains(id)) {
            SermonNodePtr shown = parent;
            while (!fresh.frames.contains(shown->id()))
                shown = root->findParent(shown->id());
            EXPECT_EQ(live.shownAncestorOfHidden(id), shown->id());
            continue;
        }
        // The deepest column of the shown subtree; the neighbours in the column.
        qint64 rightmost = 0;
        for (const SermonNodePtr& below : node->allNodes())
            rightmost = std::max(rightmost, fresh.frames.value(below->id(), fresh.frames.value(id)).column);
        EXPECT_EQ(live.subtreeRightmost(id), rightmost);
        const ColumnNodeFrame frame = fresh.frames.value(id);
        std::optional<QUuid> above;
        std::optional<QUuid> below;
        for (const ColumnNodeFrame& other : fresh.frames) {
            if (other.column != frame.column)
                continue;
            if (other.origin.y() < frame.origin.y() && (!above || other.origin.y() > fresh.frames[*above].origin.y()))
                above = other.nodeID;
            if (other.origin.y() > frame.origin.y() && (!below || other.origin.y() < fresh.frames[*below].origin.y()))
                below = other.nodeID;
        }
        EXPECT_EQ(live.nodeAbove(id), above);
        EXPECT_EQ(live.nodeBelow(id), below);
        EXPECT_EQ(live.nodeAt(frame.column, frame.subtreeBottom - 1), id);
    }
}

} // namespace

// Every way the layout follows a change (one node's text, the widths, a walk after any other
// change, a tree brought back by undo) ends where a layout made afresh does.
TEST(LiveColumnLayoutTest, KeptLayoutEqualsAFreshOneThroughRandomEdits)
{
    std::mt19937 random(7);
    const SermonNodePtr root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    for (int i = 0; i < 80; ++i) {
        const SermonNodePtr parent = randomNode(root, random);
        if (parent->depth() < 4)
            parent->addChild(randomText(random));
    }
    SermonNodePtr tree = root;
    ColumnWidthsConfig widths;
    ColumnWrapCache cache;
    LiveColumnLayout live;
    live.update(tree, widths, cache);
    for (int step = 0; step < 160; ++step) {
        const SermonNodePtr node = randomNode(tree, random);
        switch (random() % 7) {
        case 0:
        case 1:
            node->setText(randomText(random));
            if (live.updateText(node->id(), cache) == LiveColumnLayout::TextChange::Unknown)
                ADD_FAILURE() << "a node of the tree is unknown";
            break;
        case 2:
            if (node->depth() < 5)
                node->insertChild(
                    static_cast<qint64>(random() % 3), SermonNode::create(randomText(random), node->depth() + 1));
            live.update(tree, widths, cache);
            break;
        case 3:
            tree->removeNode(node->id());
            live.update(tree, widths, cache);
            break;
        case 4:
            tree->moveNode(node->id(), randomNode(tree, random)->id(), static_cast<qint64>(random() % 4));
            live.update(tree, widths, cache);
            break;
        case 5:
            if (node->hasChildren())
                node->setCollapsed(!node->isCollapsed());
            live.update(tree, widths, cache);
            break;
        case 6:
            if (random() % 3 == 0) {
                // Undo hands back a copy of the tree with the same ids.
                tree = tree->deepCopy(false);
                live.update(tree, widths, cache);
            } else {
                widths.setColumnWidth(
                    static_cast<qint64>(random() % 5), 180 + static_cast<double>(random() % 700) + 0.37);
                live.updateWidths(widths, cache);
            }
            break;
        }
        expectSameAsFresh(live, tree, widths);
        if (HasFatalFailure() || HasNonfatalFailure())
            FAIL() << "after step " << step;
    }
}

// A glide starts from the frames as they were: the moves name every box that changed.
TEST(LiveColumnLayoutTest, MovesNameEveryBoxThatChangedWithItsFormerFrame)
{
    const SermonNodePtr root = SermonNode::create(QStringLiteral("Title"));
    root->addChild(QStringLiteral("First"));
    const SermonNodePtr b = root->addChild(QStringLiteral("Second"));
    b->addChild(QStringLiteral("Under the second"));
    ColumnWrapCache cache;
    LiveColumnLayout live;
    live.update(root, ColumnWidthsConfig(), cache);
    const ColumnLayout before = live.snapshot();

    root->insertChild(0, SermonNode::create(QStringLiteral("New"), 1));
    std::vector<LiveColumnLayout::Move> moves;
    live.update(root, ColumnWidthsConfig(), cache, &moves);
    const ColumnLayout after = live.snapshot();
    QHash<QUuid, ColumnNodeFrame> moved;
    for (const LiveColumnLayout::Move& move : moves) {
        EXPECT_TRUE(live.holds(move.slot, move.nodeID));
        moved.insert(move.nodeID, move.from);
    }
    for (auto it = before.frames.cbegin(); it != before.frames.cend(); ++it) {
        if (after.frames.value(it.key()) != it.value()) {
            EXPECT_EQ(moved.value(it.key()), it.value());
        } else {
            EXPECT_FALSE(moved.contains(it.key()));
        }
    }
    EXPECT_EQ(moved.size(), 4); // the title grew; the two points and the sub-point moved down
}

// A column's width dragged narrower and wider, by points and by jumps, with a point's text
// changed, a point added and a second column widened on the way: each step wraps again only
// the boxes whose lines may change there, and ends where a layout made afresh does.
TEST(LiveColumnLayoutTest, WidthDraggedToAndFroEndsWhereAFreshLayoutDoes)
{
    std::mt19937 random(3);
    const SermonNodePtr root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    std::vector<SermonNodePtr> deep;
    for (int p = 0; p < 3; ++p) {
        const SermonNodePtr point = root->addChild(randomText(random));
        for (int s = 0; s < 25; ++s)
            deep.push_back(point->addChild(randomText(random)));
    }
    ColumnWidthsConfig widths;
    ColumnWrapCache cache;
    LiveColumnLayout live;
    live.update(root, widths, cache);
    qreal width = 600;
    for (int step = 0; step < 120; ++step) {
        const qreal direction = step < 40 || step >= 80 ? -1 : 1;
        width = std::clamp(width + direction * (static_cast<qreal>(1 + random() % (step % 10 == 0 ? 60 : 6)) + 0.25),
            qreal(180), qreal(1200));
        widths.setColumnWidth(2, width);
        if (step == 20) {
            deep[7]->setText(
                QStringLiteral("He calls his own sheep by name and leads them out, and the sheep follow him, "
                               "for they know his voice; a stranger they will not follow"));
            live.updateText(deep[7]->id(), cache);
        } else if (step == 60) {
            widths.setColumnWidth(1, 420.5);
        } else if (step == 90) {
            root->children()[1]->insertChild(3, SermonNode::create(randomText(random), 2));
            live.update(root, widths, cache);
        }
        live.updateWidths(widths, cache);
        ColumnWrapCache freshCache;
        ASSERT_EQ(live.snapshot(), ColumnLayout::build(root, widths, freshCache)) << "step " << step;
    }
}

// Boxes left unmeasured below a height: all above the height is exact, all a complete layout puts
// below it stays below it, and however the rest is measured the layout ends where a fresh one
// does.
TEST(LiveColumnLayoutTest, LayoutMeasuredDownToAHeightIsExactAboveItAndCompletesAsAFreshOne)
{
    std::mt19937 random(11);
    const SermonNodePtr root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    for (int i = 0; i < 300; ++i) {
        const SermonNodePtr parent = randomNode(root, random);
        if (parent->depth() < 4)
            parent->addChild(randomText(random));
    }
    const std::vector<
        std::pair<const char*, std::function<void(LiveColumnLayout&, ColumnWrapCache&, ColumnWidthsConfig&)>>>
        completions {
            { "down to heights",
                [](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig&) {
                    for (qreal y = 500; !live.isComplete(); y += 700) {
                        live.measureTo(y, cache);
                        ASSERT_TRUE(live.isComplete() || live.exactBottom() > y);
                    }
                } },
            { "in slices",
                [](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig&) {
                    while (!live.measureSome(cache, 0)) { }
                } },
            { "at once",
                [](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig&) { live.measureAll(cache); } },
            { "a text changed",
                [&root](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig&) {
                    root->children().back()->setText(QStringLiteral("A new last point"));
                    live.updateText(root->children().back()->id(), cache);
                } },
            { "widths changed",
                [](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig& widths) {
                    widths.setColumnWidth(2, 333.5);
                    live.updateWidths(widths, cache);
                } },
            { "walked again",
                [&root](LiveColumnLayout& live, ColumnWrapCache& cache, ColumnWidthsConfig& widths) {
                    live.update(root, widths, cache);
                } },
        };
    for (const auto& [name, complete] : completions) {
        SCOPED_TRACE(name);
        ColumnWidthsConfig widths;
        ColumnWrapCache freshCache;
        const ColumnLayout fresh = ColumnLayout::build(root, widths, freshCache);
        ColumnWrapCache cache;
        LiveColumnLayout live;
        live.update(root, widths, cache, nullptr, 400);
        ASSERT_FALSE(live.isComplete());
        const qreal exact = live.exactBottom();
        EXPECT_GE(exact, 400);
        const ColumnLayout partial = live.snapshot();
        EXPECT_GE(partial.totalSize.height(), exact);
        for (const ColumnNodeFrame& frame : fresh.frames) {
            const ColumnNodeFrame kept = partial.frames.value(frame.nodeID);
            if (frame.origin.y() >= exact) {
                EXPECT_GE(kept.origin.y(), exact);
                continue;
            }
            EXPECT_EQ(kept.origin, frame.origin);
            EXPECT_EQ(kept.size, frame.size);
            if (frame.subtreeBottom < exact)
                EXPECT_EQ(kept.subtreeBottom, frame.subtreeBottom);
            else
                EXPECT_GE(kept.subtreeBottom, exact);
        }
        complete(live, cache, widths);
        EXPECT_TRUE(live.isComplete());
        expectSameAsFresh(live, root, widths);
    }
}
