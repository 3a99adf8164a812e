#pragma once

#include "delivery/NavTarget.h"

#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QVBoxLayout;

namespace kestrion {

// Up to two buttons in the bottom-right corner of the reading page naming the next main point
// and the next sub-point below the visible page; a click jumps there. The sub-point stands
// above the main point, and is left out when it is the main point itself.
class DeliveryNavOverlay : public QWidget {
    Q_OBJECT

public:
    static constexpr int spacing = 6;
    // Room around the cards for their shadows, inside the overlay's rectangle.
    static constexpr int shadowMargin = 8;

    explicit DeliveryNavOverlay(QWidget* parent = nullptr);
    ~DeliveryNavOverlay() override;

    void setOnNavigate(std::function<void(const QUuid&)> callback) { m_onNavigate = std::move(callback); }
    // Rebuilds the buttons when the targets or the size changed. maxWidth bounds a button; a
    // longer heading is cut to one line.
    void setTargets(const std::optional<NavTarget>& nextL1, const std::optional<NavTarget>& nextL2, double baseFontSize,
        int maxWidth);

    const std::optional<NavTarget>& nextL1() const { return m_nextL1; }
    const std::optional<NavTarget>& nextL2() const { return m_nextL2; }
    // The buttons shown, top to bottom.
    QList<QAbstractButton*> buttons() const;

    // Text size of a jump button by depth.
    static double textSize(qint64 depth, double baseFontSize);
    // The height of a jump button by depth, and of the two stacked, shadows left out.
    static int buttonHeight(qint64 depth, double baseFontSize);
    static int stackHeight(double baseFontSize);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAbstractButton* targetButton(const NavTarget& target, double baseFontSize, int maxWidth);

    std::function<void(const QUuid&)> m_onNavigate;
    std::optional<NavTarget> m_nextL1;
    std::optional<NavTarget> m_nextL2;
    double m_baseFontSize = 0;
    int m_maxWidth = 0;
    QVBoxLayout* m_stack = nullptr;
};

} // namespace kestrion
