#include "platform/Appearance.h"

#include "platform/Preferences.h"
#include "support/ContrastRatio.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

// Restores the shared appearance and the application palette after each test.
class AppearanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_savedPalette = QGuiApplication::palette();
        m_savedSystemPalette = Appearance::shared().systemPalette();
        m_savedAppearance = Appearance::shared().appearance();
    }

    void TearDown() override
    {
        Appearance::shared().setSystemPalette(m_savedSystemPalette);
        Appearance::shared().apply(m_savedAppearance);
        QGuiApplication::setPalette(m_savedPalette);
    }

    std::unique_ptr<Preferences> makePreferences()
    {
        return std::make_unique<Preferences>(
            std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    }

    QTemporaryDir m_dir;
    QPalette m_savedPalette;
    QPalette m_savedSystemPalette;
    AppAppearance m_savedAppearance = AppAppearance::System;
};

QColor windowColor()
{
    return QGuiApplication::palette().color(QPalette::Window);
}

} // namespace

TEST(AppAppearanceTest, RawValuesAreExactAndCaseSensitive)
{
    EXPECT_EQ(rawValue(AppAppearance::System), "System");
    EXPECT_EQ(rawValue(AppAppearance::Light), "Light");
    EXPECT_EQ(rawValue(AppAppearance::Dark), "Dark");
    for (AppAppearance a : allAppAppearances)
        EXPECT_EQ(appAppearanceFromRawValue(rawValue(a)), a);
    EXPECT_EQ(appAppearanceFromRawValue("dark"), std::nullopt);
    EXPECT_EQ(appAppearanceFromRawValue(" Dark"), std::nullopt);
    EXPECT_EQ(appAppearanceFromRawValue(""), std::nullopt);
}

TEST_F(AppearanceTest, TheDarkTestAnswersForEveryStoredAppearanceAndSystemSetting)
{
    struct Case {
        const char* stored;
        bool systemIsDark;
        bool expected;
    };
    const Case cases[] = {
        { "Light", true, false }, // light wins over a dark system
        { "Light", false, false },
        { "Dark", false, true }, // dark wins over a light system
        { "Dark", true, true },
        { "System", true, true },
        { "System", false, false },
        { "dark", false, false }, // not a raw value: the system decides
        { "dark", true, true },
        { "Sepia", true, true },
        { nullptr, true, true }, // nothing stored
        { nullptr, false, false },
    };
    for (const Case& c : cases) {
        auto prefs = makePreferences();
        if (c.stored)
            prefs->settings().setValue(Preferences::appearanceKey, QString::fromLatin1(c.stored));
        else
            prefs->settings().remove(Preferences::appearanceKey);
        Appearance::shared().setSystemPalette(c.systemIsDark ? Appearance::darkPalette() : Appearance::lightPalette());
        Appearance::shared().follow(*prefs);
        EXPECT_EQ(isDarkAppearance(), c.expected)
            << "stored " << (c.stored ? c.stored : "(none)") << ", system dark " << c.systemIsDark;
        EXPECT_EQ(Appearance::isDarkPalette(QGuiApplication::palette()), c.expected)
            << "the application palette agrees with the test";
        if (c.stored) {
            EXPECT_EQ(prefs->settings().value(Preferences::appearanceKey).toString(), QString::fromLatin1(c.stored))
                << "an unknown stored value is left as it is";
        }
    }
}

TEST_F(AppearanceTest, ANewStoredChoiceTakesEffectAtOnce)
{
    auto prefs = makePreferences();
    Appearance::shared().setSystemPalette(Appearance::lightPalette());
    prefs->setAppearance(AppAppearance::System);
    Appearance::shared().follow(*prefs);
    EXPECT_FALSE(isDarkAppearance());

    QSignalSpy spy(&Appearance::shared(), &Appearance::changed);
    prefs->setAppearance(AppAppearance::Dark);
    EXPECT_TRUE(isDarkAppearance());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_LT(windowColor().lightnessF(), 0.5);

    prefs->setAppearance(AppAppearance::Light);
    EXPECT_FALSE(isDarkAppearance());
    EXPECT_GT(windowColor().lightnessF(), 0.5);
    EXPECT_EQ(spy.count(), 2);

    // A preferences object that goes away stops nothing else from working.
    prefs.reset();
    Appearance::shared().apply(AppAppearance::Dark);
    EXPECT_TRUE(isDarkAppearance());
}

TEST_F(AppearanceTest, SystemAppearanceUsesThePaletteCapturedAtStartUp)
{
    QPalette platform = Appearance::lightPalette();
    platform.setColor(QPalette::Window, QColor(30, 30, 30));
    Appearance::shared().setSystemPalette(platform);
    Appearance::shared().apply(AppAppearance::Light);
    Appearance::shared().apply(AppAppearance::System);
    EXPECT_TRUE(isDarkAppearance());
    EXPECT_EQ(windowColor(), QColor(30, 30, 30)) << "System shows the platform's own palette again";
}

TEST(AppearancePaletteTest, PalettesAndInkMatchTheirAppearance)
{
    EXPECT_TRUE(Appearance::isDarkPalette(Appearance::darkPalette()));
    EXPECT_FALSE(Appearance::isDarkPalette(Appearance::lightPalette()));
    EXPECT_EQ(Appearance::lightPalette().color(QPalette::Text), Appearance::inkColor(false));
    EXPECT_EQ(Appearance::darkPalette().color(QPalette::Text), Appearance::inkColor(true));

    const QColor light = Appearance::inkColor(false);
    EXPECT_NEAR(light.redF(), 0.24, 0.003);
    EXPECT_NEAR(light.greenF(), 0.16, 0.003);
    EXPECT_NEAR(light.blueF(), 0.11, 0.003);
    const QColor dark = Appearance::inkColor(true);
    EXPECT_NEAR(dark.redF(), 0.92, 0.003);
    EXPECT_NEAR(dark.greenF(), 0.87, 0.003);
    EXPECT_NEAR(dark.blueF(), 0.77, 0.003);
    // Text must stand out from its window in both.
    for (const QPalette& p : { Appearance::lightPalette(), Appearance::darkPalette() })
        EXPECT_GT(std::abs(p.color(QPalette::Window).lightnessF() - p.color(QPalette::WindowText).lightnessF()), 0.5);
}

TEST_F(AppearanceTest, MenusStandOutFromTheWindowInEitherAppearance)
{
    for (const AppAppearance appearance : { AppAppearance::Light, AppAppearance::Dark }) {
        Appearance::shared().apply(appearance);
        QMenu menu;
        menu.addAction(QStringLiteral("Copy"));
        menu.addAction(QStringLiteral("Paste"))->setEnabled(false);
        const QImage image = menu.grab().toImage();
        const QColor window = windowColor();
        EXPECT_GE(contrastRatio(image.pixelColor(0, image.height() / 2), window), 1.7)
            << rawValue(appearance).toStdString();
        if (appearance == AppAppearance::Dark) {
            EXPECT_GT(image.pixelColor(image.width() - 4, image.height() / 2).lightnessF(), window.lightnessF());
        }
    }
}
