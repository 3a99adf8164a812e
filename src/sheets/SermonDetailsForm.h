#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace kestrion {

class DurationRow;
class OccurrencesEditor;
class SectionBlock;
class SingleLineField;

// The form both details sheets show: a header with the sheet's name, Cancel and the sheet's
// action, a card with the Title, Scripture, Series and Duration rows, and the occurrences below
// it. It only lays the form out and routes the keys: wherever the keyboard is in the window,
// Escape cancels, and Return that no field takes runs the action (a push button with the
// keyboard is pressed instead). Each time it is shown the keyboard starts in the title, all of it
// selected, so that what is typed replaces it. What the fields mean is the sheet's business.
class SermonDetailsForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int formWidth = 620;
    static constexpr int maximumFormHeight = 600;

    SermonDetailsForm(const QString& heading, const QString& actionTitle, QWidget* parent = nullptr);

    QLabel* heading() const { return m_heading; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QPushButton* actionButton() const { return m_actionButton; }
    SingleLineField* titleField() const { return m_titleField; }
    SingleLineField* scriptureField() const { return m_scriptureField; }
    SingleLineField* seriesField() const { return m_seriesField; }
    DurationRow* durationRow() const { return m_durationRow; }
    OccurrencesEditor* occurrences() const { return m_occurrences; }
    SectionBlock* fieldsCard() const { return m_fieldsCard; }
    // A message above the card; hidden while empty.
    QLabel* notice() const { return m_notice; }
    void setNotice(const QString& text);

    // Cancel and Escape; the action button and the Return that reaches the form.
    void setOnCancel(std::function<void()> onCancel) { m_onCancel = std::move(onCancel); }
    void setOnAction(std::function<void()> onAction) { m_onAction = std::move(onAction); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cancel();
    void act();
    void returnPressed();

    QLabel* m_heading = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_actionButton = nullptr;
    QLabel* m_notice = nullptr;
    SectionBlock* m_fieldsCard = nullptr;
    SingleLineField* m_titleField = nullptr;
    SingleLineField* m_scriptureField = nullptr;
    SingleLineField* m_seriesField = nullptr;
    DurationRow* m_durationRow = nullptr;
    OccurrencesEditor* m_occurrences = nullptr;
    std::function<void()> m_onCancel;
    std::function<void()> m_onAction;
};

} // namespace kestrion
