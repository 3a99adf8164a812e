#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrion {

// The rules of a sermon's planned length as the details sheets offer it: nine preset chips, a
// custom number of minutes within a range, and a value shown while nothing is chosen (35 for a
// new sermon; for an open one, the duration delivery would count down from).
namespace DurationRules {

inline constexpr std::array<qint64, 9> presets { 20, 25, 30, 35, 40, 45, 50, 60, 90 };
// What a new sermon shows, and gets, while no duration is chosen.
inline constexpr qint64 defaultShownMinutes = 35;
inline constexpr qint64 minimumMinutes = 1;
inline constexpr qint64 maximumMinutes = 180;

qint64 shownValue(const std::optional<qint64>& duration, qint64 unsetMinutes = defaultShownMinutes);
bool isPreset(qint64 minutes);
bool isAccepted(qint64 minutes);
// What the custom field shows for a stored duration: nothing for a preset (the chip shows it),
// else the shown value's digits.
QString customDurationText(const std::optional<qint64>& duration, qint64 unsetMinutes = defaultShownMinutes);

} // namespace DurationRules

} // namespace kestrion
