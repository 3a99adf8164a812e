#include "app/RecentSermonsStore.h"
#include "document/MarkdownCodec.h"
#include "document/SermonDocument.h"
#include "support/SermonTrees.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// A hundred sermons of a thousand nodes each, with details, written once.
struct RecentFiles {
    RecentFiles()
    {
        SermonMetadata metadata;
        metadata.scripture = QStringLiteral("John 10:1-18");
        metadata.occasions.push_back({ QUuid::createUuid(), QStringLiteral("Chapel"), QDate(2024, 3, 31) });
        metadata.occasions.push_back({ QUuid::createUuid(), QStringLiteral("Cathedral"), QDate(2024, 12, 25) });
        for (int i = 0; i < 100; ++i) {
            const QString path = folder.filePath(QStringLiteral("sermon-%1.md").arg(i));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(SermonDocument::fileContents(
                MarkdownCodec::serializeDocument(bench::makeSermonTree(1000, unsigned(i + 1)), metadata)));
            paths.append(path);
        }
    }

    QTemporaryDir folder;
    QStringList paths;
};

const RecentFiles& recentFiles()
{
    static const RecentFiles files;
    return files;
}

void RecentListCold(benchmark::State& state)
{
    const QStringList& paths = recentFiles().paths;
    for (auto _ : state)
        benchmark::DoNotOptimize(RecentSermonsStore::loadEntries(paths, {}));
}
BENCHMARK(RecentListCold)->Unit(benchmark::kMillisecond);

void RecentListWarm(benchmark::State& state)
{
    const QStringList& paths = recentFiles().paths;
    RecentSermonsStore::Cache cache;
    for (const RecentSermonsStore::Entry& entry : RecentSermonsStore::loadEntries(paths, {}))
        cache.insert(entry.path, entry);
    for (auto _ : state)
        benchmark::DoNotOptimize(RecentSermonsStore::loadEntries(paths, cache));
}
BENCHMARK(RecentListWarm)->Unit(benchmark::kMillisecond);

} // namespace
