#pragma once

#include "delivery/TimerState.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QGraphicsOpacityEffect;
class QVariantAnimation;

namespace kestrion {

class DeliveryCanvas;
class DeliveryCanvasState;
class DeliveryCounterBlock;
class DeliveryMeasureKeeper;
class DeliveryNavOverlay;
class DeliveryRunnerPlayButton;
class DeliveryRunnerStopButton;
class DeliverySettingsBar;
class DeliveryTimer;
class DeliveryTopBar;
class FollowRunnerButton;
class FullscreenController;
class Preferences;
class SermonDocument;
class UndoRegistrar;
class WindowFullscreenBridge;

// The root view of delivery mode. It owns the delivery's countdown, the reading page's scroll
// state and the full-screen controller, and lays out the top bar with its ruler, the reading
// page with its counter block, runner buttons and navigation aids, and the settings bar. It
// plans the countdown from the sermon's duration or, without one, from its length; writes an
// edited duration back to the sermon as one undo step; takes the window into full screen when
// the countdown starts (when so set) and out of it when the countdown returns to idle; and stops
// everything when it goes away.
//
// The window keeps it while it shows another mode: a countdown goes on (or stays paused) with
// the place on the page. Hidden, it takes the window out of full screen, and shown again puts it
// back in if it was.
class DeliveryView : public QWidget {
    Q_OBJECT

public:
    // The pace of the first estimate, before the stored pace is read on coming on screen.
    static constexpr qint64 estimatePace = 130;
    static constexpr double gutter = 150;
    static constexpr int minimumContentWidth = 800;

    // The undo manager is the window's: an edited duration is registered with it. The toolbar
    // is hidden in full screen. The page is laid out from the measures the keeper holds for the
    // document, when given one; else the view keeps its own.
    DeliveryView(SermonDocument& document, Preferences& preferences, UndoRegistrar* undoManager = nullptr,
        QWidget* toolbar = nullptr, DeliveryMeasureKeeper* measures = nullptr, QWidget* parent = nullptr);
    ~DeliveryView() override;

    SermonDocument& document() const { return m_document; }
    DeliveryTimer& timer() const { return *m_timer; }
    DeliveryCanvasState& canvasState() const { return *m_canvasState; }
    FullscreenController& fullscreenController() const { return *m_fullscreen; }
    DeliveryCanvas* canvas() const { return m_canvas; }
    DeliveryTopBar* topBar() const { return m_topBar; }
    DeliveryCounterBlock* counterBlock() const { return m_counterBlock; }
    // Minutes typed into the counter block and not yet confirmed go into the sermon's details,
    // as Return would put them, before the window saves, closes or leaves delivery. False when
    // they ask for more than the day: refused as Return refuses them, the field stays open.
    bool commitPendingEdit();
    DeliveryRunnerPlayButton* playButton() const { return m_playButton; }
    DeliveryRunnerStopButton* stopButton() const { return m_stopButton; }
    FollowRunnerButton* followButton() const { return m_followButton; }
    DeliveryNavOverlay* navOverlay() const { return m_navOverlay; }
    DeliverySettingsBar* settingsBar() const { return m_settingsBar; }
    bool isInFullscreen() const { return m_isInFullscreen; }

    // The duration the countdown plans when the sermon states none: its words at the stored
    // pace, in whole multiples of 5 minutes, at least 5.
    qint64 autoDurationMinutes();
    // The sermon's duration when set, else the estimate at a pace.
    qint64 plannedMinutes(qint64 wordsPerMinute);
    // A duration the sermon states, as the countdown plans and shows it: beyond the countdown's
    // day the day, below a minute (only a file written by hand holds one) a minute.
    static qint64 plannedDuration(qint64 minutes);
    // The largest text width the settings offer in the view's width: a multiple of 50 from
    // 400 to 1000; 1000 before the width is known.
    double maxTextWidth() const;
    static double maxTextWidth(double availableWidth);
    // The width the page wraps at: the stored one as far as the view has room for it, so no
    // line runs out of a narrow window; the stored one comes back when the window widens.
    double pageTextWidth() const;
    static double pageTextWidth(double storedWidth, double viewWidth);
    // The narrowest the view lets its window be: room for the reading column, at least 800,
    // never more than the screen's available width (when known, above 0).
    static int minimumViewWidth(double textWidth, int screenWidth);
    // That width for the stored text width, which the view takes while it is shown.
    int wantedMinimumWidth() const { return m_minimumWidth; }

    // Scrolls the page so that the fraction's words stand on the reading line, at once.
    void seek(double fraction);
    // Writes an edited duration into the sermon's details as one undo step; nothing when the
    // sermon has that duration already, or one outside the countdown's range that it is shown as.
    void commitDuration(qint64 minutes);
    void timerStateChanged(TimerState previous, TimerState state);
    void fullscreenSettingChanged(bool enabled);
    // Escape: a paused countdown is reset (and full screen left with it); a running one only
    // leaves full screen, and outside full screen is left alone.
    bool escapeKey();
    bool returnKey();

Q_SIGNALS:
    // The window's content must now be at least this wide (the view's minimum width): room for
    // the reading column.
    void minimumContentWidthChanged(int width);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The sermon's words, counted once for as long as its tree stays as it is (or taken from
    // the kept measures, when they hold them).
    qint64 sermonWords();
    void applySettings();
    void preferenceChanged(const QString& key);
    void metadataChanged();
    // The widest a jump button may be in the margin right of the reading column; 0 when the
    // margin has too little room and the buttons stand at the foot of the page.
    int marginButtonWidth() const;
    // The foot of the page the buttons then take, the text kept clear of them.
    int navFootHeight() const;
    void updateNavTargets();
    void relayout();
    void showStopButton(bool show);

    SermonDocument& m_document;
    Preferences& m_preferences;
    UndoRegistrar* m_undoManager;
    QPointer<DeliveryMeasureKeeper> m_measures;
    DeliveryTimer* m_timer = nullptr;
    DeliveryCanvasState* m_canvasState = nullptr;
    FullscreenController* m_fullscreen = nullptr;
    WindowFullscreenBridge* m_fullscreenBridge = nullptr;
    DeliveryTopBar* m_topBar = nullptr;
    DeliveryCanvas* m_canvas = nullptr;
    FollowRunnerButton* m_followButton = nullptr;
    DeliveryNavOverlay* m_navOverlay = nullptr;
    DeliveryCounterBlock* m_counterBlock = nullptr;
    DeliveryRunnerPlayButton* m_playButton = nullptr;
    DeliveryRunnerStopButton* m_stopButton = nullptr;
    QGraphicsOpacityEffect* m_stopOpacity = nullptr;
    QVariantAnimation* m_stopFade = nullptr;
    DeliverySettingsBar* m_settingsBar = nullptr;
    bool m_fullscreenEnabled = false;
    bool m_isInFullscreen = false;
    bool m_hasAppeared = false;
    int m_minimumWidth = 0;
    // Left for another mode in full screen: back in it on coming back.
    bool m_resumesFullscreen = false;
    std::optional<qint64> m_words;
};

} // namespace kestrion
