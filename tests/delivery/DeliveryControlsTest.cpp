#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryNavOverlay.h"
#include "delivery/DeliveryRunnerPlayButton.h"
#include "delivery/DeliverySettingsBar.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/FollowRunnerButton.h"
#include "platform/Appearance.h"
#include "platform/Preferences.h"
#include "support/ContrastRatio.h"
#include "support/ManualClock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QScopeGuard>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(DeliveryControlsTest, ThePlayButtonFollowsAndDrivesTheCountdown)
{
    test::ManualClock clock;
    DeliveryTimer timer(10, &clock);
    DeliveryRunnerPlayButton button(timer);
    EXPECT_EQ(button.symbolName(), QStringLiteral("play.circle.fill"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Play"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Play / Pause"));
    button.click();
    EXPECT_EQ(timer.state(), TimerState::Running);
    EXPECT_EQ(button.symbolName(), QStringLiteral("pause.circle.fill"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Pause"));
    button.click();
    EXPECT_EQ(timer.state(), TimerState::Paused);
    EXPECT_EQ(button.symbolName(), QStringLiteral("play.circle.fill"));
    button.click();
    EXPECT_EQ(timer.state(), TimerState::Running);
    // Only the disc takes clicks, not the corners of its square.
    button.resize(button.sizeHint());
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(timer.state(), TimerState::Running);
}

TEST(DeliveryControlsTest, TheFollowButtonSwitchesFollowing)
{
    DeliveryCanvasState state;
    int decelerationStops = 0;
    state.stopScrollDeceleration = [&] { ++decelerationStops; };
    FollowRunnerButton button(state);
    EXPECT_EQ(button.symbolName(), QStringLiteral("eye"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Follow runner"));
    button.click();
    EXPECT_TRUE(state.followRunner());
    EXPECT_EQ(button.symbolName(), QStringLiteral("eye.fill"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Stop following runner"));
    EXPECT_EQ(decelerationStops, 1);
    // Under the runner line of the centred column, or at 129 when the window is narrower.
    EXPECT_EQ(FollowRunnerButton::centre(QSizeF(1250, 600), 700), QPointF(200 + 129, 568));
    EXPECT_EQ(FollowRunnerButton::centre(QSizeF(700, 600), 700), QPointF(129, 568));
}

TEST(DeliveryControlsTest, TheOverlayOffersTheNextSubPointAboveTheNextMainPoint)
{
    DeliveryNavOverlay overlay;
    std::vector<QUuid> jumps;
    overlay.setOnNavigate([&](const QUuid& id) { jumps.push_back(id); });
    const NavTarget main { QUuid::createUuid(), 1, QStringLiteral("The Welcome") };
    const NavTarget sub { QUuid::createUuid(), 2, QStringLiteral("The robe") };
    overlay.setTargets(main, sub, 15, 600);
    overlay.show();
    QList<QAbstractButton*> buttons = overlay.buttons();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->accessibleName(), sub.text);
    EXPECT_EQ(buttons[1]->accessibleName(), main.text);
    EXPECT_TRUE(buttons[0]->isVisible());
    EXPECT_LT(buttons[0]->y(), buttons[1]->y());
    buttons[1]->click();
    EXPECT_EQ(jumps, std::vector<QUuid>({ main.id }));

    // Built again after the overlay is shown, the buttons show too.
    overlay.setTargets(main, std::nullopt, 15, 600);
    ASSERT_EQ(overlay.buttons().size(), 1);
    EXPECT_TRUE(overlay.buttons().front()->isVisible());
    overlay.setTargets(main, main, 15, 600);
    EXPECT_EQ(overlay.buttons().size(), 1);
    overlay.setTargets(std::nullopt, std::nullopt, 15, 600);
    EXPECT_TRUE(overlay.buttons().isEmpty());

    EXPECT_EQ(DeliveryNavOverlay::textSize(1, 15), 20);
    EXPECT_EQ(DeliveryNavOverlay::textSize(2, 15), 16);
    EXPECT_EQ(DeliveryNavOverlay::textSize(7, 15), 15);
    // A long heading is cut to one line within the width given.
    overlay.setTargets(NavTarget { main.id, 1, QString(500, u'w') }, std::nullopt, 15, 300);
    EXPECT_LE(overlay.buttons().front()->width(), 300);
}

TEST(DeliveryControlsTest, TheSettingsBarReadsAndWritesTheStoredSettings)
{
    QTemporaryDir folder;
    Preferences preferences(
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    preferences.setDeliveryFontSize(15.5);
    preferences.setDeliveryTextWidth(1000);
    DeliverySettingsBar bar(preferences);
    EXPECT_EQ(bar.fontSizeValue()->text(), QStringLiteral("15"));
    EXPECT_EQ(bar.fontSizeSlider()->minimum(), 12);
    EXPECT_EQ(bar.fontSizeSlider()->maximum(), 24);
    EXPECT_EQ(bar.lineSpacingValue()->text(), QStringLiteral("1.8"));
    EXPECT_EQ(DeliverySettingsBar::lineSpacingText(3.0), QStringLiteral("3.0"));

    // A narrow window offers one position and shows the width the page then uses; showing it
    // does not overwrite the stored width.
    bar.setMaxTextWidth(400);
    EXPECT_EQ(bar.textWidthSlider()->minimum(), bar.textWidthSlider()->maximum());
    EXPECT_EQ(preferences.deliveryTextWidth(), 1000);
    EXPECT_EQ(bar.textWidthValue()->text(), QStringLiteral("400"));

    bar.setMaxTextWidth(1000);
    bar.textWidthSlider()->setValue(15);
    EXPECT_EQ(preferences.deliveryTextWidth(), 750);
    bar.lineSpacingSlider()->setValue(23);
    EXPECT_DOUBLE_EQ(preferences.deliveryLineSpacing(), 2.3);
    bar.fontSizeSlider()->setValue(20);
    EXPECT_EQ(preferences.deliveryFontSize(), 20);
    bar.fullscreenToggle()->click();
    EXPECT_TRUE(preferences.deliveryFullscreen());
    EXPECT_EQ(bar.fullscreenToggle()->toolTip(), QStringLiteral("Enter fullscreen when timer is running"));

    // A change from another window reaches the bar.
    preferences.setDeliveryFontSize(13);
    EXPECT_EQ(bar.fontSizeSlider()->value(), 13);
    EXPECT_EQ(bar.fontSizeValue()->text(), QStringLiteral("13"));
}

TEST(DeliveryControlsTest, TheWheelOverTheSettingsBarChangesNoSetting)
{
    QTemporaryDir folder;
    Preferences preferences(
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    DeliverySettingsBar bar(preferences);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    for (QSlider* slider : { bar.fontSizeSlider(), bar.lineSpacingSlider(), bar.textWidthSlider() }) {
        const QPointF centre = QRectF(slider->rect()).center();
        QWheelEvent wheel(centre, slider->mapToGlobal(centre), QPoint(0, 120), QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(slider, &wheel);
    }
    EXPECT_EQ(preferences.deliveryFontSize(), 15);
    EXPECT_EQ(preferences.deliveryLineSpacing(), 1.8);
    EXPECT_EQ(preferences.deliveryTextWidth(), 700);
}

// The Fullscreen box stands out from its bar as plainly in the dark appearance as in the light,
// made in either and after a switch.
TEST(DeliveryControlsTest, TheFullscreenBoxShowsOnItsBarInEitherAppearance)
{
    QTemporaryDir folder;
    Preferences preferences(
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    const AppAppearance saved = Appearance::shared().appearance();
    const auto restore = qScopeGuard([saved] { Appearance::shared().apply(saved); });
    // The most the box's pixels differ from the bar's backdrop.
    const auto edgeContrast = [](const DeliverySettingsBar& bar) {
        QCheckBox* box = bar.fullscreenToggle();
        box->adjustSize();
        const QColor backdrop = QApplication::palette().color(QPalette::Window);
        QImage image(box->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(backdrop);
        box->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        double most = 1;
        for (int y = indicator.top(); y <= indicator.bottom(); ++y) {
            for (int x = indicator.left(); x <= indicator.right(); ++x)
                most = std::max(most, contrastRatio(image.pixelColor(x, y), backdrop));
        }
        return most;
    };
    Appearance::shared().apply(AppAppearance::Light);
    DeliverySettingsBar madeLight(preferences);
    const double light = edgeContrast(madeLight);
    EXPECT_GE(light, 1.5);
    Appearance::shared().apply(AppAppearance::Dark);
    DeliverySettingsBar madeDark(preferences);
    const double dark = edgeContrast(madeDark);
    EXPECT_GE(dark, light);
    EXPECT_NEAR(edgeContrast(madeLight), dark, 0.05);
    Appearance::shared().apply(AppAppearance::Light);
    EXPECT_NEAR(edgeContrast(madeDark), light, 0.05);
}
