#include "document/SermonMetadata.h"

#include <QCoreApplication>

#include <algorithm>
#include <initializer_list>

namespace kestrion {

namespace {
    QString textField(const YamlNode& mapping, const QString& key)
    {
        const YamlNode* value = mapping.find(key);
        return value ? value->toText().value_or(QString()) : QString();
    }

    QString translated(const char* text)
    {
        return QCoreApplication::translate("kestrion::SermonMetadata", text);
    }

    // A key of the mapping outside the known ones; empty when there is none.
    QString unknownKey(const YamlNode& mapping, std::initializer_list<QLatin1StringView> known)
    {
        for (const YamlEntry& entry : mapping.entries) {
            if (std::find(known.begin(), known.end(), entry.key) == known.end())
                return entry.key;
        }
        return {};
    }

    bool isTextOrEmpty(const YamlNode* value)
    {
        return !value || value->isNull() || value->toText();
    }

    QString describeOccasionLeftOut(const YamlNode& entry, qsizetype number)
    {
        const QString place = QString::number(number);
        if (!SermonOccasion::decode(entry))
            return translated("occasion %1 has no date written as yyyy-MM-dd").arg(place);
        if (const QString key = unknownKey(entry, { QLatin1StringView("place"), QLatin1StringView("date") });
            !key.isEmpty())
            return translated("occasion %1 has “%2”, which is neither its place nor its date").arg(place, key);
        if (entry.hasLeftOutEntries)
            return translated("occasion %1 gives its place or date twice").arg(place);
        if (!isTextOrEmpty(entry.find(QStringLiteral("place"))))
            return translated("the place of occasion %1 is not text").arg(place);
        return {};
    }
} // namespace

QString SermonMetadata::describeLeftOut(const YamlNode& node)
{
    if (node.kind != YamlNode::Kind::Mapping)
        return {};
    if (const QString key = unknownKey(node,
            { QLatin1StringView("occasions"), QLatin1StringView("scripture"), QLatin1StringView("series"),
                QLatin1StringView("duration") });
        !key.isEmpty())
        return translated("“%1” is not one of the sermon’s details").arg(key);
    if (node.hasLeftOutEntries)
        return translated("a detail is given twice");
    for (const QString& key : { QStringLiteral("scripture"), QStringLiteral("series") }) {
        if (!isTextOrEmpty(node.find(key)))
            return translated("the %1 is not text").arg(key);
    }
    if (const YamlNode* duration = node.find(QStringLiteral("duration"));
        duration && !duration->isNull() && !duration->toInteger())
        return translated("the duration “%1” is not a whole number of minutes").arg(duration->scalar);
    if (const YamlNode* occasions = node.find(QStringLiteral("occasions")); occasions && !occasions->isNull()) {
        if (occasions->kind != YamlNode::Kind::Sequence)
            return translated("the occasions are not a list");
        for (std::size_t i = 0; i < occasions->items.size(); ++i) {
            if (QString leftOut = describeOccasionLeftOut(occasions->items[i], qsizetype(i) + 1); !leftOut.isEmpty())
                return leftOut;
        }
    }
    return {};
}

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
