#pragma once

#include "platform/FrameAnimation.h"

#include <QPointer>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace kestrion {

class AnimationClock;
class Preferences;
class SermonDocument;

// The word-count pill of focus mode: how many words the sermon has and how long it takes to
// read at the stored pace, in the bottom-left corner. It fades out 3 s after the last pointer
// movement or click in its window and comes back on the next one, or when its window becomes
// active again; key presses leave it alone.
//
// It lies over the whole area of its window but takes no pointer input, so everything below
// it stays usable. The hold and the fade run on an AnimationClock: tests give their own,
// advance it and call tick(). Main thread only.
class FocusOverlayView : public QWidget {
    Q_OBJECT
public:
    static constexpr double fadeDelaySeconds = 3.0;
    static constexpr double fadeDuration = 0.3;
    static constexpr qreal edgeInset = 16;
    static constexpr qreal horizontalPadding = 12;
    static constexpr qreal verticalPadding = 6;
    static constexpr qreal fontSize = 12;

    explicit FocusOverlayView(SermonDocument& document, QWidget* parent = nullptr);
    ~FocusOverlayView() override;

    // "0 words", else "<words> words · <minutes> min" with the minutes rounded up, at least 1.
    static QString overlayLabelText(qint64 words, qint64 wordsPerMinute);
    // The pill's text for the document at the stored pace.
    QString labelText() const;

    // Where the pace is read; the shared preferences unless set.
    void setPreferences(Preferences* preferences);
    void setAnimationClock(const AnimationClock* clock);

    // Whether the pill is meant to be shown; its opacity follows over fadeDuration.
    bool isPillShown() const { return m_isPillShown; }
    double pillOpacity() const { return m_opacity; }
    QRectF pillRect() const;

    // The pointer watch and the hold run from showing to hiding.
    bool isActivityMonitorInstalled() const { return m_isMonitoring; }
    bool isFadeTimerActive() const { return m_fadeDeadline.has_value(); }

    // Shows the pill and starts the 3 s hold anew.
    void noteActivity();
    // Starts the hold anew; at its end the pill fades.
    void restartFadeTimer();
    // Runs the hold and the fade up to the clock's present; the timers call it, and tests
    // after advancing their clock.
    void tick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void installActivityMonitor();
    void removeActivityMonitor();
    void setPillShown(bool shown);
    void setOpacity(double opacity);
    void invalidateLabel();
    bool isOwnPointerEvent(QObject* watched, QEvent* event) const;
    QFont pillFont() const;
    qreal pillHeight() const;
    QRect pillBand() const;

    QPointer<SermonDocument> m_document;
    QPointer<Preferences> m_preferences;
    const AnimationClock* m_clock;
    FrameAnimation m_fade;
    QTimer m_fadeTimer;
    std::optional<double> m_fadeDeadline;
    bool m_isPillShown = true;
    double m_opacity = 1.0;
    bool m_isMonitoring = false;
    // The text as last computed; counting walks the whole tree, so it waits for a change.
    mutable std::optional<QString> m_label;
};

} // namespace kestrion
