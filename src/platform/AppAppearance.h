#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrion {

// The application-wide appearance choice. The raw values are also the stored values of the
// "appearance" preference.
enum class AppAppearance {
    System,
    Light,
    Dark,
};

inline constexpr std::array<AppAppearance, 3> allAppAppearances { AppAppearance::System, AppAppearance::Light,
    AppAppearance::Dark };

QString rawValue(AppAppearance appearance);
// Exactly "System", "Light" or "Dark" (case-sensitive); anything else gives none.
std::optional<AppAppearance> appAppearanceFromRawValue(const QString& raw);

} // namespace kestrion
