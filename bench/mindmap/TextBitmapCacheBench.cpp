#include "mindmap/TextBitmapCache.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

QList<TextBitmapKey> makeKeys(int count)
{
    QList<TextBitmapKey> keys;
    for (int i = 0; i < count; ++i) {
        QString text = QStringLiteral("Node %1: blessed are the poor in spirit").arg(i);
        if (i % 5 == 0)
            text += QStringLiteral("\nfor theirs is the kingdom");
        keys << TextBitmapKey::forNode(text, i % 4, i % 9 == 0);
    }
    return keys;
}

// A zoom step or a new tree: every visible text rendered afresh into an empty cache.
void BM_RenderThousandTexts(benchmark::State& state)
{
    const qreal ratio = static_cast<qreal>(state.range(0));
    const QList<TextBitmapKey> keys = makeKeys(1000);
    for (auto _ : state) {
        TextBitmapCache cache;
        for (const TextBitmapKey& key : keys) {
            if (cache.lookupBitmap(key, false, 1.0, ratio))
                continue;
            if (auto bitmap = TextBitmapCache::renderTextBitmap(key, false, 1.0, ratio))
                cache.insertBitmap(key, bitmap->image, bitmap->naturalSize);
        }
        benchmark::DoNotOptimize(cache.totalPixels());
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}
BENCHMARK(BM_RenderThousandTexts)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A redraw with nothing changed: every text a hit.
void BM_LookupThousandHits(benchmark::State& state)
{
    const QList<TextBitmapKey> keys = makeKeys(1000);
    TextBitmapCache cache;
    cache.lookupBitmap(keys.front(), false, 1.0, 2.0);
    for (const TextBitmapKey& key : keys) {
        if (auto bitmap = TextBitmapCache::renderTextBitmap(key, false, 1.0, 2.0))
            cache.insertBitmap(key, bitmap->image, bitmap->naturalSize);
    }
    for (auto _ : state) {
        for (const TextBitmapKey& key : keys)
            benchmark::DoNotOptimize(cache.lookupBitmap(key, false, 1.0, 2.0));
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}
BENCHMARK(BM_LookupThousandHits)->Unit(benchmark::kMicrosecond);

} // namespace
