#include "platform/CommandRouter.h"

#include "platform/FindAction.h"
#include "platform/FocusedValuePublisher.h"
#include "platform/ZoomAction.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kestrion;

namespace {

struct LabelKey {
    using Value = QString;
};

// A widget that publishes whatever its function writes.
class PublishingWidget : public QWidget, public FocusedValuePublisher {
public:
    explicit PublishingWidget(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }

    void publishFocusedValues(FocusedValues& values) const override
    {
        if (publish)
            publish(values);
    }

    std::function<void(FocusedValues&)> publish;
};

struct Window {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    PublishingWidget* canvas = nullptr;
    QLineEdit* field = nullptr;
    QLineEdit* outsideField = nullptr;

    Window()
    {
        auto* layout = new QVBoxLayout(window.get());
        canvas = new PublishingWidget;
        field = new QLineEdit(canvas);
        outsideField = new QLineEdit;
        layout->addWidget(canvas);
        layout->addWidget(outsideField);
    }
};

} // namespace

TEST(CommandRouterTest, AViewPublishesOnlyWhileItOrAWidgetInsideItHasTheFocus)
{
    CommandRouter router;
    Window w;
    int zoomed = 0;
    w.canvas->publish = [&](FocusedValues& values) { values.set<FocusedZoomKey>({ [&] { ++zoomed; }, {}, {} }); };
    router.addViewPublisher(w.canvas, w.canvas);

    router.setFocusOverride(w.canvas);
    EXPECT_EQ(router.focusedView(), w.canvas);
    EXPECT_EQ(router.focusedWindow(), w.window.get());
    auto zoom = router.value<FocusedZoomKey>();
    ASSERT_TRUE(zoom);
    zoom->zoomIn();
    EXPECT_EQ(zoomed, 1);

    router.setFocusOverride(w.field);
    EXPECT_EQ(router.focusedView(), w.canvas);
    EXPECT_TRUE(router.value<FocusedZoomKey>());

    router.setFocusOverride(w.outsideField);
    EXPECT_EQ(router.focusedView(), nullptr);
    EXPECT_FALSE(router.value<FocusedZoomKey>());
    EXPECT_EQ(router.focusedWindow(), w.window.get());
}

TEST(CommandRouterTest, ASceneNamesItsWindowAndInnerViewsWin)
{
    CommandRouter router;
    Window w;
    // The scene is the window itself in an application; any widget of the window will do.
    auto* root = new PublishingWidget(w.window.get());
    root->publish = [](FocusedValues& values) {
        values.set<LabelKey>(QStringLiteral("scene"));
        values.set<FocusedFindKey>({ [] {} });
    };
    w.canvas->publish = [](FocusedValues& values) { values.set<LabelKey>(QStringLiteral("canvas")); };
    router.addScenePublisher(root, root);
    router.addViewPublisher(w.canvas, w.canvas);

    router.setFocusOverride(w.outsideField);
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("scene"));
    router.setFocusOverride(w.canvas);
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("canvas"));
    EXPECT_TRUE(router.value<FocusedFindKey>());
}

TEST(CommandRouterTest, AnotherWindowsPublishersAreNotAsked)
{
    CommandRouter router;
    Window a;
    Window b;
    a.canvas->publish = [](FocusedValues& values) { values.set<LabelKey>(QStringLiteral("a")); };
    b.canvas->publish = [](FocusedValues& values) { values.set<LabelKey>(QStringLiteral("b")); };
    router.addViewPublisher(a.canvas, a.canvas);
    router.addViewPublisher(b.canvas, b.canvas);
    router.setFocusOverride(b.field);
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("b"));
    EXPECT_EQ(router.focusedWindow(), b.window.get());

    QSignalSpy spy(&router, &CommandRouter::valuesChanged);
    router.publisherChanged(a.canvas);
    EXPECT_EQ(spy.count(), 0);
    router.publisherChanged(b.canvas);
    EXPECT_EQ(spy.count(), 1);
}

TEST(CommandRouterTest, ValuesAreCollectedAfreshOnEveryRead)
{
    CommandRouter router;
    Window w;
    QString label = QStringLiteral("one");
    w.canvas->publish = [&](FocusedValues& values) { values.set<LabelKey>(label); };
    router.addViewPublisher(w.canvas, w.canvas);
    router.setFocusOverride(w.canvas);
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("one"));
    label = QStringLiteral("two");
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("two"));
}

TEST(CommandRouterTest, ADestroyedOrRemovedPublisherIsForgotten)
{
    CommandRouter router;
    Window w;
    w.canvas->publish = [](FocusedValues& values) { values.set<LabelKey>(QStringLiteral("x")); };
    router.addViewPublisher(w.canvas, w.canvas);
    router.setFocusOverride(w.field);
    QSignalSpy spy(&router, &CommandRouter::valuesChanged);
    router.removePublisher(w.canvas);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(router.value<LabelKey>());

    router.addViewPublisher(w.canvas, w.canvas);
    EXPECT_TRUE(router.value<LabelKey>());
    w.window.reset();
    EXPECT_EQ(router.focusedView(), nullptr);
    EXPECT_FALSE(router.value<LabelKey>());
}

TEST(CommandRouterTest, FollowsTheApplicationFocus)
{
    CommandRouter router;
    Window w;
    w.canvas->publish = [](FocusedValues& values) { values.set<LabelKey>(QStringLiteral("x")); };
    router.addViewPublisher(w.canvas, w.canvas);
    w.window->show();
    w.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));

    w.outsideField->setFocus();
    QSignalSpy spy(&router, &CommandRouter::valuesChanged);
    w.canvas->setFocus();
    EXPECT_GE(spy.count(), 1);
    EXPECT_EQ(router.focusedView(), w.canvas);
    EXPECT_EQ(router.value<LabelKey>(), QStringLiteral("x"));
    w.outsideField->setFocus();
    EXPECT_EQ(router.focusedView(), nullptr);
    EXPECT_FALSE(router.value<LabelKey>());
}
