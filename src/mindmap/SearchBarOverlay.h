#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;

namespace kestrion {

class PlainButton;

// The floating find bar of the mind map: a magnifying glass, the query field, the position of
// the current match ("2 of 3", "0 results"), previous and next, and close. It edits the query
// and calls its closures; matching, stepping and ending the search are the controller's.
//
// The field takes its keys before any shortcut, so neither a menu shortcut nor the canvas acts
// on what is typed: Up and Shift-Return step back, Down and Return step on, Escape closes. The
// field has the keyboard whenever the bar is shown.
class SearchBarOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumFieldWidth = 120;

    explicit SearchBarOverlay(QWidget* parent = nullptr);
    ~SearchBarOverlay() override;

    QString query() const;
    // Shows the query without reporting it back.
    void setQuery(const QString& query);
    qint64 matchCount() const { return m_matchCount; }
    qint64 currentMatchIndex() const { return m_currentMatchIndex; }
    void setMatches(qint64 count, qint64 currentIndex);

    // Called with the new text on every edit of the field.
    void setOnQueryChanged(std::function<void(const QString&)> action) { m_onQueryChanged = std::move(action); }
    void setOnNext(std::function<void()> action) { m_onNext = std::move(action); }
    void setOnPrevious(std::function<void()> action) { m_onPrevious = std::move(action); }
    void setOnDismiss(std::function<void()> action) { m_onDismiss = std::move(action); }

    // "0 results" below one match, else "N of M" with the 1-based current match.
    static QString matchLabelText(qint64 count, qint64 currentIndex);

    void focusField();
    QLineEdit* field() const { return m_field; }
    QLabel* matchLabel() const { return m_matchLabel; }
    PlainButton* previousButton() const { return m_previousButton; }
    PlainButton* nextButton() const { return m_nextButton; }
    PlainButton* closeButton() const { return m_closeButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateMatchDisplay();
    void updateColours();
    static void call(const std::function<void()>& action);

    qint64 m_matchCount = 0;
    qint64 m_currentMatchIndex = 0;
    std::function<void(const QString&)> m_onQueryChanged;
    std::function<void()> m_onNext;
    std::function<void()> m_onPrevious;
    std::function<void()> m_onDismiss;
    QLabel* m_glass = nullptr;
    QLineEdit* m_field = nullptr;
    QLabel* m_matchLabel = nullptr;
    PlainButton* m_previousButton = nullptr;
    PlainButton* m_nextButton = nullptr;
    PlainButton* m_closeButton = nullptr;
};

} // namespace kestrion
