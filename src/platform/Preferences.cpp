#include "platform/Preferences.h"

#include <QSettings>

#include <cmath>

namespace kestrion {

Preferences::Preferences(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    Q_ASSERT(m_settings);
}

Preferences::~Preferences() = default;

Preferences& Preferences::shared()
{
    static Preferences* const instance = new Preferences(std::make_unique<QSettings>());
    return *instance;
}

std::optional<qint64> Preferences::storedInteger(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const qint64 result = value.toLongLong(&ok);
    if (ok)
        return result;
    // INI files hand back every number as text; "120.0" is still a whole number.
    const double asDouble = value.toDouble(&ok);
    if (ok && std::isfinite(asDouble) && asDouble >= -9.0e18 && asDouble <= 9.0e18)
        return static_cast<qint64>(asDouble);
    return std::nullopt;
}

std::optional<double> Preferences::storedDouble(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (ok && std::isfinite(result))
        return result;
    return std::nullopt;
}

std::optional<bool> Preferences::storedBool(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // INI files hand back text; only a clear answer counts.
    const QString text = value.toString().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<QString> Preferences::storedText(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

double Preferences::deliverySetting(const QString& key, double fallback, Range range) const
{
    const std::optional<double> stored = storedDouble(key);
    return stored && range.contains(*stored) ? *stored : fallback;
}

bool Preferences::write(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    Q_EMIT changed(key);
    return true;
}

AppAppearance Preferences::appearance() const
{
    return appAppearanceFromRawValue(m_settings->value(appearanceKey).toString()).value_or(AppAppearance::System);
}

bool Preferences::setAppearance(AppAppearance appearance)
{
    const QString raw = rawValue(appearance);
    if (storedText(appearanceKey) == raw)
        return false;
    return write(appearanceKey, raw);
}

qint64 Preferences::readingPaceWPM() const
{
    return storedInteger(readingPaceWPMKey).value_or(defaultReadingPaceWPM);
}

bool Preferences::setReadingPaceWPM(qint64 wordsPerMinute)
{
    if (storedInteger(readingPaceWPMKey) == wordsPerMinute)
        return false;
    return write(readingPaceWPMKey, wordsPerMinute);
}

qint64 Preferences::usableReadingPaceWPM() const
{
    return usableReadingPaceWPM(readingPaceWPM());
}

qint64 Preferences::usableReadingPaceWPM(qint64 storedWordsPerMinute)
{
    return storedWordsPerMinute < 1 ? defaultReadingPaceWPM : storedWordsPerMinute;
}

QString Preferences::columnWidths() const
{
    return storedText(columnWidthsKey).value_or(QString());
}

bool Preferences::setColumnWidths(const QString& widths)
{
    if (storedText(columnWidthsKey) == widths)
        return false;
    return write(columnWidthsKey, widths);
}

double Preferences::deliveryFontSize() const
{
    return deliverySetting(deliveryFontSizeKey, defaultDeliveryFontSize, deliveryFontSizeRange);
}

bool Preferences::setDeliveryFontSize(double size)
{
    if (!std::isfinite(size) || storedDouble(deliveryFontSizeKey) == size)
        return false;
    return write(deliveryFontSizeKey, size);
}

double Preferences::deliveryLineSpacing() const
{
    return deliverySetting(deliveryLineSpacingKey, defaultDeliveryLineSpacing, deliveryLineSpacingRange);
}

bool Preferences::setDeliveryLineSpacing(double spacing)
{
    if (!std::isfinite(spacing) || storedDouble(deliveryLineSpacingKey) == spacing)
        return false;
    return write(deliveryLineSpacingKey, spacing);
}

double Preferences::deliveryTextWidth() const
{
    return deliverySetting(deliveryTextWidthKey, defaultDeliveryTextWidth, deliveryTextWidthRange);
}

bool Preferences::setDeliveryTextWidth(double width)
{
    if (!std::isfinite(width) || storedDouble(deliveryTextWidthKey) == width)
        return false;
    return write(deliveryTextWidthKey, width);
}

qint64 Preferences::deliveryWPM() const
{
    return storedInteger(deliveryWPMKey).value_or(defaultDeliveryWPM);
}

bool Preferences::setDeliveryWPM(qint64 wordsPerMinute)
{
    if (storedInteger(deliveryWPMKey) == wordsPerMinute)
        return false;
    return write(deliveryWPMKey, wordsPerMinute);
}

bool Preferences::deliveryFullscreen() const
{
    return storedBool(deliveryFullscreenKey).value_or(defaultDeliveryFullscreen);
}

bool Preferences::setDeliveryFullscreen(bool enabled)
{
    if (storedBool(deliveryFullscreenKey) == enabled)
        return false;
    return write(deliveryFullscreenKey, enabled);
}

} // namespace kestrion
