#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "support/SermonTrees.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// A long sermon: 50 points of 99 leaves each, about 5,000 nodes of a dozen words.
SermonNodePtr largeTree()
{
    SermonNodePtr root = SermonNode::create(QStringLiteral("The Long Sermon"));
    for (int p = 0; p < 50; ++p) {
        SermonNodePtr point = root->addChild(QStringLiteral("Point %1: grace upon grace").arg(p));
        for (int l = 0; l < 99; ++l)
            point->addChild(QStringLiteral("Leaf %1 carries the wording of the sermon, a dozen words or so.").arg(l));
    }
    return root;
}

// Steady state: the history is full, so every record also drops the oldest snapshot.
void recordUndoOnLargeTree(benchmark::State& state)
{
    SermonDocument document(largeTree());
    for (qsizetype i = 0; i < SermonDocument::undoLimit; ++i)
        document.recordUndo(std::nullopt);
    const QUuid selection = document.root()->children().front()->id();
    for (auto _ : state)
        document.recordUndo(selection);
    state.counters["nodes"] = static_cast<double>(document.root()->allNodes().size());
}
BENCHMARK(recordUndoOnLargeTree)->Unit(benchmark::kMicrosecond);

void undoThenRedoOnLargeTree(benchmark::State& state)
{
    SermonDocument document(largeTree());
    document.recordUndo(std::nullopt);
    for (auto _ : state) {
        document.undo();
        document.redo();
    }
}
BENCHMARK(undoThenRedoOnLargeTree)->Unit(benchmark::kMicrosecond);

void wordCountOfLargeTree(benchmark::State& state)
{
    const SermonNodePtr root = largeTree();
    for (auto _ : state)
        benchmark::DoNotOptimize(wordCount(root));
}
BENCHMARK(wordCountOfLargeTree)->Unit(benchmark::kMicrosecond);

void wordFractionsOfLargeTree(benchmark::State& state)
{
    const SermonNodePtr root = largeTree();
    for (auto _ : state)
        benchmark::DoNotOptimize(wordFractions(root));
}
BENCHMARK(wordFractionsOfLargeTree)->Unit(benchmark::kMicrosecond);

// The recovery copy of words still being typed: the whole file with one point's text as the
// editor holds it, the tree itself untouched.
void BM_SnapshotWithTypedText(benchmark::State& state)
{
    SermonDocument document(bench::openedSermonTree(bench::makeSermonTree(static_cast<int>(state.range(0)), 7)));
    const std::vector<SermonNodePtr> nodes = document.root()->allNodes();
    const SermonNode* typing = nodes[nodes.size() / 2].get();
    const MarkdownCodec::ReplacedTexts typed { { typing, typing->text() + QStringLiteral(" and more words") } };
    for (auto _ : state)
        benchmark::DoNotOptimize(SermonDocument::fileContents(document.snapshot(typed)));
    state.counters["nodes"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_SnapshotWithTypedText)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// Counting a large sermon's words, as the status bar did for each keystroke in the columns.
void BM_WordCount(benchmark::State& state)
{
    const SermonNodePtr root = bench::openedSermonTree(bench::makeSermonTree(static_cast<int>(state.range(0)), 7));
    for (auto _ : state)
        benchmark::DoNotOptimize(wordCount(root));
}
BENCHMARK(BM_WordCount)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// The file as it stands, for comparison: what any autosave writes.
void BM_Snapshot(benchmark::State& state)
{
    SermonDocument document(bench::openedSermonTree(bench::makeSermonTree(static_cast<int>(state.range(0)), 7)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SermonDocument::fileContents(document.snapshot()));
}
BENCHMARK(BM_Snapshot)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
