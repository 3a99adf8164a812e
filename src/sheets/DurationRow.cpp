#include "sheets/DurationRow.h"

#include "sheets/CaretTintedField.h"
#include "sheets/DurationRules.h"
#include "sheets/SheetStyle.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace kestrion {

namespace {

// A preset: its number on a capsule, filled with the accent colour while selected.
class DurationChip : public QAbstractButton {
public:
    static constexpr int horizontalPadding = 9;
    static constexpr int verticalPadding = 3;

    DurationChip(qint64 minutes, QWidget* parent)
        : QAbstractButton(parent)
    {
        setText(QString::number(minutes));
        setFont(SheetStyle::calloutDigitsFont());
        setCheckable(true);
        // Reached with Tab, but a click leaves the keyboard where it was.
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAccessibleName(tr("%1 minutes").arg(minutes));
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return { metrics.horizontalAdvance(text()) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding };
    }

protected:
    void nextCheckState() override { }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const bool selected = isChecked();
        SheetStyle::fillCapsule(painter, rect(),
            selected ? SheetStyle::accent(palette()) : SheetStyle::primary(palette(), isDown() ? 0.16 : 0.08));
        painter.setPen(selected ? QColor(Qt::white) : SheetStyle::primary(palette()));
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) {
            painter.setPen(QPen(SheetStyle::accent(palette()), 1));
            painter.setBrush(Qt::NoBrush);
            const QRectF ring = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
        }
    }
};

// The capsule behind the custom field.
class Capsule : public QWidget {
public:
    using QWidget::QWidget;
    QColor fill;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        SheetStyle::fillCapsule(painter, rect(), fill);
    }
};

} // namespace

DurationRow::DurationRow(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (const qint64 minutes : DurationRules::presets) {
        auto* chip = new DurationChip(minutes, this);
        connect(chip, &QAbstractButton::clicked, this, [this, minutes] {
            if (m_onSelectPreset)
                m_onSelectPreset(minutes);
        });
        m_chips.push_back(chip);
        row->addWidget(chip);
    }

    auto* capsule = new Capsule(this);
    m_customCapsule = capsule;
    auto* inside = new QHBoxLayout(capsule);
    inside->setContentsMargins(6, 3, 6, 3);
    m_customField = new CaretTintedField(capsule);
    m_customField->setFixedWidth(customFieldWidth);
    m_customField->setAccessibleName(tr("Custom minutes"));
    inside->addWidget(m_customField);
    capsule->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(capsule);
    connect(m_customField, &CaretTintedField::digitsEdited, this, &DurationRow::customDraftEdited);
    connect(m_customField, &CaretTintedField::focusedChanged, this, [this](bool focused) {
        refresh();
        Q_EMIT customFieldFocusedChanged(focused);
    });

    m_unit = new QLabel(tr("min"), this);
    m_unit->setContentsMargins(2, 0, 0, 0);
    m_unit->setForegroundRole(SheetStyle::secondaryRole);
    // Given up, the keyboard stays at the end of the row: Tab goes on to what follows it,
    // Shift+Tab back into the field.
    m_customField->setFocusKeeper(m_unit);
    row->addWidget(m_unit);
    row->addStretch(1);
    refresh();
}

void DurationRow::setDuration(const std::optional<qint64>& duration)
{
    if (duration == m_duration)
        return;
    m_duration = duration;
    refresh();
}

void DurationRow::setUnsetMinutes(qint64 minutes)
{
    if (minutes == m_unsetMinutes)
        return;
    m_unsetMinutes = minutes;
    refresh();
}

qint64 DurationRow::shownValue() const
{
    return DurationRules::shownValue(m_duration, m_unsetMinutes);
}

QString DurationRow::customDurationText() const
{
    return DurationRules::customDurationText(m_duration, m_unsetMinutes);
}

QString DurationRow::customDraft() const
{
    return m_customField->text();
}

void DurationRow::setCustomDraft(const QString& text)
{
    if (m_customField->text() != text)
        m_customField->setText(text);
}

bool DurationRow::isCustomFieldFocused() const
{
    return m_customField->isFocused();
}

void DurationRow::setCustomFieldFocused(bool focused)
{
    m_customField->setFocused(focused);
}

void DurationRow::setOnSubmitCustom(std::function<void()> callback)
{
    m_customField->setOnSubmit(std::move(callback));
}

QAbstractButton* DurationRow::chip(qint64 minutes) const
{
    for (std::size_t i = 0; i < DurationRules::presets.size(); ++i) {
        if (DurationRules::presets[i] == minutes)
            return m_chips[i];
    }
    return nullptr;
}

std::optional<qint64> DurationRow::selectedPreset() const
{
    const qint64 shown = shownValue();
    if (isCustomFieldFocused() || !DurationRules::isPreset(shown))
        return std::nullopt;
    return shown;
}

bool DurationRow::isCustomActive() const
{
    return !DurationRules::isPreset(shownValue()) || isCustomFieldFocused();
}

void DurationRow::refresh()
{
    const std::optional<qint64> selected = selectedPreset();
    for (std::size_t i = 0; i < m_chips.size(); ++i)
        m_chips[i]->setChecked(selected == DurationRules::presets[i]);

    const bool active = isCustomActive();
    const QColor accent = SheetStyle::accent(palette());
    static_cast<Capsule*>(m_customCapsule)->fill = active ? accent : SheetStyle::primary(palette(), 0.08);
    m_customCapsule->update();
    m_customField->setColors(active ? QColor(Qt::white) : palette().color(QPalette::WindowText),
        active ? QColor::fromRgbF(0, 0, 0, 0.35f) : SheetStyle::withAlpha(accent, 0.35));
    m_customField->setPlaceholderText(isCustomFieldFocused() ? QString() : QStringLiteral("\u2026"));
}

void DurationRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && m_customField)
        refresh();
    QWidget::changeEvent(event);
}

} // namespace kestrion
