#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace kestrion {

class Preferences;

// The widths of the columns by index, stored as the preference "columnWidths" (the JSON text
// of a list of numbers) and shared by every window. A column without an entry is 600 points
// wide. Every width held lies within 180 to 1200 points: stored values are clamped when read.
class ColumnWidthsConfig {
public:
    ColumnWidthsConfig() = default;
    // Clamps each width; one that is not finite becomes 600.
    explicit ColumnWidthsConfig(std::vector<double> widths);

    const std::vector<double>& widths() const { return m_widths; }
    // The width of a column: its entry, else 600.
    double widthOf(qint64 column) const;

    // The JSON text of the widths, "[]" when there are none.
    QString rawValue() const;
    // None unless the text is a JSON array. An entry that is not a finite number reads as
    // 600, so one bad entry never costs the others.
    static std::optional<ColumnWidthsConfig> fromRawValue(const QString& raw);

    // The stored widths; the default (no entries) when none are stored or the text is unusable.
    static ColumnWidthsConfig read(const Preferences& preferences);
    void write(Preferences& preferences) const;

    // Grows the list with 600s up to the column and stores the width there, clamped. A
    // negative column changes nothing.
    void setColumnWidth(qint64 column, double width);

    bool operator==(const ColumnWidthsConfig& other) const { return rawValue() == other.rawValue(); }

private:
    std::vector<double> m_widths;
};

} // namespace kestrion
