#include "mindmap/TextBitmapCache.h"

#include "mindmap/NodeTextMeasurer.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/Typography.h"
#include "support/InkBounds.h"
#include "support/SignpostRecorder.h"

#include <QFontMetricsF>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrion;

namespace {

TextBitmapKey key(const QString& text, qreal fontSize = 13, QFont::Weight weight = QFont::Normal, bool italic = false)
{
    return TextBitmapKey { text, fontSize, weight, italic };
}

QImage solidImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

// Expected geometry from the metrics of the font that resolved.
qreal lineHeight(const QFont& font)
{
    const QFontMetricsF m(font);
    return std::ceil(m.ascent() + std::abs(m.descent()) + m.leading());
}

// The most opaque pixel's colour, unpremultiplied.
QColor strongestInk(const QImage& image)
{
    QColor best(0, 0, 0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > best.alpha())
                best = c;
        }
    }
    return best;
}

} // namespace

TEST(TextBitmapKeyTest, NodeKeysUseTheNodeTypographyAndLineFeeds)
{
    const TextBitmapKey k
        = TextBitmapKey::forNode(QStringLiteral("one") + QChar(u'\u2028') + QStringLiteral("two"), 0, false);
    EXPECT_EQ(k.text, "one\ntwo");
    EXPECT_EQ(k.fontSize, 16);
    EXPECT_EQ(k.weight, QFont::Medium);
    EXPECT_FALSE(k.italic);
    const TextBitmapKey deep = TextBitmapKey::forNode(QStringLiteral("q"), 4, true);
    EXPECT_EQ(deep.fontSize, 13);
    EXPECT_EQ(deep.weight, QFont::Normal);
    EXPECT_TRUE(deep.italic);
}

TEST(TextBitmapCacheTest, ANewCacheIsEmptyWithNoScaleOrAppearance)
{
    TextBitmapCache cache;
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(cache.totalPixels(), 0);
    EXPECT_EQ(cache.clock(), 0u);
    EXPECT_TRUE(std::isnan(cache.currentScale()));
    EXPECT_FALSE(cache.currentIsDark().has_value());
    EXPECT_EQ(cache.pixelBudget(), 32'000'000);
}

TEST(TextBitmapCacheTest, TheFirstLookupClearsAndReportsScaleAndAppearance)
{
    TextBitmapCache cache;
    test::SignpostRecorder recorder;
    EXPECT_FALSE(cache.lookupBitmap(key("Hope"), false, 1.0, 2.0).has_value());
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheClear scale=1.00 dark=false" });
    EXPECT_EQ(cache.currentScale(), 1.0);
    EXPECT_EQ(cache.currentIsDark(), false);
    EXPECT_EQ(cache.currentDevicePixelRatio(), 2.0);

    recorder.clear();
    cache.lookupBitmap(key("Hope"), true, 0.375, 2.0);
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheClear scale=0.38 dark=true" });
}

TEST(TextBitmapCacheTest, MissesThenAHitAfterInsert)
{
    TextBitmapCache cache;
    cache.lookupBitmap(key("x"), false, 1, 1);
    test::SignpostRecorder recorder;
    EXPECT_FALSE(cache.lookupBitmap(key("Faith"), false, 1, 1));
    EXPECT_FALSE(cache.lookupBitmap(key("Faith"), false, 1, 1));
    EXPECT_EQ(recorder.lines(), (QStringList { "event TextCacheMiss", "event TextCacheMiss" }));

    auto rendered = TextBitmapCache::renderTextBitmap(key("Faith"), false, 1, 1);
    ASSERT_TRUE(rendered);
    cache.insertBitmap(key("Faith"), rendered->image, rendered->naturalSize);
    EXPECT_EQ(cache.clock(), 1u);
    EXPECT_EQ(cache.totalPixels(), qint64(rendered->image.width()) * rendered->image.height());

    recorder.clear();
    auto hit = cache.lookupBitmap(key("Faith"), false, 1, 1);
    ASSERT_TRUE(hit);
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheHit" });
    EXPECT_EQ(hit->image.cacheKey(), rendered->image.cacheKey()) << "the same image, not a new one";
    EXPECT_EQ(hit->naturalSize, rendered->naturalSize);
    EXPECT_EQ(cache.clock(), 2u);
    EXPECT_EQ(cache.entries().at(key("Faith")).lastUsed, 2u);
}

TEST(TextBitmapCacheTest, AChangeOfScaleAppearanceOrPixelRatioEmptiesTheCache)
{
    struct Change {
        bool isDark;
        qreal scale;
        qreal ratio;
    };
    for (const Change change : { Change { true, 1, 2 }, Change { false, 1.5, 2 }, Change { false, 1, 1 } }) {
        TextBitmapCache cache;
        cache.lookupBitmap(key("a"), false, 1, 2);
        cache.insertBitmap(key("a"), solidImage(10, 10), QSizeF(5, 5));
        ASSERT_TRUE(cache.lookupBitmap(key("a"), false, 1, 2));
        const quint64 clock = cache.clock();

        test::SignpostRecorder recorder;
        EXPECT_FALSE(cache.lookupBitmap(key("a"), change.isDark, change.scale, change.ratio));
        EXPECT_TRUE(cache.entries().empty());
        EXPECT_EQ(cache.totalPixels(), 0);
        EXPECT_EQ(cache.clock(), clock) << "the clock is never reset";
        ASSERT_EQ(recorder.lines().size(), 1);
        EXPECT_TRUE(recorder.lines()[0].startsWith("event TextCacheClear"));
        // Now the same key misses at the new settings.
        EXPECT_FALSE(cache.lookupBitmap(key("a"), change.isDark, change.scale, change.ratio));
        EXPECT_EQ(recorder.lines().last(), "event TextCacheMiss");
    }
}

TEST(TextBitmapCacheTest, ClearKeepsClockScaleAndAppearance)
{
    TextBitmapCache cache;
    cache.lookupBitmap(key("a"), true, 2, 1);
    cache.insertBitmap(key("a"), solidImage(4, 4), QSizeF(4, 4));
    cache.insertBitmap(key("b"), solidImage(4, 4), QSizeF(4, 4));
    test::SignpostRecorder recorder;
    cache.clearBitmaps();
    EXPECT_TRUE(recorder.lines().isEmpty()) << "clearing by the canvas is not signposted";
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(cache.totalPixels(), 0);
    EXPECT_EQ(cache.clock(), 2u);
    EXPECT_EQ(cache.currentScale(), 2);
    EXPECT_EQ(cache.currentIsDark(), true);
    // The settings stay, so the next lookup is a plain miss.
    EXPECT_FALSE(cache.lookupBitmap(key("a"), true, 2, 1));
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheMiss" });
}

TEST(TextBitmapCacheTest, InsertingAKeyAgainReplacesItsEntry)
{
    TextBitmapCache cache;
    cache.insertBitmap(key("a"), solidImage(10, 10), QSizeF(10, 10));
    cache.insertBitmap(key("a"), solidImage(20, 5), QSizeF(20, 5));
    EXPECT_EQ(cache.entries().size(), 1u);
    EXPECT_EQ(cache.totalPixels(), 100);
    EXPECT_EQ(cache.entries().at(key("a")).naturalSize, QSizeF(20, 5));
    EXPECT_EQ(cache.entries().at(key("a")).lastUsed, 2u);
}

TEST(TextBitmapCacheTest, TheLeastRecentlyUsedGoFirstUntilTheTotalFitsTheBudget)
{
    TextBitmapCache cache(1000);
    cache.lookupBitmap(key("-"), false, 1, 1);
    cache.insertBitmap(key("a"), solidImage(20, 20), QSizeF());
    cache.insertBitmap(key("b"), solidImage(20, 20), QSizeF());
    EXPECT_TRUE(cache.lookupBitmap(key("a"), false, 1, 1)) << "a is now more recent than b";
    cache.insertBitmap(key("c"), solidImage(10, 10), QSizeF());
    EXPECT_EQ(cache.totalPixels(), 900) << "at the budget nothing goes";

    test::SignpostRecorder recorder;
    cache.insertBitmap(key("d"), solidImage(10, 30), QSizeF());
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheEvict pixels=400" });
    EXPECT_FALSE(cache.entries().contains(key("b")));
    EXPECT_EQ(cache.totalPixels(), 800);

    recorder.clear();
    cache.insertBitmap(key("e"), solidImage(25, 20), QSizeF());
    // 1300 pixels: a (400) goes first, then the total of 900 fits.
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheEvict pixels=400" });
    EXPECT_EQ(cache.totalPixels(), 900);
    EXPECT_TRUE(cache.entries().contains(key("c")));
    EXPECT_TRUE(cache.entries().contains(key("d")));
    EXPECT_TRUE(cache.entries().contains(key("e")));
}

TEST(TextBitmapCacheTest, ABitmapLargerThanTheBudgetStaysAlone)
{
    TextBitmapCache cache(1000);
    cache.insertBitmap(key("small"), solidImage(10, 10), QSizeF());
    test::SignpostRecorder recorder;
    cache.insertBitmap(key("huge"), solidImage(40, 40), QSizeF());
    EXPECT_EQ(recorder.lines(), QStringList { "event TextCacheEvict pixels=100" });
    EXPECT_EQ(cache.entries().size(), 1u);
    EXPECT_TRUE(cache.entries().contains(key("huge")));
    EXPECT_EQ(cache.totalPixels(), 1600);
}

TEST(TextBitmapCacheTest, KeysThatCanNeverMatchAreNotStored)
{
    TextBitmapCache cache(1000);
    cache.insertBitmap(key("a", std::numeric_limits<qreal>::quiet_NaN()), solidImage(40, 40), QSizeF());
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(cache.totalPixels(), 0);
}

TEST(TextBitmapRenderTest, EmptyTextRendersNothing)
{
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(key(QString()), false, 1, 2));
    EXPECT_EQ(TextBitmapCache::naturalSize(key(QString())), QSizeF());
}

TEST(TextBitmapRenderTest, NaturalSizeIsTheWidestLinePlusMarginsByTheLines)
{
    const QFont font = Typography::systemFont(14, QFont::Medium);
    const QFontMetricsF m(font);
    auto bitmap = TextBitmapCache::renderTextBitmap(key("Blessed are\nthe meek", 14, QFont::Medium), false, 1, 2);
    ASSERT_TRUE(bitmap);
    const qreal widest = std::max(m.horizontalAdvance("Blessed are"), m.horizontalAdvance("the meek"));
    EXPECT_EQ(bitmap->naturalSize, QSizeF(std::ceil(widest) + 4, 2 * lineHeight(font)));

    // A lone line break is two lines, each drawn as a space.
    auto breakOnly = TextBitmapCache::renderTextBitmap(key("\n"), false, 1, 2);
    ASSERT_TRUE(breakOnly);
    const QFont regular = Typography::systemFont(13);
    EXPECT_EQ(breakOnly->naturalSize,
        QSizeF(std::ceil(QFontMetricsF(regular).horizontalAdvance(" ")) + 4, 2 * lineHeight(regular)));
}

TEST(TextBitmapRenderTest, BitmapsAreRenderedAtTheDevicePixelRatio)
{
    for (qreal ratio : { 1.0, 2.0 }) {
        for (qreal scale : { 0.5, 1.0, 3.0 }) {
            auto bitmap = TextBitmapCache::renderTextBitmap(key("Lamp unto my feet"), false, scale, ratio);
            ASSERT_TRUE(bitmap);
            const qreal factor = ratio * scale;
            EXPECT_EQ(TextBitmapCache::pixelFactor(13, scale, ratio), factor);
            EXPECT_EQ(bitmap->image.width(), std::ceil(factor * bitmap->naturalSize.width()));
            EXPECT_EQ(bitmap->image.height(), std::ceil(factor * bitmap->naturalSize.height()));
            // Never tagged with the factor: QPainter treats a ratio below 1 as 1.
            EXPECT_EQ(bitmap->image.devicePixelRatio(), 1);
            EXPECT_EQ(bitmap->image.format(), QImage::Format_ARGB32_Premultiplied);
        }
    }
}

TEST(TextBitmapRenderTest, SmallZoomKeepsTheFontAtLeastFourPixelsTall)
{
    EXPECT_NEAR(TextBitmapCache::pixelFactor(13, 0.1, 2), 8.0 / 26.0, 1e-12);
    EXPECT_NEAR(TextBitmapCache::pixelFactor(13, 0.1, 1), 4.0 / 13.0, 1e-12);
    EXPECT_EQ(TextBitmapCache::pixelFactor(13, 1, 2), 2);
    // A font of under a device pixel renders at four times the zoom at least.
    EXPECT_EQ(TextBitmapCache::pixelFactor(0.4, 1, 2), 8);
    // Unusable ratios count as 1.
    EXPECT_EQ(TextBitmapCache::pixelFactor(13, 1, 0), 1);
    EXPECT_EQ(TextBitmapCache::pixelFactor(13, 1, std::numeric_limits<qreal>::quiet_NaN()), 1);

    auto tiny = TextBitmapCache::renderTextBitmap(key("Selah"), false, 0.1, 2);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->image.height(), std::ceil(8.0 / 26.0 * tiny->naturalSize.height()));
}

TEST(TextBitmapRenderTest, TextIsDrawnInTheInkOfTheAppearance)
{
    for (bool dark : { false, true }) {
        auto bitmap = TextBitmapCache::renderTextBitmap(key("MMMM", 16, QFont::Medium), dark, 2, 2);
        ASSERT_TRUE(bitmap);
        const QColor ink = strongestInk(bitmap->image);
        ASSERT_GT(ink.alpha(), 200) << "the glyphs are drawn";
        const QColor expected = Appearance::inkColor(dark);
        EXPECT_NEAR(ink.red(), expected.red(), 8);
        EXPECT_NEAR(ink.green(), expected.green(), 8);
        EXPECT_NEAR(ink.blue(), expected.blue(), 8);
        // The left margin stays clear.
        for (int y = 0; y < bitmap->image.height(); ++y)
            ASSERT_EQ(bitmap->image.pixelColor(0, y).alpha(), 0);
    }
}

TEST(TextBitmapRenderTest, ItalicRendersDifferentlyFromUpright)
{
    auto upright = TextBitmapCache::renderTextBitmap(key("Selah and amen"), false, 2, 1);
    auto italic = TextBitmapCache::renderTextBitmap(key("Selah and amen", 13, QFont::Normal, true), false, 2, 1);
    ASSERT_TRUE(upright);
    ASSERT_TRUE(italic);
    EXPECT_NE(upright->image, italic->image);
}

TEST(TextBitmapRenderTest, AHugeTextAtHighZoomAsksForNoImpossibleBitmap)
{
    QStringList lines;
    for (int i = 0; i < 4000; ++i)
        lines << QStringLiteral("line %1 of a very long node").arg(i);
    const TextBitmapKey huge = key(lines.join('\n'));
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(huge, false, 3, 2)) << "beyond the side limit";
    const QSizeF natural = TextBitmapCache::naturalSize(huge);
    EXPECT_GT(natural.height() * 6, TextBitmapCache::maxBitmapSide);

    // One very long line is refused the same way.
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(key(QString(6000, QChar('W'))), false, 3, 2));
    // Within each side but too many pixels in all.
    QStringList wide;
    for (int i = 0; i < 150; ++i)
        wide << QStringLiteral("line %1 of a very long node, and wider still with more words").arg(i);
    const TextBitmapKey large = key(wide.join('\n'));
    const QSizeF largeSize = TextBitmapCache::naturalSize(large) * 6;
    ASSERT_LT(largeSize.width(), TextBitmapCache::maxBitmapSide);
    ASSERT_LT(largeSize.height(), TextBitmapCache::maxBitmapSide);
    ASSERT_GT(largeSize.width() * largeSize.height(), TextBitmapCache::maxBitmapPixels);
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(large, false, 3, 2));
    EXPECT_TRUE(TextBitmapCache::renderTextBitmap(large, false, 1, 2)) << "at a lower zoom it fits";

    // The canvas draws such a text directly; only the lines inside the clip are drawn.
    QImage target(200, 100, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    {
        QPainter painter(&target);
        painter.setClipRect(QRect(0, 0, 200, 100));
        painter.translate(0, -5000);
        TextBitmapCache::drawText(painter, huge, false, QPointF(0, 0));
    }
    EXPECT_GT(strongestInk(target).alpha(), 0) << "the lines in view are drawn";
}

TEST(TextBitmapRenderTest, UnusableScalesRenderNothing)
{
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(key("a"), false, std::numeric_limits<qreal>::quiet_NaN(), 2));
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(key("a"), false, std::numeric_limits<qreal>::infinity(), 2));
    EXPECT_FALSE(TextBitmapCache::renderTextBitmap(key("a", std::numeric_limits<qreal>::quiet_NaN()), false, 1, 2));
    // A zero or negative zoom still renders legibly small text rather than nothing.
    auto zero = TextBitmapCache::renderTextBitmap(key("a"), false, 0, 2);
    ASSERT_TRUE(zero);
    EXPECT_GE(zero->image.height(), 4);
}

// Each marker comes from the colour emoji font: in its own colours in either appearance, at the
// size of the others.
TEST(TextBitmapCacheTest, EveryMarkerIsRenderedInColourAndMeasuredAtOneSize)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const QStringList markers = kestrion::test::markerCircles();
    const NodeTextMeasurer measurer;
    for (qreal ratio : { 1.0, 2.0 }) {
        for (qreal zoom : { 0.5, 2.0 }) {
            auto render = [&](const QString& marker) {
                return TextBitmapCache::renderTextBitmap(key(marker + QStringLiteral(" Point")), false, zoom, ratio);
            };
            const auto red = render(markers.front());
            ASSERT_TRUE(red);
            // The marker alone: the left part of the bitmap, before the space.
            const QRect markerArea(0, 0, int(TextBitmapCache::pixelFactor(13, zoom, ratio) * 15), red->image.height());
            const QRect redInk = kestrion::test::inkBounds(red->image, markerArea);
            for (const QString& marker : markers) {
                SCOPED_TRACE(QStringLiteral("U+%1 at zoom %2, ratio %3")
                                 .arg(marker.toUcs4().front(), 0, 16)
                                 .arg(zoom)
                                 .arg(ratio)
                                 .toStdString());
                const auto drawn = render(marker);
                ASSERT_TRUE(drawn);
                EXPECT_EQ(drawn->naturalSize, red->naturalSize);
                const QRect ink = kestrion::test::inkBounds(drawn->image, markerArea);
                const auto dark
                    = TextBitmapCache::renderTextBitmap(key(marker + QStringLiteral(" Point")), true, zoom, ratio);
                ASSERT_TRUE(dark);
                EXPECT_TRUE(kestrion::test::differenceBounds(drawn->image.copy(ink), dark->image.copy(ink)).isNull());
                EXPECT_NEAR(ink.width(), redInk.width(), 1);
                EXPECT_NEAR(ink.height(), redInk.height(), 1);
                EXPECT_EQ(measurer.measure(marker + " Point", 2, true),
                    measurer.measure(markers.front() + " Point", 2, true));
            }
        }
    }
}
