#include "mindmap/NodeTextMeasurer.h"
#include "mindmap/TreeLayout.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace kestrion;

namespace {

// A sermon-shaped tree: a title, main points, sub-points and leaves of wording, some with a
// second line, a few branches folded.
SermonNodePtr makeTree(int count)
{
    std::mt19937 random(7);
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    std::vector<SermonNodePtr> parents { root };
    int made = 1;
    while (made < count) {
        SermonNodePtr parent = parents[random() % parents.size()];
        if (parent->depth() >= 4)
            continue;
        QString text = QStringLiteral("Point %1: the sheep hear his voice and follow").arg(made);
        if (random() % 6 == 0)
            text += QChar(u'\u2028') + QStringLiteral("and a second line of wording");
        auto child = parent->addChild(text);
        if (child->depth() < 4)
            parents.push_back(child);
        ++made;
    }
    return root;
}

void BM_LayoutTree(benchmark::State& state)
{
    const auto root = makeTree(static_cast<int>(state.range(0)));
    layoutTree(root);
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutTree(root));
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LayoutTree)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

// The first layout of a document nobody has measured yet.
void BM_LayoutTreeCold(benchmark::State& state)
{
    const auto root = makeTree(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        NodeTextMeasurer::clearSharedCache();
        benchmark::DoNotOptimize(layoutTree(root));
    }
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LayoutTreeCold)->Arg(5000)->Unit(benchmark::kMillisecond);

// One edit: a node's text changes, then the whole tree is laid out again.
void BM_LayoutTreeAfterEdit(benchmark::State& state)
{
    const auto root = makeTree(static_cast<int>(state.range(0)));
    layoutTree(root);
    const SermonNodePtr edited = root->children().front();
    int round = 0;
    for (auto _ : state) {
        edited->setText(QStringLiteral("Edited point %1").arg(round++));
        benchmark::DoNotOptimize(layoutTree(root));
    }
}
BENCHMARK(BM_LayoutTreeAfterEdit)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
