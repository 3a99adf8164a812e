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

TEST_F(PreferencesTest, StoredValuesOutsideTheUsableRangeAreClampedWhereTheyAreUsed)
{
    storeRaw("readingPaceWPM", 0);
    storeRaw("deliveryWPM", -30);
    storeRaw("deliveryFontSize", 0);
    storeRaw("deliveryLineSpacing", -2);
    storeRaw("deliveryTextWidth", -700);
    auto prefs = open();
    // The plain accessors give what is stored: the pace menu marks no pace for 0.
    EXPECT_EQ(prefs->readingPaceWPM(), 0);
    EXPECT_EQ(prefs->deliveryTextWidth(), -700.0);
    // The usable ones never divide by zero or lay out a page of negative width; a reading
    // pace that is no pace reads as the default.
    EXPECT_EQ(prefs->usableReadingPaceWPM(), Preferences::defaultReadingPaceWPM);
    EXPECT_EQ(prefs->usableDeliveryWPM(), 1);
    EXPECT_EQ(prefs->usableDeliveryFontSize(), Preferences::minDeliveryFontSize);
    EXPECT_EQ(prefs->usableDeliveryLineSpacing(), Preferences::minDeliveryLineSpacing);
    EXPECT_EQ(prefs->usableDeliveryTextWidth(), Preferences::minDeliveryTextWidth);

    storeRaw("deliveryFontSize", 1.0e9);
    storeRaw("deliveryTextWidth", 1.0e12);
    auto huge = open();
    EXPECT_EQ(huge->usableDeliveryFontSize(), Preferences::maxDeliveryFontSize);
    EXPECT_EQ(huge->usableDeliveryTextWidth(), Preferences::maxDeliveryTextWidth);

    // Every value the program's own controls store is used unchanged.
    auto own = open();
    own->setDeliveryFontSize(24);
    own->setDeliveryLineSpacing(3.0);
    own->setDeliveryTextWidth(400);
    own->setReadingPaceWPM(100);
    EXPECT_EQ(own->usableDeliveryFontSize(), 24.0);
    EXPECT_EQ(own->usableDeliveryLineSpacing(), 3.0);
    EXPECT_EQ(own->usableDeliveryTextWidth(), 400.0);
    EXPECT_EQ(own->usableReadingPaceWPM(), 100);
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
