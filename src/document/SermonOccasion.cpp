#include "document/SermonOccasion.h"

#include "document/YamlDate.h"

#include <algorithm>

namespace kestrion {

std::optional<SermonOccasion> SermonOccasion::decode(const YamlNode& node)
{
    if (node.kind != YamlNode::Kind::Mapping)
        return std::nullopt;
    const YamlNode* dateNode = node.find(QStringLiteral("date"));
    if (!dateNode)
        return std::nullopt;
    const auto date = YamlDate::decode(*dateNode);
    if (!date)
        return std::nullopt;
    SermonOccasion occasion;
    if (const YamlNode* place = node.find(QStringLiteral("place")))
        occasion.place = place->toText().value_or(QString());
    occasion.date = date->wrappedValue;
    return occasion;
}

YamlNode SermonOccasion::encode() const
{
    YamlNode node = YamlNode::mapping();
    node.insert(QStringLiteral("place"), YamlNode::text(place));
    node.insert(QStringLiteral("date"), YamlDate { date }.encode());
    return node;
}

std::vector<SermonOccasion> sortedOccasionsForEncoding(const std::vector<SermonOccasion>& occasions)
{
    std::vector<SermonOccasion> sorted = occasions;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const SermonOccasion& a, const SermonOccasion& b) { return a.date > b.date; });
    return sorted;
}

} // namespace kestrion
