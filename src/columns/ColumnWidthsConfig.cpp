#include "columns/ColumnWidthsConfig.h"

#include "columns/ColumnMetrics.h"
#include "platform/Preferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

double usableWidth(double width)
{
    if (!std::isfinite(width))
        return ColumnMetrics::defaultColumnWidth;
    return std::clamp(width, ColumnMetrics::minColumnWidth, ColumnMetrics::maxColumnWidth);
}

} // namespace

ColumnWidthsConfig::ColumnWidthsConfig(std::vector<double> widths)
    : m_widths(std::move(widths))
{
    for (double& width : m_widths)
        width = usableWidth(width);
}

double ColumnWidthsConfig::widthOf(qint64 column) const
{
    if (column < 0 || column >= static_cast<qint64>(m_widths.size()))
        return ColumnMetrics::defaultColumnWidth;
    return m_widths[static_cast<size_t>(column)];
}

QString ColumnWidthsConfig::rawValue() const
{
    QJsonArray array;
    for (double width : m_widths)
        array.append(width);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::optional<ColumnWidthsConfig> ColumnWidthsConfig::fromRawValue(const QString& raw)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(raw.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !json.isArray())
        return std::nullopt;
    std::vector<double> widths;
    const QJsonArray array = json.array();
    widths.reserve(static_cast<size_t>(array.size()));
    for (const QJsonValue& value : array)
        widths.push_back(value.isDouble() ? value.toDouble() : ColumnMetrics::defaultColumnWidth);
    return ColumnWidthsConfig(std::move(widths));
}

ColumnWidthsConfig ColumnWidthsConfig::read(const Preferences& preferences)
{
    return fromRawValue(preferences.columnWidths()).value_or(ColumnWidthsConfig());
}

void ColumnWidthsConfig::write(Preferences& preferences) const
{
    preferences.setColumnWidths(rawValue());
}

void ColumnWidthsConfig::setColumnWidth(qint64 column, double width)
{
    if (column < 0)
        return;
    while (static_cast<qint64>(m_widths.size()) <= column)
        m_widths.push_back(ColumnMetrics::defaultColumnWidth);
    // A drag past either limit holds there, however far it goes.
    m_widths[static_cast<size_t>(column)] = std::isnan(width)
        ? ColumnMetrics::defaultColumnWidth
        : std::clamp(width, ColumnMetrics::minColumnWidth, ColumnMetrics::maxColumnWidth);
}

} // namespace kestrion
