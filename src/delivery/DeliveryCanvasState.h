#pragma once

#include "delivery/DeliveryContentLayout.h"
#include "delivery/NavTarget.h"

#include <QObject>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace kestrion {

// The scroll state of the reading page, shared by the canvas, the top bar and its ruler, the
// navigation aids and the delivery view: the content y at the top of the viewport, the
// viewport's height, the current layout, whether the page follows the runner, a pending jump
// and three hooks the canvas installs. Setters notify only on change, except the layout, which
// notifies on every assignment. Main thread only.
class DeliveryCanvasState : public QObject {
    Q_OBJECT

public:
    using Layout = std::shared_ptr<const DeliveryContentLayout>;
    using Action = std::function<void()>;

    // What remains of the content at the top of the viewport when scrolled to the end.
    static constexpr double endReserve = 80;
    // The reading line, this far below the top of the viewport: following keeps the runner on
    // it, a seek puts its fraction there and the ruler reads the reader's place from it, so a
    // reader exactly on time is never told they are behind.
    static constexpr double readingLine = 100;

    explicit DeliveryCanvasState(QObject* parent = nullptr);
    ~DeliveryCanvasState() override;

    double scrollY() const { return m_scrollY; }
    // Stores y as given (not finite is refused); writers limit it with clampedScrollY. A new
    // layout or viewport height brings it back within range.
    bool setScrollY(double y);
    double viewportHeight() const { return m_viewportHeight; }
    bool setViewportHeight(double height);
    const Layout& layout() const { return m_layout; }
    void setLayout(Layout layout);
    bool followRunner() const { return m_followRunner; }
    bool setFollowRunner(bool follow);
    const std::optional<QUuid>& pendingScrollTarget() const { return m_pendingScrollTarget; }
    bool setPendingScrollTarget(const std::optional<QUuid>& target);

    // Hooks, absent until their owner sets them; callers call them only when set.
    Action stopScrollDeceleration;
    Action stopScrollAnimation;
    Action requestCanvasFocus;
    void callIfSet(const Action& action) const
    {
        if (action)
            action();
    }

    // The largest allowed scrollY: 0 without a layout or when the content fits, else the
    // content can scroll until only its last 80 points remain at the top (its foot at the
    // view's foot when the view is shorter), but never past the top of its last line of text.
    double maxScrollY() const;
    // y limited to 0...maxScrollY.
    double clampedScrollY(double y) const;
    // The next depth-1 and the next depth-2 heading below the viewport, found independently.
    std::pair<std::optional<NavTarget>, std::optional<NavTarget>> nextNavTargets() const;
    // A jump request: stops the deceleration, stops following, sets the pending target.
    void navigate(const QUuid& id);

Q_SIGNALS:
    void scrollYChanged(double y);
    void viewportHeightChanged(double height);
    void layoutChanged();
    void followRunnerChanged(bool follow);
    void pendingScrollTargetChanged();

private:
    void keepScrollInRange();

    double m_scrollY = 0;
    double m_viewportHeight = 0;
    Layout m_layout;
    bool m_followRunner = false;
    std::optional<QUuid> m_pendingScrollTarget;
};

} // namespace kestrion
