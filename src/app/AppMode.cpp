#include "app/AppMode.h"

namespace kestrion {

QString rawValue(AppMode mode)
{
    switch (mode) {
    case AppMode::Tree:
        return QStringLiteral("Mind Map");
    case AppMode::Columns:
        return QStringLiteral("Columns");
    case AppMode::Delivery:
        return QStringLiteral("Delivery");
    }
    return QStringLiteral("Mind Map");
}

std::optional<AppMode> appModeFromRawValue(const QString& raw)
{
    for (AppMode mode : allAppModes) {
        if (raw == rawValue(mode))
            return mode;
    }
    return std::nullopt;
}

} // namespace kestrion
