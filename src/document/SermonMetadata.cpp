#include "document/SermonMetadata.h"

namespace kestrion {

namespace {
    QString textField(const YamlNode& mapping, const QString& key)
    {
        const YamlNode* value = mapping.find(key);
        return value ? value->toText().value_or(QString()) : QString();
    }
} // namespace

bool SermonMetadata::isEmpty() const
{
    return occasions.empty() && scripture.isEmpty() && series.isEmpty() && !duration.has_value();
}

std::optional<SermonMetadata> SermonMetadata::decode(const YamlNode& node, QString* error)
{
    if (node.kind != YamlNode::Kind::Mapping) {
        if (error)
            *error = QStringLiteral("Expected a mapping of sermon details");
        return std::nullopt;
    }
    SermonMetadata metadata;
    if (const YamlNode* list = node.find(QStringLiteral("occasions"));
        list && list->kind == YamlNode::Kind::Sequence) {
        for (const YamlNode& entry : list->items) {
            if (auto occasion = SermonOccasion::decode(entry))
                metadata.occasions.push_back(std::move(*occasion));
        }
    }
    metadata.scripture = textField(node, QStringLiteral("scripture"));
    metadata.series = textField(node, QStringLiteral("series"));
    if (const YamlNode* duration = node.find(QStringLiteral("duration")))
        metadata.duration = duration->toInteger();
    return metadata;
}

YamlNode SermonMetadata::encode() const
{
    YamlNode node = YamlNode::mapping();
    if (!occasions.empty()) {
        std::vector<YamlNode> items;
        for (const SermonOccasion& occasion : sortedOccasionsForEncoding(occasions))
            items.push_back(occasion.encode());
        node.insert(QStringLiteral("occasions"), YamlNode::sequence(std::move(items)));
    }
    if (!scripture.isEmpty())
        node.insert(QStringLiteral("scripture"), YamlNode::text(scripture));
    if (!series.isEmpty())
        node.insert(QStringLiteral("series"), YamlNode::text(series));
    if (duration)
        node.insert(QStringLiteral("duration"), YamlNode::integer(*duration));
    return node;
}

} // namespace kestrion
