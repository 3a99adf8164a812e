#include "document/SermonMetadata.h"
#include "document/Yaml.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const kestrion::YamlParseResult parsed = kestrion::Yaml::parse(text);
    if (parsed.root) {
        if (auto metadata = kestrion::SermonMetadata::decode(*parsed.root)) {
            // What we write must read back as the same details.
            const auto yaml = kestrion::Yaml::emit(metadata->encode());
            if (yaml) {
                const auto again = kestrion::Yaml::parse(*yaml);
                if (!again.root)
                    __builtin_trap();
                const auto back = kestrion::SermonMetadata::decode(*again.root);
                if (!back || back->scripture != metadata->scripture || back->series != metadata->series
                    || back->duration != metadata->duration || back->occasions.size() != metadata->occasions.size())
                    __builtin_trap();
            }
        }
    }
    return 0;
}
