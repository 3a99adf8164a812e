#pragma once

#include "document/Yaml.h"

#include <QDate>

#include <optional>

namespace kestrion {

// The calendar-day coding of occasion dates: one text scalar yyyy-MM-dd. Days stay days:
// no time zone is involved anywhere.
struct YamlDate {
    QDate wrappedValue;

    bool operator==(const YamlDate&) const = default;

    // Fails (with the reason in *error) for anything but a text scalar of that form.
    static std::optional<YamlDate> decode(const YamlNode& node, QString* error = nullptr);
    YamlNode encode() const;

    static std::optional<QDate> parse(const QString& text);
    static QString format(const QDate& date);
};

} // namespace kestrion
