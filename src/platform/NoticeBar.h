#pragma once

#include <QFrame>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QHBoxLayout;

namespace kestrion {

// A button of a notice: its title and what it does. The notice goes away after it runs.
struct NoticeAction {
    QString title;
    std::function<void()> run;
};

// A message shown above a window's content instead of a modal dialog, with a few buttons and
// a close button. Used for what the user should know but need not answer at once.
class NoticeBar : public QFrame {
    Q_OBJECT
public:
    NoticeBar(const QString& text, std::vector<NoticeAction> actions, QWidget* parent = nullptr);

    QString text() const;
    // The titles of the action buttons, in order.
    QStringList actionTitles() const;
    // Runs the action with that title as a click would; false when there is none.
    bool trigger(const QString& title);

Q_SIGNALS:
    // The user closed the notice or one of its actions ran.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_label = nullptr;
    std::vector<NoticeAction> m_actions;
};

} // namespace kestrion
