// Reading and writing a generated sermon of about 5,000 nodes and 300 KB: headings,
// plain lines, quotes, nested bullets and bullets with continuation lines.

#include "document/MarkdownCodec.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

QString sentence(int seed, int words)
{
    static const QStringList vocabulary = {
        QStringLiteral("grace"),
        QStringLiteral("faith"),
        QStringLiteral("through"),
        QStringLiteral("the"),
        QStringLiteral("gift"),
        QStringLiteral("of"),
        QStringLiteral("God"),
        QStringLiteral("saved"),
        QStringLiteral("works"),
        QStringLiteral("boast"),
        QStringLiteral("created"),
        QStringLiteral("walk"),
        QStringLiteral("mercy"),
        QStringLiteral("rich"),
        QStringLiteral("love"),
        QStringLiteral("alive"),
    };
    QStringList parts;
    for (int i = 0; i < words; ++i)
        parts << vocabulary[(seed * 7 + i * 13) % vocabulary.size()];
    return parts.join(u' ');
}

// Sentences of the given lengths on lines of their own.
QString lines(int& seed, std::initializer_list<int> lengths)
{
    QStringList result;
    for (int words : lengths)
        result << sentence(++seed, words);
    return result.join(u'\n');
}

SermonNodePtr add(const SermonNodePtr& parent, const QString& text, bool quote = false)
{
    SermonNodePtr node = SermonNode::create(text, parent->depth() + 1);
    node->setQuote(quote);
    parent->appendChild(node);
    return node;
}

// 36 sections of 4 parts; each part has plain and quoted leaves and three sub-parts whose
// children are bullets (a childless one among bullets with children forces bullet mode).
SermonNodePtr makeSermon()
{
    int seed = 0;
    SermonNodePtr root = SermonNode::create(QStringLiteral("By Grace Through Faith"));
    for (int s = 0; s < 36; ++s) {
        SermonNodePtr section = add(root, QStringLiteral("Section %1: ").arg(s + 1) + sentence(++seed, 5));
        for (int p = 0; p < 4; ++p) {
            SermonNodePtr part = add(section, sentence(++seed, 6));
            for (int l = 0; l < 3; ++l)
                add(part, sentence(++seed, 11));
            add(part, lines(seed, { 9, 8 }), true);
            for (int b = 0; b < 3; ++b) {
                SermonNodePtr sub = add(part, sentence(++seed, 5));
                SermonNodePtr first = add(sub, sentence(++seed, 7));
                add(first, sentence(++seed, 9));
                add(first, lines(seed, { 8, 8, 6 }));
                add(first, sentence(++seed, 10));
                add(sub, sentence(++seed, 12));
                SermonNodePtr second = add(sub, sentence(++seed, 6));
                add(second, sentence(++seed, 9));
                add(second, sentence(++seed, 9), true);
                add(sub, lines(seed, { 10, 7 }), true);
            }
        }
        if (s % 5 == 0)
            section->setCollapsed(true);
    }
    return root;
}

SermonMetadata makeDetails()
{
    SermonMetadata metadata;
    metadata.scripture = QStringLiteral("Ephesians 2:1-10");
    metadata.series = QStringLiteral("Ephesians");
    metadata.duration = 35;
    for (int i = 0; i < 3; ++i) {
        SermonOccasion occasion;
        occasion.place = QStringLiteral("Chapel %1").arg(i);
        occasion.date = QDate(2024, 1 + i, 7);
        metadata.occasions.push_back(occasion);
    }
    return metadata;
}

// What making the nodes alone costs, for comparison with reading.
void createNodes(benchmark::State& state)
{
    for (auto _ : state) {
        SermonNodePtr root = SermonNode::create(QStringLiteral("root"));
        for (int i = 0; i < 5077; ++i)
            root->appendChild(SermonNode::create(QStringLiteral("text"), 1));
        benchmark::DoNotOptimize(root.get());
    }
}

void setCounters(benchmark::State& state, const QString& text, const SermonNodePtr& root)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.toUtf8().size());
    state.counters["nodes"] = static_cast<double>(root->allNodes().size());
    state.counters["KB"] = static_cast<double>(text.toUtf8().size()) / 1024.0;
}

void writeSermon(benchmark::State& state)
{
    const SermonNodePtr root = makeSermon();
    const SermonMetadata details = makeDetails();
    QString text;
    for (auto _ : state) {
        text = MarkdownCodec::serializeDocument(root, details);
        benchmark::DoNotOptimize(text.constData());
    }
    setCounters(state, text, root);
}

void readSermon(benchmark::State& state)
{
    const QString text = MarkdownCodec::serializeDocument(makeSermon(), makeDetails());
    SermonNodePtr root;
    for (auto _ : state) {
        const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
        root = MarkdownCodec::parseDocument(split.bodyLines);
        benchmark::DoNotOptimize(root.get());
    }
    setCounters(state, text, root);
}

void copyAndPasteBranch(benchmark::State& state)
{
    const SermonNodePtr root = makeSermon();
    QStringList lines;
    MarkdownCodec::writeNodeTree(root, 0, lines, true);
    const QString text = lines.join(u'\n');
    for (auto _ : state) {
        QStringList copied;
        MarkdownCodec::writeNodeTree(root, 0, copied, true);
        const auto nodes = MarkdownCodec::parsePastedMarkdown(copied.join(u'\n'), 2);
        benchmark::DoNotOptimize(nodes.data());
    }
    setCounters(state, text, root);
}

} // namespace

BENCHMARK(writeSermon)->Unit(benchmark::kMillisecond);
BENCHMARK(readSermon)->Unit(benchmark::kMillisecond);
BENCHMARK(copyAndPasteBranch)->Unit(benchmark::kMillisecond);
BENCHMARK(createNodes)->Unit(benchmark::kMillisecond);
