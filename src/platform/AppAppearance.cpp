#include "platform/AppAppearance.h"

namespace kestrion {

QString rawValue(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::System:
        return QStringLiteral("System");
    case AppAppearance::Light:
        return QStringLiteral("Light");
    case AppAppearance::Dark:
        return QStringLiteral("Dark");
    }
    return QStringLiteral("System");
}

std::optional<AppAppearance> appAppearanceFromRawValue(const QString& raw)
{
    for (AppAppearance appearance : allAppAppearances) {
        if (raw == rawValue(appearance))
            return appearance;
    }
    return std::nullopt;
}

} // namespace kestrion
