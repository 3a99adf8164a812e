#pragma once

#include "platform/Preferences.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QSlider;

namespace kestrion {

// The strip below the reading page: sliders for the font size, the line spacing and the text
// width, and the switch that enters full screen while the countdown runs. Each control writes
// its stored preference at once and follows changes made in any window. The controls leave the
// keyboard and the wheel to the page.
class DeliverySettingsBar : public QWidget {
    Q_OBJECT

public:
    static constexpr double textWidthStep = 50;
    static constexpr double minTextWidth = Preferences::deliveryTextWidthRange.low;

    explicit DeliverySettingsBar(Preferences& preferences, QWidget* parent = nullptr);
    ~DeliverySettingsBar() override;

    // The upper end of the text-width slider: the widest the view has room for. The slider
    // and its value show the stored width up to it, as the page uses it.
    double maxTextWidth() const { return m_maxTextWidth; }
    void setMaxTextWidth(double width);

    QSlider* fontSizeSlider() const { return m_fontSize; }
    QSlider* lineSpacingSlider() const { return m_lineSpacing; }
    QSlider* textWidthSlider() const { return m_textWidth; }
    QCheckBox* fullscreenToggle() const { return m_fullscreen; }
    QLabel* fontSizeValue() const { return m_fontSizeValue; }
    QLabel* lineSpacingValue() const { return m_lineSpacingValue; }
    QLabel* textWidthValue() const { return m_textWidthValue; }

    // The value texts: whole points, one decimal, whole points.
    static QString fontSizeText(double size);
    static QString lineSpacingText(double spacing);
    static QString textWidthText(double width);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QSlider* addControl(const QString& label, QLabel*& value, int valueWidth);
    void sync();

    Preferences& m_preferences;
    double m_maxTextWidth = 1000;
    QSlider* m_fontSize = nullptr;
    QSlider* m_lineSpacing = nullptr;
    QSlider* m_textWidth = nullptr;
    QCheckBox* m_fullscreen = nullptr;
    QLabel* m_fontSizeValue = nullptr;
    QLabel* m_lineSpacingValue = nullptr;
    QLabel* m_textWidthValue = nullptr;
    QList<QLabel*> m_captions;
};

} // namespace kestrion
