#include "delivery/DeliverySettingsBar.h"

#include "platform/Appearance.h"
#include "platform/Preferences.h"
#include "platform/SemanticColors.h"
#include "platform/Typography.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

constexpr int sliderWidth = 100;
constexpr int fontSizeMin = static_cast<int>(Preferences::deliveryFontSizeRange.low);
constexpr int fontSizeMax = static_cast<int>(Preferences::deliveryFontSizeRange.high);
// Line spacing in tenths.
constexpr int lineSpacingMin = static_cast<int>(Preferences::deliveryLineSpacingRange.low * 10);
constexpr int lineSpacingMax = static_cast<int>(Preferences::deliveryLineSpacingRange.high * 10);

int truncated(double value)
{
    return std::isfinite(value) ? static_cast<int>(std::clamp(value, -1e9, 1e9)) : 0;
}

void setSecondary(QWidget* widget)
{
    QPalette palette = widget->palette();
    const QColor colour = SemanticColors::secondary(isDarkAppearance());
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// The style fills a check box from the base colour and edges it with the window colour darkened,
// which in the dark palette is a dark box on a dark bar: there it is raised and edged light.
void setRaisedInTheDark(QWidget* checkBox)
{
    QPalette palette = checkBox->palette();
    const QPalette application = QApplication::palette();
    const bool isDark = isDarkAppearance();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Base,
            isDark ? Appearance::raisedColor(application) : application.color(group, QPalette::Base));
        palette.setColor(group, QPalette::Window,
            isDark ? Appearance::edgeColor(application).lighter(140) : application.color(group, QPalette::Window));
    }
    checkBox->setPalette(palette);
}

} // namespace

DeliverySettingsBar::DeliverySettingsBar(Preferences& preferences, QWidget* parent)
    : QWidget(parent)
    , m_preferences(preferences)
{
    setObjectName(QStringLiteral("deliverySettingsBar"));
    auto* row = new QHBoxLayout(this);
    // The hairline above stands in the top point.
    row->setContentsMargins(20, 9, 20, 8);
    row->setSpacing(24);
    setLayout(row);

    m_fontSize = addControl(QStringLiteral("Aa"), m_fontSizeValue, 24);
    m_fontSize->setRange(fontSizeMin, fontSizeMax);
    m_lineSpacing = addControl(QString(QChar(u'\u2195')), m_lineSpacingValue, 24);
    m_lineSpacing->setRange(lineSpacingMin, lineSpacingMax);
    m_textWidth = addControl(QString(QChar(u'\u2194')), m_textWidthValue, 32);
    row->addStretch(1);

    m_fullscreen = new QCheckBox(tr("Fullscreen"), this);
    m_fullscreen->setFont(Typography::systemFont(11, QFont::Medium));
    m_fullscreen->setToolTip(tr("Enter fullscreen when timer is running"));
    m_fullscreen->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_fullscreen);

    connect(m_fontSize, &QSlider::valueChanged, this,
        [this](int value) { m_preferences.setDeliveryFontSize(static_cast<double>(value)); });
    connect(m_lineSpacing, &QSlider::valueChanged, this,
        [this](int tenths) { m_preferences.setDeliveryLineSpacing(static_cast<double>(tenths) / 10.0); });
    connect(m_textWidth, &QSlider::valueChanged, this,
        [this](int steps) { m_preferences.setDeliveryTextWidth(static_cast<double>(steps) * textWidthStep); });
    connect(m_fullscreen, &QCheckBox::toggled, this, [this](bool on) { m_preferences.setDeliveryFullscreen(on); });
    connect(&m_preferences, &Preferences::changed, this, &DeliverySettingsBar::sync);
    connect(&Appearance::shared(), &Appearance::changed, this, &DeliverySettingsBar::sync);
    sync();
}

DeliverySettingsBar::~DeliverySettingsBar() = default;

QSlider* DeliverySettingsBar::addControl(const QString& label, QLabel*& value, int valueWidth)
{
    auto* control = new QWidget(this);
    auto* layout = new QHBoxLayout(control);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* caption = new QLabel(label, control);
    caption->setFont(Typography::systemFont(11, QFont::Medium));
    m_captions.append(caption);
    auto* slider = new QSlider(Qt::Horizontal, control);
    slider->setFixedWidth(sliderWidth);
    slider->setFocusPolicy(Qt::NoFocus);
    slider->installEventFilter(this);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    value = new QLabel(control);
    value->setFont(Typography::systemFont(11));
    value->setFixedWidth(valueWidth);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_captions.append(value);
    layout->addWidget(caption);
    layout->addWidget(slider);
    layout->addWidget(value);
    static_cast<QHBoxLayout*>(this->layout())->addWidget(control);
    return slider;
}

bool DeliverySettingsBar::eventFilter(QObject* watched, QEvent* event)
{
    // The wheel scrolls the page wherever the pointer stands; passing over a slider must not
    // change the size or spacing of the text and move the reader's place.
    if (event->type() == QEvent::Wheel && qobject_cast<QSlider*>(watched))
        return true;
    return QWidget::eventFilter(watched, event);
}

QString DeliverySettingsBar::fontSizeText(double size)
{
    return QString::number(truncated(size));
}

QString DeliverySettingsBar::lineSpacingText(double spacing)
{
    return QString::number(std::isfinite(spacing) ? spacing : 0.0, 'f', 1);
}

QString DeliverySettingsBar::textWidthText(double width)
{
    return QString::number(truncated(width));
}

void DeliverySettingsBar::setMaxTextWidth(double width)
{
    const double bounded = std::max(std::isfinite(width) ? width : minTextWidth, minTextWidth);
    if (bounded == m_maxTextWidth)
        return;
    m_maxTextWidth = bounded;
    sync();
}

void DeliverySettingsBar::sync()
{
    // Showing a value never writes it back: a value read as the default stays stored as it was.
    const QSignalBlocker fontBlocker(m_fontSize);
    const QSignalBlocker spacingBlocker(m_lineSpacing);
    const QSignalBlocker widthBlocker(m_textWidth);
    const QSignalBlocker fullscreenBlocker(m_fullscreen);
    const double size = m_preferences.deliveryFontSize();
    m_fontSize->setValue(truncated(size));
    m_fontSizeValue->setText(fontSizeText(size));
    const double spacing = m_preferences.deliveryLineSpacing();
    m_lineSpacing->setValue(static_cast<int>(std::lround(std::clamp(spacing, 0.0, 100.0) * 10)));
    m_lineSpacingValue->setText(lineSpacingText(spacing));
    // The page wraps at the stored width only as far as the view has room; the bar shows the
    // width the page uses.
    const double width = std::min(m_preferences.deliveryTextWidth(), m_maxTextWidth);
    const int lowest = static_cast<int>(minTextWidth / textWidthStep);
    m_textWidth->setRange(lowest, std::max(lowest, static_cast<int>(std::floor(m_maxTextWidth / textWidthStep))));
    m_textWidth->setValue(static_cast<int>(std::lround(std::clamp(width, 0.0, 1e6) / textWidthStep)));
    m_textWidthValue->setText(textWidthText(width));
    m_fullscreen->setChecked(m_preferences.deliveryFullscreen());
    for (QLabel* caption : std::as_const(m_captions))
        setSecondary(caption);
    setSecondary(m_fullscreen);
    setRaisedInTheDark(m_fullscreen);
    update();
}

void DeliverySettingsBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(
        QRectF(0, 0, width(), 1), SemanticColors::withOpacity(SemanticColors::primary(isDarkAppearance()), 0.15));
}

} // namespace kestrion
