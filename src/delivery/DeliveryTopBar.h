#pragma once

#include <QWidget>

#include <functional>

namespace kestrion {

class DeliveryCanvasState;
class DeliveryTimelineRuler;
class DeliveryTimer;

// The strip above the reading page: the timeline ruler over a hairline. The bar takes 40 points
// of the page; its ruler's runner dot reaches a little below, over the page.
class DeliveryTopBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int barHeight = 40;

    DeliveryTopBar(DeliveryTimer& timer, DeliveryCanvasState& canvasState, std::function<void(double)> onSeek,
        QWidget* parent = nullptr);
    ~DeliveryTopBar() override;

    DeliveryTimelineRuler* ruler() const { return m_ruler; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    DeliveryTimelineRuler* m_ruler = nullptr;
};

} // namespace kestrion
