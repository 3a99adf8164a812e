#include "platform/Preferences.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("prefs.ini")); }

    std::unique_ptr<Preferences> open() const
    {
        return std::make_unique<Preferences>(std::make_unique<QSettings>(path(), QSettings::IniFormat));
    }

    // Writes raw values as another program (or a hand edit) would.
    void storeRaw(const QString& key, const QVariant& value) const
    {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue(key, value);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PreferencesTest, EveryKeyHasItsDefaultWhenNothingIsStored)
{
    auto prefs = open();
    EXPECT_EQ(prefs->appearance(), AppAppearance::System);
    EXPECT_EQ(prefs->readingPaceWPM(), 120);
    EXPECT_EQ(prefs->columnWidths(), QString());
    EXPECT_EQ(prefs->deliveryFontSize(), 15.0);
    EXPECT_EQ(prefs->deliveryLineSpacing(), 1.8);
    EXPECT_EQ(prefs->deliveryTextWidth(), 700.0);
    EXPECT_EQ(prefs->deliveryWPM(), 130);
    EXPECT_FALSE(prefs->deliveryFullscreen());
}

TEST_F(PreferencesTest, ValuesAreStoredUnderTheirKeysAndReadBackByANewObject)
{
    {
        auto prefs = open();
        EXPECT_TRUE(prefs->setAppearance(AppAppearance::Dark));
        EXPECT_TRUE(prefs->setReadingPaceWPM(160));
        EXPECT_TRUE(prefs->setColumnWidths(QStringLiteral("[420,600]")));
        EXPECT_TRUE(prefs->setDeliveryFontSize(18.5));
        EXPECT_TRUE(prefs->setDeliveryLineSpacing(2.2));
        EXPECT_TRUE(prefs->setDeliveryTextWidth(850));
        EXPECT_TRUE(prefs->setDeliveryWPM(150));
        EXPECT_TRUE(prefs->setDeliveryFullscreen(true));
    }
    QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("appearance").toString(), "Dark");
    EXPECT_EQ(raw.value("readingPaceWPM").toInt(), 160);
    EXPECT_EQ(raw.value("columnWidths").toString(), "[420,600]");

    auto reopened = open();
    EXPECT_EQ(reopened->appearance(), AppAppearance::Dark);
    EXPECT_EQ(reopened->readingPaceWPM(), 160);
    EXPECT_EQ(reopened->columnWidths(), "[420,600]");
    EXPECT_EQ(reopened->deliveryFontSize(), 18.5);
    EXPECT_EQ(reopened->deliveryLineSpacing(), 2.2);
    EXPECT_EQ(reopened->deliveryTextWidth(), 850.0);
    EXPECT_EQ(reopened->deliveryWPM(), 150);
    EXPECT_TRUE(reopened->deliveryFullscreen());
}

TEST_F(PreferencesTest, ChangedIsEmittedOncePerRealChangeWithTheKey)
{
    auto prefs = open();
    QSignalSpy spy(prefs.get(), &Preferences::changed);
    EXPECT_TRUE(prefs->setReadingPaceWPM(140));
    EXPECT_FALSE(prefs->setReadingPaceWPM(140));
    EXPECT_TRUE(prefs->setDeliveryFullscreen(true));
    EXPECT_FALSE(prefs->setDeliveryFullscreen(true));
    EXPECT_TRUE(prefs->setAppearance(AppAppearance::Light));
    EXPECT_FALSE(prefs->setAppearance(AppAppearance::Light));
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), "readingPaceWPM");
    EXPECT_EQ(spy.at(1).at(0).toString(), "deliveryFullscreen");
    EXPECT_EQ(spy.at(2).at(0).toString(), "appearance");

    // Reopened from the file, where every value is text, equal values are still no change.
    auto reopened = open();
    QSignalSpy reopenedSpy(reopened.get(), &Preferences::changed);
    EXPECT_FALSE(reopened->setReadingPaceWPM(140));
    EXPECT_FALSE(reopened->setDeliveryFullscreen(true));
    EXPECT_EQ(reopenedSpy.count(), 0);
}

TEST_F(PreferencesTest, StoringTheDefaultOverAnUnreadableValueIsAChange)
{
    storeRaw("readingPaceWPM", "fast");
    storeRaw("appearance", "dark");
    auto prefs = open();
    EXPECT_EQ(prefs->readingPaceWPM(), 120);
    EXPECT_EQ(prefs->appearance(), AppAppearance::System);
    EXPECT_TRUE(prefs->setReadingPaceWPM(120));
    EXPECT_TRUE(prefs->setAppearance(AppAppearance::System));
    EXPECT_EQ(prefs->settings().value("appearance").toString(), "System");
}

TEST_F(PreferencesTest, UnreadableStoredValuesReadAsTheDefault)
{
    storeRaw("readingPaceWPM", "fast");
    storeRaw("deliveryFontSize", "big");
    storeRaw("deliveryLineSpacing", "nan");
    storeRaw("deliveryTextWidth", "inf");
    storeRaw("deliveryWPM", QString());
    storeRaw("deliveryFullscreen", "maybe");
    storeRaw("appearance", "Sepia");
    auto prefs = open();
    EXPECT_EQ(prefs->readingPaceWPM(), 120);
    EXPECT_EQ(prefs->deliveryFontSize(), 15.0);
    EXPECT_EQ(prefs->deliveryLineSpacing(), 1.8);
    EXPECT_EQ(prefs->deliveryTextWidth(), 700.0);
    EXPECT_EQ(prefs->deliveryWPM(), 130);
    EXPECT_FALSE(prefs->deliveryFullscreen());
    EXPECT_EQ(prefs->appearance(), AppAppearance::System);
    // Whole numbers written as decimals still count.
    storeRaw("readingPaceWPM", "140.0");
    EXPECT_EQ(open()->readingPaceWPM(), 140);
}

TEST_F(PreferencesTest, AReadingPaceBelowOneIsUsedAsTheDefault)
{
    storeRaw("readingPaceWPM", 0);
    auto prefs = open();
    // The plain accessor gives what is stored: the pace menu marks no pace for 0.
    EXPECT_EQ(prefs->readingPaceWPM(), 0);
    EXPECT_EQ(prefs->usableReadingPaceWPM(), Preferences::defaultReadingPaceWPM);
    prefs->setReadingPaceWPM(100);
    EXPECT_EQ(prefs->usableReadingPaceWPM(), 100);
}

TEST_F(PreferencesTest, DeliverySettingsOutsideTheRangeOnOfferReadAsTheDefault)
{
    struct Case {
        const char* key;
        QVariant stored;
        double read;
    };
    const Case cases[] = {
        { "deliveryFontSize", -5, 15 },
        { "deliveryFontSize", 50, 15 },
        { "deliveryFontSize", 11.9, 15 },
        { "deliveryFontSize", 12, 12 },
        { "deliveryFontSize", 24, 24 },
        { "deliveryFontSize", 15.5, 15.5 },
        { "deliveryLineSpacing", 0.5, 1.8 },
        { "deliveryLineSpacing", 3.1, 1.8 },
        { "deliveryLineSpacing", 1.0, 1.0 },
        { "deliveryLineSpacing", 3.0, 3.0 },
        { "deliveryTextWidth", 20000, 700 },
        { "deliveryTextWidth", -700, 700 },
        { "deliveryTextWidth", 350, 700 },
        { "deliveryTextWidth", 400, 400 },
        { "deliveryTextWidth", 1000, 1000 },
    };
    const auto read = [](const Preferences& prefs, const QString& key) {
        return key == "deliveryFontSize"   ? prefs.deliveryFontSize()
            : key == "deliveryLineSpacing" ? prefs.deliveryLineSpacing()
                                           : prefs.deliveryTextWidth();
    };
    for (const Case& c : cases) {
        storeRaw(c.key, c.stored);
        EXPECT_EQ(read(*open(), c.key), c.read) << c.key << " " << c.stored.toString().toStdString();
    }
    // The pace has no control: any whole number is taken, and one that is none reads as 130.
    storeRaw("deliveryWPM", -30);
    EXPECT_EQ(open()->deliveryWPM(), -30);
    storeRaw("deliveryWPM", "slow");
    EXPECT_EQ(open()->deliveryWPM(), 130);
}

TEST_F(PreferencesTest, NonFiniteValuesAreNeverStored)
{
    auto prefs = open();
    QSignalSpy spy(prefs.get(), &Preferences::changed);
    EXPECT_FALSE(prefs->setDeliveryFontSize(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(prefs->setDeliveryTextWidth(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(prefs->deliveryFontSize(), 15.0);
}
