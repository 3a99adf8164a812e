#pragma once

#include "delivery/TimerState.h"
#include "platform/Typography.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;

namespace kestrion {

class DeliveryTimer;

// The readouts in the top-left corner of the reading page: the remaining time in large digits
// (red when over, orange in the last five minutes, dimmed while paused), the minutes added
// beyond the plan, the "+5" and "+10" pills, the time since the first start and the wall clock.
// Clicking the remaining time opens the pills while the countdown runs or is paused, and edits
// the planned duration while it is idle.
//
// Refusals say why: a duration beyond the countdown's day keeps the field open with the bound
// shown under it, and a pill that would go beyond it is disabled.
//
// The readouts follow the timer's signals; the elapsed time and the wall clock are refreshed on
// every second of the wall clock while they are shown, and nothing runs while they are not.
class DeliveryCounterBlock : public QWidget {
    Q_OBJECT

public:
    static constexpr int blockWidth = 100;
    static constexpr int fieldWidth = 70;

    explicit DeliveryCounterBlock(DeliveryTimer& timer, QWidget* parent = nullptr);
    ~DeliveryCounterBlock() override;

    // Called with the minutes of a committed duration edit, after the timer took them.
    void setOnDurationChanged(std::function<void(qint64 minutes)> callback)
    {
        m_onDurationChanged = std::move(callback);
    }
    // Called after every end of a duration edit, committed or not.
    void setOnEditingEnded(std::function<void()> callback) { m_onEditingEnded = std::move(callback); }

    bool isEditingDuration() const { return m_isEditingDuration; }
    bool showPills() const { return m_showPills; }
    bool arePillsShown() const;
    bool isElapsedShown() const;
    bool isRefreshing() const { return m_refresh.isActive(); }
    QLabel* remainingLabel() const { return m_remaining; }
    QLabel* addedMark() const { return m_addedMark; }
    QLineEdit* durationField() const { return m_field; }
    QToolButton* pill(int minutes) const;
    // The bound shown under the field when an entry asks for more than the day.
    QLabel* refusalHint() const { return m_hint; }
    QLabel* elapsedLabel() const { return m_elapsed; }
    QLabel* wallClockLabel() const { return m_wallClock; }

    // Whole minutes of target beyond the plan.
    qint64 addedMinutes() const;
    QColor remainingColor() const;
    static QColor remainingColor(double remainingSeconds, TimerState state, bool isDark);

    void durationTapped();
    void beginDurationEdit();
    // Return in the field, or the window asking for what was typed: an entry beyond the day is
    // refused with its bound, and the field stays open with the keyboard; false then. Anything
    // else ends the edit, committing what reads as a duration.
    bool commitDurationEdit();
    void cancelDurationEdit();
    void addMinutes(qint64 minutes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolButton* makePill(const QString& label, qint64 minutes);
    void timerStateChanged(TimerState state);
    void endEditing();
    // Keeps the field open with the bound shown, when the entry asks for more than the day.
    bool refuseAboveBound();
    // Ends the edit, committing the entry when it reads as a duration.
    void finishDurationEdit();
    bool canAdd(qint64 minutes) const;
    void setShowPills(bool show);
    void refresh();
    void scheduleRefresh();

    DeliveryTimer& m_timer;
    const QFont m_remainingFont = Typography::systemFont(24, QFont::DemiBold);
    std::function<void(qint64)> m_onDurationChanged;
    std::function<void()> m_onEditingEnded;
    bool m_showPills = false;
    bool m_isEditingDuration = false;
    QLabel* m_remaining = nullptr;
    QLineEdit* m_field = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_addedMark = nullptr;
    QWidget* m_pills = nullptr;
    QToolButton* m_fivePill = nullptr;
    QToolButton* m_tenPill = nullptr;
    QWidget* m_elapsedRow = nullptr;
    QLabel* m_elapsed = nullptr;
    QWidget* m_wallClockRow = nullptr;
    QLabel* m_wallClock = nullptr;
    QList<QLabel*> m_captions;
    QWidget* m_hairline = nullptr;
    QTimer m_refresh;
};

} // namespace kestrion
