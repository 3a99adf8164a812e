#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrion {

// The view mode of one document window.
enum class AppMode {
    Tree,
    Columns,
    Delivery,
};

inline constexpr std::array<AppMode, 3> allAppModes { AppMode::Tree, AppMode::Columns, AppMode::Delivery };

// "Mind Map", "Columns", "Delivery".
QString rawValue(AppMode mode);
// Exactly one of the three raw values (case-sensitive); anything else gives none.
std::optional<AppMode> appModeFromRawValue(const QString& raw);

} // namespace kestrion
