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
// a value that is safe to compute with (no division by zero, no empty page).
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

    // Bounds of the usable... accessors. They are wider than the controls that write the
    // values, so any value the program itself stores is used unchanged.
    static constexpr double minDeliveryFontSize = 4.0;
    static constexpr double maxDeliveryFontSize = 200.0;
    static constexpr double minDeliveryLineSpacing = 0.5;
    static constexpr double maxDeliveryLineSpacing = 10.0;
    static constexpr double minDeliveryTextWidth = 100.0;
    static constexpr double maxDeliveryTextWidth = 20000.0;

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

    // "deliveryFontSize" (15.0), "deliveryLineSpacing" (1.8), "deliveryTextWidth" (700.0).
    double deliveryFontSize() const;
    bool setDeliveryFontSize(double size);
    double usableDeliveryFontSize() const;
    double deliveryLineSpacing() const;
    bool setDeliveryLineSpacing(double spacing);
    double usableDeliveryLineSpacing() const;
    double deliveryTextWidth() const;
    bool setDeliveryTextWidth(double width);
    double usableDeliveryTextWidth() const;

    // "deliveryWPM", default 130.
    qint64 deliveryWPM() const;
    bool setDeliveryWPM(qint64 wordsPerMinute);
    // At least 1.
    qint64 usableDeliveryWPM() const;

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
    bool write(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace kestrion
