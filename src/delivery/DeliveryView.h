#pragma once

#include <QWidget>

namespace kestrion {

class DeliveryCanvas;
class DeliveryCanvasState;
class DeliveryTimer;
class Preferences;
class SermonDocument;

// The root view of delivery mode. It owns the delivery's countdown and the reading page's
// scroll state for as long as the window shows delivery mode, reads the stored delivery
// settings, and plans the countdown from the sermon's duration or, without one, from its
// length.
class DeliveryView : public QWidget {
    Q_OBJECT

public:
    // The pace of the first estimate, before the stored pace is read on coming on screen.
    static constexpr qint64 estimatePace = 130;

    DeliveryView(SermonDocument& document, Preferences& preferences, QWidget* parent = nullptr);
    ~DeliveryView() override;

    SermonDocument& document() const { return m_document; }
    DeliveryTimer& timer() const { return *m_timer; }
    DeliveryCanvasState& canvasState() const { return *m_canvasState; }
    DeliveryCanvas* canvas() const { return m_canvas; }

    // The duration the countdown plans when the sermon states none: its words at the stored
    // pace, in whole multiples of 5 minutes, at least 5.
    qint64 autoDurationMinutes() const;
    // The sermon's duration when set, else the estimate at a pace.
    static qint64 plannedMinutes(const SermonDocument& document, qint64 wordsPerMinute);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applySettings();
    void preferenceChanged(const QString& key);

    SermonDocument& m_document;
    Preferences& m_preferences;
    DeliveryTimer* m_timer = nullptr;
    DeliveryCanvasState* m_canvasState = nullptr;
    DeliveryCanvas* m_canvas = nullptr;
    bool m_hasAppeared = false;
};

} // namespace kestrion
