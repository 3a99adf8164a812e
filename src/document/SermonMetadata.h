#pragma once

#include "document/SermonOccasion.h"
#include "document/Yaml.h"

#include <QString>

#include <optional>
#include <vector>

namespace kestrion {

// The sermon's details beside its outline. The title is not among them: it is the root
// node's text.
struct SermonMetadata {
    std::vector<SermonOccasion> occasions;
    QString scripture;
    QString series;
    std::optional<qint64> duration;

    bool operator==(const SermonMetadata&) const = default;

    // True when nothing is set, so nothing would be written.
    bool isEmpty() const;

    // Fails only when the value is not a mapping; every field is read on its own and a bad
    // field falls back to its default, a bad occasion is dropped.
    static std::optional<SermonMetadata> decode(const YamlNode& node, QString* error = nullptr);
    // What decode leaves out of a mapping it reads (a key it does not know or finds twice, a
    // field that is not what it should be, an occasion it cannot read), said for the user;
    // empty when the mapping is read whole.
    static QString describeLeftOut(const YamlNode& node);
    // Writes only what is set, keys in the order of the fields, occasions newest first.
    YamlNode encode() const;
};

} // namespace kestrion
