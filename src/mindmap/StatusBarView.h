#pragma once

#include "document/SermonNode.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace kestrion {

class PlainButton;
class Preferences;
class SermonDocument;
class ZoomControlsView;

// The thin strip under an editing canvas: on the left the sermon's words and reading time at
// the stored pace, a click on which offers the four paces; on the right the zoom controls.
//
// The text follows every edit, undo and redo of the document and every change of the stored
// "readingPaceWPM", made in this window or any other. Main thread only.
class StatusBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 28;
    static constexpr int horizontalInset = 12;

    StatusBarView(SermonDocument& document, Preferences& preferences, QWidget* parent = nullptr);
    ~StatusBarView() override;

    // "0 words" without words; otherwise "N words · M min @Pwpm" with M = max(ceil(N / P), 1).
    // A stored pace below 1 reads as 120.
    static QString statusText(const SermonNodePtr& root, qint64 storedWordsPerMinute);

    // The shown text, as of the last refresh.
    QString currentStatusText() const;
    // Counts again now; changes are otherwise counted once per turn of the event loop.
    void refresh();
    // The sermon's words as the bar counts them, counted now when a change is not yet.
    qint64 sermonWords();

    // The canvas's zoom scale, shown by the zoom controls.
    qreal scale() const;
    void setScale(qreal scale);
    void setOnZoomIn(std::function<void()> action);
    void setOnZoomOut(std::function<void()> action);
    void setOnZoomReset(std::function<void()> action);

    PlainButton* paceButton() const { return m_paceButton; }
    QMenu* paceMenu() const { return m_paceMenu; }
    // One checkable item per pace, slowest first.
    QList<QAction*> paceActions() const;
    ZoomControlsView* zoomControls() const { return m_zoomControls; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows the words as counted, counting them first when nothing is counted.
    void showCount();
    // Drops the count: something other than an in-place text write changed the sermon.
    void scheduleRefresh();
    void contentEdited();
    static QString statusText(qint64 words, qint64 storedWordsPerMinute);
    void showPaceMenu();

    QPointer<SermonDocument> m_document;
    Preferences& m_preferences;
    PlainButton* m_paceButton = nullptr;
    QMenu* m_paceMenu = nullptr;
    ZoomControlsView* m_zoomControls = nullptr;
    QTimer m_refreshTimer;
    // The sermon's words as last counted, kept by the in-place text writes since.
    std::optional<qint64> m_words;
    // A text write was just told of; its contentEdited follows.
    bool m_isTextWrite = false;
};

} // namespace kestrion
