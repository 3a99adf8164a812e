#include "document/SermonMetadata.h"
#include "document/Yaml.h"

#include <cstddef>
#include <cstdint>

using namespace kestrion;

namespace {

// What we write must read back whole, as the same details, every text kept as it was.
void checkRoundTrip(const SermonMetadata& metadata)
{
    const auto yaml = Yaml::emit(metadata.encode());
    if (!yaml)
        return;
    const auto again = Yaml::parse(*yaml);
    if (!again.root)
        __builtin_trap();
    // Nothing of ours is taken for details that could be read only in part.
    if (!SermonMetadata::describeLeftOut(*again.root).isEmpty())
        __builtin_trap();
    const auto back = SermonMetadata::decode(*again.root);
    if (!back || back->scripture != metadata.scripture || back->series != metadata.series
        || back->duration != metadata.duration || back->occasions.size() != metadata.occasions.size())
        __builtin_trap();
    const auto sorted = sortedOccasionsForEncoding(metadata.occasions);
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (back->occasions[i].place != sorted[i].place || back->occasions[i].date != sorted[i].date)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const YamlParseResult parsed = Yaml::parse(text);
    if (parsed.root) {
        if (auto metadata = SermonMetadata::decode(*parsed.root)) {
            checkRoundTrip(*metadata);
            // Text pasted from a web page may begin with U+FEFF; only a file's first
            // character is a byte-order mark, so the details keep it.
            const QChar mark(0xFEFF);
            metadata->scripture.prepend(mark);
            metadata->series.prepend(mark);
            for (SermonOccasion& occasion : metadata->occasions)
                occasion.place.prepend(mark);
            checkRoundTrip(*metadata);
        }
    } else if (parsed.problem.isEmpty()) {
        __builtin_trap();
    }
    return 0;
}
