#include "document/DocumentController.h"
#include "document/SearchMatching.h"
#include "document/SermonDocument.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// A sermon of points, sub-points and wording leaves, every point folded.
SermonNodePtr makeSermon(int points, int subPoints, int leaves)
{
    auto root = SermonNode::create(QStringLiteral("The Prodigal Son"));
    for (int p = 0; p < points; ++p) {
        auto point = root->addChild(QStringLiteral("Point %1: the father runs to meet him").arg(p));
        for (int s = 0; s < subPoints; ++s) {
            auto sub = point->addChild(QStringLiteral("He was lost and is found, part %1").arg(s));
            for (int l = 0; l < leaves; ++l)
                sub->addChild(
                    QStringLiteral("\U0001F534 While he was still a long way off, his father saw him %1").arg(l));
            sub->setCollapsed(true);
        }
        point->setCollapsed(true);
    }
    return root;
}

// A query that matches a tenth of the leaves, so matches sit inside folded branches.
void BM_UpdateSearchOpeningFoldedMatches(benchmark::State& state)
{
    SermonDocument document(makeSermon(static_cast<int>(state.range(0)), 10, 10));
    DocumentController controller(&document);
    controller.setSearching(true);
    for (auto _ : state) {
        controller.setSearchQuery(QStringLiteral("SAW HIM 7"));
        controller.updateSearch();
        controller.setSearchQuery(QStringLiteral("saw him 7x"));
        controller.updateSearch();
    }
    state.SetItemsProcessed(state.iterations() * 2 * static_cast<int64_t>(state.range(0)) * 111);
}
BENCHMARK(BM_UpdateSearchOpeningFoldedMatches)->Arg(10)->Arg(50);

// What a save and an edit cost while a search holds every folded branch open (second argument
// 1) or with no search (0): the file text and an undo step, both with the folds as set.
void BM_SnapshotAndStepWhileSearching(benchmark::State& state)
{
    SermonDocument document(makeSermon(static_cast<int>(state.range(0)), 10, 10));
    DocumentController controller(&document);
    if (state.range(1)) {
        controller.setSearching(true);
        controller.setSearchQuery(QStringLiteral("saw him 7"));
        controller.updateSearch();
    }
    const SermonNodePtr leaf = document.root()->children().back()->children().back()->children().back();
    qint64 round = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(document.snapshot());
        document.recordUndo(std::nullopt);
        leaf->setText(QString::number(++round));
    }
    state.counters["nodes"] = static_cast<double>(document.root()->allNodes().size());
    state.counters["opened"] = static_cast<double>(controller.autoExpandedNodeIDs().size());
}
BENCHMARK(BM_SnapshotAndStepWhileSearching)
    ->ArgsProduct({ { 45, 450, 2700 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond);

void BM_MatchRangesOfOneNodeText(benchmark::State& state)
{
    const QString text
        = QStringLiteral("\U0001F534 Grace upon grace, GRACE that is greater than all our sin \u0130stanbul");
    for (auto _ : state)
        benchmark::DoNotOptimize(SearchMatching::matchRanges(text, QStringLiteral("grace")));
}
BENCHMARK(BM_MatchRangesOfOneNodeText);

} // namespace

// A long flat outline (a pasted text, a node of two lines per paragraph) with all but its
// first node selected: demote, delete and split lines, each undone. Each edit must stay
// linear in the siblings.
void BM_EditsOfManySelectedSiblings(benchmark::State& state)
{
    auto root = SermonNode::create(QStringLiteral("Pasted notes"));
    for (int64_t i = 0; i < state.range(0); ++i)
        root->addChild(QStringLiteral("Paragraph %1\nof the notes").arg(i));
    SermonDocument document(root);
    DocumentController controller(&document);
    QSet<QUuid> selected;
    for (size_t i = 1; i < root->children().size(); ++i)
        selected.insert(root->children()[i]->id());
    for (auto _ : state) {
        controller.setSelection(selected, *selected.begin(), std::nullopt);
        benchmark::DoNotOptimize(controller.siblingSelectionContext());
        controller.demote();
        document.undo();
        controller.deleteSelection();
        document.undo();
        controller.setSelection(selected, *selected.begin(), std::nullopt);
        controller.splitLines();
        document.undo();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EditsOfManySelectedSiblings)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
