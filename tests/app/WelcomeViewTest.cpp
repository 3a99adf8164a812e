#include "app/WelcomeView.h"
#include "app/AboutView.h"
#include "app/NameplateView.h"
#include "app/RecentSermonsStore.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/MarkerCircles.h"
#include "support/ContrastRatio.h"
#include "support/InkBounds.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

using Entry = RecentSermonsStore::Entry;

// A welcome view whose store lists one row per path, titled with the path.
struct WelcomeFixture {
    explicit WelcomeFixture(QStringList paths, QSize size = QSize(500, 520))
        : recentPaths(std::move(paths))
    {
        auto* store = new RecentSermonsStore;
        store->setReader([](const QString& path, const std::optional<Entry>&) {
            return Entry { path, path,
                path.startsWith(u"dated") ? std::optional(QStringLiteral("Chapel")) : std::nullopt, QDateTime() };
        });
        view = std::make_unique<WelcomeView>(
            store, [this] { return recentPaths; }, [] {}, [] {}, [this](const QString& path) { opened.append(path); });
        view->resize(size);
        QSignalSpy finished(store, &RecentSermonsStore::refreshFinished);
        view->show();
        EXPECT_TRUE(finished.wait(5000));
    }

    // Hidden, the list changes; shown again, the view lists it anew.
    void showAgainWith(const QStringList& paths)
    {
        view->hide();
        recentPaths = paths;
        QSignalSpy finished(view->findChild<RecentSermonsStore*>(), &RecentSermonsStore::refreshFinished);
        view->show();
        EXPECT_TRUE(finished.wait(5000));
        // Layouts settle over a few turns of the loop.
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }

    // The rows wholly in sight in the list's viewport.
    int rowsInSight() const
    {
        const auto* list = view->findChild<QScrollArea*>();
        int count = 0;
        for (const QAbstractButton* row : view->recentRows()) {
            const QRect shown(row->mapTo(list->viewport(), QPoint()), row->size());
            count += list->viewport()->rect().contains(shown) ? 1 : 0;
        }
        return count;
    }

    QStringList recentPaths;
    QStringList opened;
    std::unique_ptr<WelcomeView> view;
};

TEST(WelcomeViewTest, RecentSectionShowsOneRowPerFileWithDividersBetween)
{
    WelcomeFixture none({});
    EXPECT_FALSE(none.view->recentSection()->isVisible());

    WelcomeFixture one({ QStringLiteral("a") });
    EXPECT_TRUE(one.view->recentSection()->isVisible());
    EXPECT_EQ(one.view->recentRows().size(), 1);
    EXPECT_EQ(one.view->dividerCount(), 0);

    WelcomeFixture three({ QStringLiteral("a"), QStringLiteral("dated"), QStringLiteral("c") });
    const QList<QAbstractButton*> rows = three.view->recentRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(three.view->dividerCount(), 2);
    // A row with an occasion has its second, smaller line.
    EXPECT_GT(rows[1]->sizeHint().height(), rows[0]->sizeHint().height());
}

// A title that starts with a marker shows it in the marker's own colours, in light and dark.
TEST(WelcomeViewTest, EveryMarkerLeadsItsRowInColour)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    QStringList titles;
    for (const char32_t marker : MarkerCircles::codePoints)
        titles.append(QString::fromUcs4(&marker, 1));
    WelcomeFixture welcome(titles);
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    const QList<QAbstractButton*> rows = welcome.view->recentRows();
    ASSERT_EQ(rows.size(), titles.size());
    for (QAbstractButton* row : rows) {
        SCOPED_TRACE(row->text().toStdString());
        ASSERT_FALSE(row->size().isEmpty());
        row->clearFocus();
        const auto drawn = [row](const QPalette& palette) {
            row->setPalette(palette);
            QImage image(row->size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            row->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        const QImage light = drawn(Appearance::lightPalette());
        EXPECT_FALSE(test::inkBounds(light).isEmpty());
        EXPECT_EQ(light, drawn(Appearance::darkPalette()));
    }
}

TEST(WelcomeViewTest, ARowOpensItsFileOnAClickAnywhereOrOnReturn)
{
    WelcomeFixture welcome({ QStringLiteral("first"), QStringLiteral("second") });
    const QList<QAbstractButton*> rows = welcome.view->recentRows();
    ASSERT_EQ(rows.size(), 2);
    // Far to the right of the short title.
    QTest::mouseClick(rows[1], Qt::LeftButton, {}, QPoint(rows[1]->width() - 4, rows[1]->height() / 2));
    rows[0]->setFocus();
    QTest::keyClick(rows[0], Qt::Key_Return);
    // On the next turn, once the click is over.
    QCoreApplication::processEvents();
    EXPECT_EQ(welcome.opened, (QStringList { QStringLiteral("second"), QStringLiteral("first") }));
}

TEST(WelcomeViewTest, TheRecentRowsFollowTheirCaptionWhateverTheWindowsHeight)
{
    // The free height goes to the spacers above and below, never between caption and rows.
    for (const QStringList& paths :
        { QStringList { QStringLiteral("a") }, QStringList { QStringLiteral("a"), QStringLiteral("b") } }) {
        WelcomeFixture welcome(paths);
        const QLabel* caption = nullptr;
        for (const QLabel* label : welcome.view->findChildren<QLabel*>()) {
            if (label->text() == u"RECENT")
                caption = label;
        }
        ASSERT_NE(caption, nullptr);
        const QWidget* open = welcome.view->openFileButton();
        const QWidget* row = welcome.view->recentRows().front();
        const int openBottom = open->mapTo(welcome.view.get(), QPoint(0, open->height())).y();
        const int rowTop = row->mapTo(welcome.view.get(), QPoint(0, 0)).y();
        EXPECT_EQ(rowTop - openBottom, 34 + caption->sizeHint().height() + 8);
    }
}

TEST(WelcomeViewTest, TheListTakesTheRoomItHasAndScrollsOnlyWhenItsRowsDoNotFit)
{
    // Rows of two lines, the list growing while the window is hidden.
    WelcomeFixture welcome({ QStringLiteral("dated 1"), QStringLiteral("dated 2") });
    EXPECT_EQ(welcome.rowsInSight(), 2);
    const auto* list = welcome.view->findChild<QScrollArea*>();
    ASSERT_NE(list, nullptr);
    welcome.showAgainWith({ QStringLiteral("dated 3"), QStringLiteral("dated 1"), QStringLiteral("dated 2") });
    EXPECT_EQ(welcome.rowsInSight(), 3);
    EXPECT_FALSE(list->verticalScrollBar()->isVisible());

    // Too many for the window: the list fills the room down to the lower margin and scrolls;
    // listed anew, the newest row is in sight.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many.append(QStringLiteral("dated %1").arg(i));
    welcome.showAgainWith(many);
    EXPECT_TRUE(list->verticalScrollBar()->isVisible());
    const QWidget* section = welcome.view->recentSection();
    EXPECT_GE(section->mapTo(welcome.view.get(), QPoint(0, section->height())).y(), welcome.view->height() - 16 - 8);
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    welcome.showAgainWith(QStringList { QStringLiteral("dated new") } + many);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
}

TEST(WelcomeViewTest, ALongRecentListScrollsInsideTheMarginsAboveAndBelow)
{
    QStringList paths;
    for (int i = 0; i < 30; ++i)
        paths.append(QString::number(i));
    WelcomeFixture welcome(paths);
    const QWidget* section = welcome.view->recentSection();
    const QWidget* nameplate = welcome.view->findChild<NameplateView*>();
    ASSERT_NE(nameplate, nullptr);
    EXPECT_GE(nameplate->mapTo(welcome.view.get(), QPoint()).y(), 24);
    EXPECT_LE(section->mapTo(welcome.view.get(), QPoint(0, section->height())).y(), welcome.view->height() - 16);
}

TEST(AboutViewTest, VersionLineShowsTheBuildsVersionOrDashes)
{
    EXPECT_EQ(aboutVersionLine({ QStringLiteral("1.4"), QStringLiteral("42") }), QStringLiteral("Version 1.4 (42)"));
    EXPECT_EQ(aboutVersionLine({ QString(), QString() }), QStringLiteral("Version \u2014 (\u2014)"));
    EXPECT_EQ(aboutVersionString().first, QStringLiteral(KESTRION_VERSION));
    EXPECT_FALSE(aboutVersionString().second.isEmpty());

    AboutView view;
    EXPECT_EQ(view.versionLabel()->text(), aboutVersionLine(aboutVersionString()));
    EXPECT_EQ(view.webLinkButton()->toolTip(), AboutView::webLink().toString());
    EXPECT_TRUE(AboutView::mailLink().scheme() == u"mailto");
}

} // namespace

TEST(WelcomeViewTest, ButtonsReachedWithTabShowThatTheyHaveTheKeyboard)
{
    // The pixels of a button that changed plainly when it took the keyboard: its ring.
    const auto ringPixels = [](const QImage& before, const QImage& after) {
        int count = 0;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x)
                count += contrastRatio(before.pixelColor(x, y), after.pixelColor(x, y)) >= 1.5 ? 1 : 0;
        }
        return count;
    };
    for (const bool dark : { false, true }) {
        WelcomeFixture welcome({});
        welcome.view->setPalette(dark ? Appearance::darkPalette() : Appearance::lightPalette());
        QApplication::setActiveWindow(welcome.view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(welcome.view.get()));
        QPushButton* newSermon = welcome.view->newSermonButton();
        QPushButton* open = welcome.view->openFileButton();
        open->setFocus();
        for (const auto& [button, key] :
            { std::pair { newSermon, Qt::Key_Backtab }, std::pair { open, Qt::Key_Tab } }) {
            const QImage before = button->grab().toImage();
            QTest::keyClick(
                QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            ASSERT_TRUE(button->hasFocus());
            const QImage after = button->grab().toImage();
            EXPECT_GE(ringPixels(before, after), button->width() + button->height())
                << button->text().toStdString() << (dark ? " dark" : " light");
        }
    }
}
