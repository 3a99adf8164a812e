#pragma once

#include "platform/AppAppearance.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace kestrion {

// The stored preferences, one typed accessor per key, over QSettings.
//
// Stored values are outside input: another program or a hand-edited file may put anything
// there. The plain accessors give the stored value when it has the right type (else the
// default), as the menus that mark the current choice need it; the usable... accessors give
// a value that is safe to compute with (no division by zero). The delivery settings are read
// through one rule instead, so that what the settings bar shows is what the page uses: a
// stored value that is not a number, or lies outside the range the settings bar offers,
// reads as the default.
//
// Every setter that changes a value emits changed(key), so a new value reaches every open
// window at once. Writes made through another Preferences object are not seen.
class Preferences : public QObject {
    Q_OBJECT

public:
    // Stored keys.
    static inline const QString appearanceKey = QStringLiteral("appearance");
    static inline const QString readingPaceWPMKey = QStringLiteral("readingPaceWPM");
    static inline const QString columnWidthsKey = QStringLiteral("columnWidths");
    static inline const QString deliveryFontSizeKey = QStringLiteral("deliveryFontSize");
    static inline const QString deliveryLineSpacingKey = QStringLiteral("deliveryLineSpacing");
    static inline const QString deliveryTextWidthKey = QStringLiteral("deliveryTextWidth");
    static inline const QString deliveryWPMKey = QStringLiteral("deliveryWPM");
    static inline const QString deliveryFullscreenKey = QStringLiteral("deliveryFullscreen");

    // Defaults.
    static constexpr qint64 defaultReadingPaceWPM = 120;
    static constexpr double defaultDeliveryFontSize = 15.0;
    static constexpr double defaultDeliveryLineSpacing = 1.8;
    static constexpr double defaultDeliveryTextWidth = 700.0;
    static constexpr qint64 defaultDeliveryWPM = 130;
    static constexpr bool defaultDeliveryFullscreen = false;

    // What the settings bar offers; the text width's upper end shrinks in a narrow window.
    struct Range {
        double low;
        double high;
        bool contains(double value) const { return value >= low && value <= high; }
    };
    static constexpr Range deliveryFontSizeRange { 12, 24 };
    static constexpr Range deliveryLineSpacingRange { 1, 3 };
    static constexpr Range deliveryTextWidthRange { 400, 1000 };

    // Takes ownership of the settings; tests pass a QSettings on a temporary file.
    explicit Preferences(std::unique_ptr<QSettings> settings, QObject* parent = nullptr);
    ~Preferences() override;

    // The application's preferences in the user's standard settings. Made on first use, on
    // the main thread, after the application object.
    static Preferences& shared();

    QSettings& settings() const { return *m_settings; }

    // "appearance": a stored text other than the three raw values reads as System; the stored
    // text itself is left alone.
    AppAppearance appearance() const;
    bool setAppearance(AppAppearance appearance);

    // "readingPaceWPM", default 120. Any stored integer is given back unchanged.
    qint64 readingPaceWPM() const;
    bool setReadingPaceWPM(qint64 wordsPerMinute);
    // The pace to compute reading times with: a stored pace below 1 (only a hand-edited
    // setting holds one) reads as the default, 120, so it never divides by zero or gives a
    // negative time.
    qint64 usableReadingPaceWPM() const;
    static qint64 usableReadingPaceWPM(qint64 storedWordsPerMinute);

    // "columnWidths": the stored text of the list of column widths; empty when none.
    QString columnWidths() const;
    bool setColumnWidths(const QString& widths);

    // "deliveryFontSize" (15.0), "deliveryLineSpacing" (1.8), "deliveryTextWidth" (700.0),
    // each within its range.
    double deliveryFontSize() const;
    bool setDeliveryFontSize(double size);
    double deliveryLineSpacing() const;
    bool setDeliveryLineSpacing(double spacing);
    double deliveryTextWidth() const;
    bool setDeliveryTextWidth(double width);

    // "deliveryWPM", default 130. No control sets it, so any whole number is taken; a pace
    // below 1 plans the shortest duration.
    qint64 deliveryWPM() const;
    bool setDeliveryWPM(qint64 wordsPerMinute);

    // "deliveryFullscreen", default false.
    bool deliveryFullscreen() const;
    bool setDeliveryFullscreen(bool enabled);

Q_SIGNALS:
    void changed(const QString& key);

private:
    // The stored value when present and readable as that type.
    std::optional<qint64> storedInteger(const QString& key) const;
    std::optional<double> storedDouble(const QString& key) const;
    std::optional<bool> storedBool(const QString& key) const;
    std::optional<QString> storedText(const QString& key) const;
    // The delivery settings' one rule: the stored number when it lies within range, else the
    // default.
    double deliverySetting(const QString& key, double fallback, Range range) const;
    bool write(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace kestrion
