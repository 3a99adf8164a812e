#pragma once

#include "sheets/DurationRules.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QLabel;

namespace kestrion {

class CaretTintedField;

// The row with which a sermon's planned length is chosen: nine preset chips, a small
// custom-minutes field and the unit "min". The row only shows: its owner keeps the duration and
// decides what a chip or Return in the field does (the two sheets differ there), and hands the
// results back with setDuration and setCustomDraft.
//
// A chip is selected when it holds the shown value (the duration, or the unset minutes while
// none is chosen) and the custom field does not have the keyboard. The custom field is active,
// drawn white on the accent colour, when the shown value is no preset or while it has the
// keyboard.
class DurationRow : public QWidget {
    Q_OBJECT
public:
    explicit DurationRow(QWidget* parent = nullptr);

    static constexpr int customFieldWidth = 36;

    const std::optional<qint64>& duration() const { return m_duration; }
    void setDuration(const std::optional<qint64>& duration);
    // Shown while there is no duration; 35 unless set.
    qint64 unsetMinutes() const { return m_unsetMinutes; }
    void setUnsetMinutes(qint64 minutes);
    qint64 shownValue() const;
    // What the custom field shows for the shown value: nothing for a preset, else its digits.
    QString customDurationText() const;

    // The custom field's text; setting it does not count as an edit.
    QString customDraft() const;
    void setCustomDraft(const QString& text);

    bool isCustomFieldFocused() const;
    void setCustomFieldFocused(bool focused);

    // The chip of a preset, by its minutes (null for other values), and the custom field.
    QAbstractButton* chip(qint64 minutes) const;
    CaretTintedField* customField() const { return m_customField; }

    // Which chip is drawn selected, if any, and whether the custom field is drawn active.
    std::optional<qint64> selectedPreset() const;
    bool isCustomActive() const;

    void setOnSelectPreset(std::function<void(qint64)> callback) { m_onSelectPreset = std::move(callback); }
    void setOnSubmitCustom(std::function<void()> callback);

Q_SIGNALS:
    // The user edited the custom field; the text holds digits only.
    void customDraftEdited(const QString& text);
    void customFieldFocusedChanged(bool focused);

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    std::optional<qint64> m_duration;
    qint64 m_unsetMinutes = DurationRules::defaultShownMinutes;
    std::vector<QAbstractButton*> m_chips;
    QWidget* m_customCapsule = nullptr;
    CaretTintedField* m_customField = nullptr;
    QLabel* m_unit = nullptr;
    std::function<void(qint64)> m_onSelectPreset;
};

} // namespace kestrion
