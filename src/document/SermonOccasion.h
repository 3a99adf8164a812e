#pragma once

#include "document/Yaml.h"

#include <QDate>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace kestrion {

// One preaching of the sermon: a place and a calendar day. The id exists for lists and
// editors only; it is fresh on every read and never written.
struct SermonOccasion {
    QUuid id = QUuid::createUuid();
    QString place;
    QDate date;

    bool operator==(const SermonOccasion&) const = default;

    // Absent when the entry is not a mapping or has no readable "date".
    static std::optional<SermonOccasion> decode(const YamlNode& node);
    YamlNode encode() const;
};

// A copy ordered newest first; occasions of one day keep their order.
std::vector<SermonOccasion> sortedOccasionsForEncoding(const std::vector<SermonOccasion>& occasions);

} // namespace kestrion
