#include "mindmap/StatusBarView.h"

#include "document/SermonDocument.h"
#include "mindmap/ReadingPace.h"
#include "mindmap/ZoomControlsView.h"
#include "platform/PlainButton.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

using namespace kestrion;

namespace {

// A root whose texts hold the given number of words in all, split between two children.
SermonNodePtr treeWithWords(int words)
{
    auto root = SermonNode::create();
    QStringList first;
    QStringList second;
    for (int i = 0; i < words; ++i)
        (i % 2 ? second : first) << QStringLiteral("w%1").arg(i);
    root->addChild(first.join(u' '));
    root->addChild(second.join(u' '));
    return root;
}

class StatusBarViewTest : public ::testing::Test {
protected:
    std::unique_ptr<Preferences> openPreferences()
    {
        return std::make_unique<Preferences>(
            std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    }

    QTemporaryDir m_folder;
};

} // namespace

TEST(ReadingPaceTest, FourPacesByRawValueInOrderWithTheirTitles)
{
    ASSERT_EQ(allReadingPaces.size(), 4u);
    const QStringList titles { "Slow (100 wpm)", "Moderate (120 wpm)", "Normal (140 wpm)", "Brisk (160 wpm)" };
    for (size_t i = 0; i < allReadingPaces.size(); ++i) {
        EXPECT_EQ(rawValue(allReadingPaces[i]), 100 + 20 * static_cast<qint64>(i));
        EXPECT_EQ(title(allReadingPaces[i]), titles[static_cast<qsizetype>(i)]);
        EXPECT_EQ(readingPaceFromRawValue(rawValue(allReadingPaces[i])), allReadingPaces[i]);
    }
    for (qint64 other : { 0, 110, 130, -120, 161 })
        EXPECT_EQ(readingPaceFromRawValue(other), std::nullopt) << other;
}

TEST(StatusTextTest, WordsAndMinutesAtThePace)
{
    struct Case {
        int words;
        qint64 storedPace;
        QString expected;
    };
    const Case cases[] {
        { 0, 120, "0 words" },
        { 1, 120, "1 words · 1 min @120wpm" },
        { 120, 120, "120 words · 1 min @120wpm" },
        { 121, 120, "121 words · 2 min @120wpm" },
        { 240, 120, "240 words · 2 min @120wpm" },
        { 241, 120, "241 words · 3 min @120wpm" },
        // A pace that is none of the four is used as it stands.
        { 261, 130, "261 words · 3 min @130wpm" },
        // A pace below 1 can only come from outside the program: it reads as 120.
        { 241, 0, "241 words · 3 min @120wpm" },
        { 241, -40, "241 words · 3 min @120wpm" },
        { 5, std::numeric_limits<qint64>::max(),
            QStringLiteral("5 words · 1 min @%1wpm").arg(std::numeric_limits<qint64>::max()) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusBarView::statusText(treeWithWords(c.words), c.storedPace), c.expected) << c.words;
}

TEST(StatusTextTest, BlankTextsAreNoWordsAndFoldedBranchesCount)
{
    auto blank = SermonNode::create(QStringLiteral("  "));
    blank->addChild(QStringLiteral("\t") + QChar(u'\u2028'));
    EXPECT_EQ(StatusBarView::statusText(blank, 120), "0 words");
    EXPECT_EQ(StatusBarView::statusText(nullptr, 120), "0 words");

    auto root = SermonNode::create(QStringLiteral("Title"));
    root->addChild(QStringLiteral("Folded"))->addChild(QStringLiteral("hidden words here"));
    root->children().front()->setCollapsed(true);
    EXPECT_EQ(StatusBarView::statusText(root, 120), "5 words · 1 min @120wpm");
}

TEST_F(StatusBarViewTest, PaceMenuChecksTheStoredPaceAndChoosingOneReachesEveryBar)
{
    auto preferences = openPreferences();
    ASSERT_TRUE(preferences->setReadingPaceWPM(130));
    SermonDocument document(treeWithWords(300));
    StatusBarView bar(document, *preferences);
    StatusBarView otherWindow(document, *preferences);

    const QList<QAction*> actions = bar.paceActions();
    ASSERT_EQ(actions.size(), 4);
    for (qsizetype i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), title(allReadingPaces[static_cast<size_t>(i)]));
        EXPECT_TRUE(actions[i]->isCheckable());
        EXPECT_FALSE(actions[i]->isChecked());
    }
    EXPECT_EQ(bar.paceMenu()->actions().size(), 4);
    EXPECT_EQ(bar.currentStatusText(), "300 words · 3 min @130wpm");

    actions[3]->trigger();
    EXPECT_EQ(preferences->readingPaceWPM(), 160);
    EXPECT_TRUE(actions[3]->isChecked());
    EXPECT_EQ(bar.currentStatusText(), "300 words · 2 min @160wpm");
    EXPECT_EQ(otherWindow.currentStatusText(), "300 words · 2 min @160wpm");
    EXPECT_TRUE(otherWindow.paceActions()[3]->isChecked());

    // Choosing the pace that is stored already keeps it checked.
    actions[3]->trigger();
    EXPECT_TRUE(actions[3]->isChecked());
    EXPECT_EQ(std::count_if(actions.begin(), actions.end(), [](QAction* a) { return a->isChecked(); }), 1);
}

TEST_F(StatusBarViewTest, TextFollowsEditsUndoAndTextsWithoutAStepOfTheirOwn)
{
    auto preferences = openPreferences();
    auto root = treeWithWords(2);
    SermonDocument document(root);
    UndoManager undoManager;
    StatusBarView bar(document, *preferences);
    EXPECT_EQ(bar.currentStatusText(), "2 words · 1 min @120wpm");

    document.recordUndo(root->id(), &undoManager);
    root->children().front()->setText(QStringLiteral("one two three"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.currentStatusText() == QStringLiteral("4 words · 1 min @120wpm"); }))
        << bar.currentStatusText().toStdString();
    undoManager.undo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.currentStatusText() == QStringLiteral("2 words · 1 min @120wpm"); }))
        << bar.currentStatusText().toStdString();

    // Undo put a copy of the tree in place.
    document.root()->addChild(QStringLiteral("typed into a new node"));
    Q_EMIT document.contentEdited();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.currentStatusText() == QStringLiteral("7 words · 1 min @120wpm"); }))
        << bar.currentStatusText().toStdString();
}

// Keystrokes in the columns add their change in words to the count; anything else counts
// the whole sermon again, even in the same turn of the event loop as a keystroke.
TEST_F(StatusBarViewTest, KeystrokesAddTheirWordsAndOtherChangesCountAgain)
{
    auto preferences = openPreferences();
    auto root = treeWithWords(2);
    SermonDocument document(root);
    StatusBarView bar(document, *preferences);
    const auto shows = [&](const QString& text) {
        return QTest::qWaitFor([&] { return bar.currentStatusText() == text; }) ? QString() : bar.currentStatusText();
    };

    document.writeNodeText(*root->children().front(), QStringLiteral("one two three"));
    EXPECT_EQ(shows(QStringLiteral("4 words · 1 min @120wpm")), QString());

    root->addChild(QStringLiteral("five six"));
    Q_EMIT document.contentEdited();
    EXPECT_EQ(shows(QStringLiteral("6 words · 1 min @120wpm")), QString());

    document.writeNodeText(*root->children().back(), QString());
    root->children().front()->setText(QStringLiteral("one"));
    Q_EMIT document.contentEdited();
    document.writeNodeText(*root, QStringLiteral("a title of five words"));
    EXPECT_EQ(shows(QStringLiteral("7 words · 1 min @120wpm")), QString());
}

TEST(ZoomControlsViewTest, PercentageTexts)
{
    const std::pair<qreal, QString> cases[] {
        { 1.0, "100%" },
        { 0.1, "10%" },
        { 3.0, "300%" },
        { 1.2, "120%" },
        { 0.125, "13%" },
        { 0.333, "33%" },
        { -0.125, "-13%" },
        { 1.0e300, "1000000000000000%" },
        { std::numeric_limits<qreal>::quiet_NaN(), "100%" },
        { std::numeric_limits<qreal>::infinity(), "100%" },
        { -std::numeric_limits<qreal>::infinity(), "100%" },
    };
    for (const auto& [scale, text] : cases)
        EXPECT_EQ(ZoomControlsView::percentageText(scale), text) << scale;
}

TEST(ZoomControlsViewTest, EachTargetCallsItsClosureOnceAnywhereInItsFrame)
{
    ZoomControlsView view;
    int in = 0;
    int out = 0;
    int reset = 0;
    view.setOnZoomIn([&] { ++in; });
    view.setOnZoomOut([&] { ++out; });
    view.setOnReset([&] { ++reset; });
    view.setScale(1.5);
    view.show();
    EXPECT_EQ(view.percentageButton()->text(), "150%");
    EXPECT_EQ(view.zoomOutButton()->size(), QSize(28, 28));
    EXPECT_EQ(view.zoomInButton()->size(), QSize(28, 28));
    EXPECT_GE(view.percentageButton()->width(), 40);

    // A corner of the frame, far from the symbol's strokes.
    QTest::mouseClick(view.zoomOutButton(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseClick(view.zoomInButton(), Qt::LeftButton, {}, QPoint(26, 26));
    QTest::mouseClick(view.percentageButton(), Qt::LeftButton);
    EXPECT_EQ(out, 1);
    EXPECT_EQ(in, 1);
    EXPECT_EQ(reset, 1);
}
