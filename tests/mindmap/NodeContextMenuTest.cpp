#include "mindmap/NodeContextMenu.h"

#include "mindmap/NodeActions.h"
#include "mindmap/NodeMarkers.h"
#include "platform/EmojiMenuStyle.h"
#include "platform/EmojiText.h"
#include "support/InkBounds.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kestrion;

namespace {

// The menu as lines: a title with its shortcut, "---" for a separator, "Mark >" for the
// submenu.
QStringList describe(const QList<ContextMenuItem>& items)
{
    QStringList lines;
    for (const ContextMenuItem& item : items) {
        switch (item.kind) {
        case ContextMenuItem::Kind::Separator:
            lines.append(QStringLiteral("---"));
            break;
        case ContextMenuItem::Kind::Submenu:
            lines.append(item.title + QStringLiteral(" >"));
            break;
        case ContextMenuItem::Kind::Command:
            lines.append(item.title + QStringLiteral(" [") + item.shortcut.toString(QKeySequence::PortableText)
                + QStringLiteral("]"));
            break;
        }
    }
    return lines;
}

NodeActionState plainLeaf()
{
    NodeActionState s;
    s.hasAnySelection = true;
    s.hasSelection = true;
    s.canToggleQuote = true;
    return s;
}

const QStringList head = {
    "Cut [Ctrl+X]",
    "Copy [Ctrl+C]",
    "Copy Branch [Ctrl+Shift+C]",
    "Paste [Ctrl+V]",
    "Duplicate [Ctrl+D]",
    "---",
    "Delete [Backspace]",
};

} // namespace

TEST(NodeContextMenuTest, APlainLeafUnderTheRoot)
{
    const QStringList expected = head
        + QStringList {
              "---",
              "Mark as Quote [Ctrl+']",
              "---",
              "Mark >",
              "---",
              "Move Up [Alt+Up]",
              "Move Down [Alt+Down]",
              "Demote [Alt+Right]",
              "---",
              "Edit [Space]",
              "New Line Below [Return]",
              "New Line Above [Shift+Return]",
              "New Line Under [Tab]",
          };
    EXPECT_EQ(describe(NodeContextMenu::items(plainLeaf())), expected);
}

TEST(NodeContextMenuTest, AQuoteLeafIsOfferedUnmarking)
{
    NodeActionState s = plainLeaf();
    s.isQuote = true;
    const QStringList lines = describe(NodeContextMenu::items(s));
    EXPECT_TRUE(lines.contains("Unmark as Quote [Ctrl+']"));
    EXPECT_FALSE(lines.contains("Mark as Quote [Ctrl+']"));
}

TEST(NodeContextMenuTest, ANodeWithChildrenHasOneSeparatorBetweenDeleteAndMarkAndAFoldSection)
{
    NodeActionState s;
    s.hasAnySelection = true;
    s.hasSelection = true;
    s.canFold = true;
    const QStringList expected = head
        + QStringList {
              "---",
              "Mark >",
              "---",
              "Fold [Ctrl+Left]",
              "---",
              "Move Up [Alt+Up]",
              "Move Down [Alt+Down]",
              "Demote [Alt+Right]",
              "---",
              "Edit [Space]",
              "New Line Below [Return]",
              "New Line Above [Shift+Return]",
              "New Line Under [Tab]",
          };
    EXPECT_EQ(describe(NodeContextMenu::items(s)), expected);

    s.canUnfold = true;
    const QStringList both = describe(NodeContextMenu::items(s));
    const qsizetype fold = both.indexOf("Fold [Ctrl+Left]");
    ASSERT_GE(fold, 1);
    EXPECT_EQ(both[fold - 1], "---");
    EXPECT_EQ(both[fold + 1], "Unfold [Ctrl+Right]");
    EXPECT_EQ(both[fold + 2], "---");
}

TEST(NodeContextMenuTest, SeveralSiblingsOfferJoinButNotEditOrNewLineUnder)
{
    NodeActionState s = plainLeaf();
    s.hasMultiSelection = true;
    s.canPromote = true;
    const QStringList expected = head
        + QStringList {
              "---",
              "Mark as Quote [Ctrl+']",
              "---",
              "Mark >",
              "---",
              "Move Up [Alt+Up]",
              "Move Down [Alt+Down]",
              "Promote [Alt+Left]",
              "Demote [Alt+Right]",
              "---",
              "Join [Ctrl+J]",
              "---",
              "New Line Below [Return]",
              "New Line Above [Shift+Return]",
          };
    EXPECT_EQ(describe(NodeContextMenu::items(s)), expected);
}

TEST(NodeContextMenuTest, BothSplitsFollowOneSeparator)
{
    NodeActionState s = plainLeaf();
    s.canSplit = true;
    s.canSplitSentences = true;
    const QStringList lines = describe(NodeContextMenu::items(s));
    const qsizetype split = lines.indexOf("Split [Ctrl+Return]");
    ASSERT_GE(split, 1);
    EXPECT_EQ(lines[split - 1], "---");
    EXPECT_EQ(lines[split - 2], "Demote [Alt+Right]");
    EXPECT_EQ(lines[split + 1], "Split Sentences [Ctrl+;]");
    EXPECT_EQ(lines[split + 2], "---");
    EXPECT_EQ(lines[split + 3], "Edit [Space]");
}

TEST(NodeContextMenuTest, TheMarkSubmenuHoldsTheNineMarkersThenRemove)
{
    const QList<ContextMenuItem> items = NodeContextMenu::items(plainLeaf());
    const auto mark = std::find_if(items.begin(), items.end(),
        [](const ContextMenuItem& item) { return item.kind == ContextMenuItem::Kind::Submenu; });
    ASSERT_NE(mark, items.end());
    EXPECT_EQ(mark->title, "Mark");
    const QList<ContextMenuItem>& sub = mark->submenu;
    ASSERT_EQ(sub.size(), 11);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sub[i].title, NodeMarkers::markerEmoji()[static_cast<size_t>(i)]);
        EXPECT_EQ(sub[i].marker, sub[i].title);
        EXPECT_EQ(sub[i].command, NodeCommand::SetMarker);
        EXPECT_EQ(sub[i].shortcut.toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Shift+%1").arg(i + 1));
    }
    EXPECT_EQ(sub[9].kind, ContextMenuItem::Kind::Separator);
    EXPECT_EQ(sub[10].title, NodeMarkers::removeMarkerSymbol());
    EXPECT_EQ(sub[10].command, NodeCommand::RemoveMarker);
    EXPECT_EQ(sub[10].shortcut.toString(QKeySequence::PortableText), "Ctrl+Shift+0");
}

TEST(NodeContextMenuTest, ItemsNameTheCommandsTheyRun)
{
    NodeActionState s = plainLeaf();
    s.canFold = s.canUnfold = s.canSplit = s.canSplitSentences = s.canPromote = true;
    QHash<QString, NodeCommand> byTitle;
    for (const ContextMenuItem& item : NodeContextMenu::items(s))
        if (item.kind == ContextMenuItem::Kind::Command)
            byTitle.insert(item.title, item.command);
    const QHash<QString, NodeCommand> expected = {
        { "Cut", NodeCommand::Cut },
        { "Copy", NodeCommand::Copy },
        { "Copy Branch", NodeCommand::CopyBranch },
        { "Paste", NodeCommand::Paste },
        { "Duplicate", NodeCommand::Duplicate },
        { "Delete", NodeCommand::Delete },
        { "Mark as Quote", NodeCommand::ToggleQuote },
        { "Fold", NodeCommand::Fold },
        { "Unfold", NodeCommand::Unfold },
        { "Move Up", NodeCommand::MoveUp },
        { "Move Down", NodeCommand::MoveDown },
        { "Promote", NodeCommand::Promote },
        { "Demote", NodeCommand::Demote },
        { "Split", NodeCommand::Split },
        { "Split Sentences", NodeCommand::SplitSentences },
        { "Edit", NodeCommand::Edit },
        { "New Line Below", NodeCommand::NewLineBelow },
        { "New Line Above", NodeCommand::NewLineAbove },
        { "New Line Under", NodeCommand::NewLineUnder },
    };
    EXPECT_EQ(byTitle, expected);
}

namespace {

// Actions that log which command ran.
NodeActions recordingActions(QStringList& log)
{
    NodeActions actions;
    actions.cut = [&log] { log.append("cut"); };
    actions.delete_ = [&log] { log.append("delete"); };
    actions.edit = [&log] { log.append("edit"); };
    actions.setMarker = [&log](const QString& marker) { log.append("mark " + marker); };
    actions.removeMarker = [&log] { log.append("unmark"); };
    return actions;
}

QAction* findAction(QMenu* menu, const QString& title)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == title)
            return action;
        if (action->menu()) {
            if (QAction* inner = findAction(action->menu(), title))
                return inner;
        }
    }
    return nullptr;
}

} // namespace

TEST(NodeContextMenuTest, ChoosingFromAPoppedUpMenuActsAfterExecReturns)
{
    QStringList log;
    QObject canvas;
    std::unique_ptr<QMenu> menu(
        NodeContextMenu::create(NodeContextMenu::items(plainLeaf()), recordingActions(log), &canvas));
    QTimer::singleShot(0, menu.get(), [&] {
        menu->setActiveAction(findAction(menu.get(), "Edit"));
        QTest::keyClick(menu.get(), Qt::Key_Return);
    });
    menu->exec(QPoint(10, 10));
    log.append("returned");
    QCoreApplication::processEvents();
    EXPECT_EQ(log, (QStringList { "returned", "edit" }));
}

TEST(NodeContextMenuTest, TriggeredItemsRunTheirClosuresOnALaterTurn)
{
    QStringList log;
    QObject canvas;
    std::unique_ptr<QMenu> menu(
        NodeContextMenu::create(NodeContextMenu::items(plainLeaf()), recordingActions(log), &canvas));
    const QString blue = NodeMarkers::markerEmoji()[4];
    findAction(menu.get(), blue)->trigger();
    findAction(menu.get(), NodeMarkers::removeMarkerSymbol())->trigger();
    // An item whose closure the canvas left unset does nothing.
    findAction(menu.get(), "Paste")->trigger();
    EXPECT_TRUE(log.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(log, (QStringList { "mark " + blue, "unmark" }));
}

TEST(NodeContextMenuTest, CommandsOfADestroyedCanvasAreDropped)
{
    QStringList log;
    auto canvas = std::make_unique<QObject>();
    std::unique_ptr<QMenu> menu(
        NodeContextMenu::create(NodeContextMenu::items(plainLeaf()), recordingActions(log), canvas.get()));
    findAction(menu.get(), "Delete")->trigger();
    canvas.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.isEmpty());
}

TEST(NodeContextMenuTest, TheMarkersShowInTheirMenusAsPicturesOfOneSize)
{
    QList<ContextMenuItem> marks = NodeContextMenu::markItems();
    ContextMenuItem submenu;
    submenu.kind = ContextMenuItem::Kind::Submenu;
    submenu.title = QStringLiteral("Mark");
    submenu.submenu = marks;
    std::unique_ptr<QMenu> menu(NodeContextMenu::create({ submenu }, NodeActions {}, nullptr, nullptr));
    ASSERT_EQ(menu->actions().size(), 1);
    QMenu* markMenu = menu->actions().front()->menu();
    ASSERT_TRUE(markMenu);
    EXPECT_TRUE(qobject_cast<EmojiMenuStyle*>(markMenu->style()));
    EXPECT_FALSE(qobject_cast<EmojiMenuStyle*>(menu->style()));

    for (const ContextMenuItem& mark : marks) {
        if (mark.kind == ContextMenuItem::Kind::Command) {
            EXPECT_TRUE(EmojiMenuStyle::isEmojiTitle(mark.title)) << mark.title.toStdString();
        }
    }
    for (const QString& title : { QStringLiteral("Mark"), QStringLiteral("Cut"), QString() })
        EXPECT_FALSE(EmojiMenuStyle::isEmojiTitle(title)) << title.toStdString();

    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    const auto& markers = NodeMarkers::markerEmoji();
    for (qreal ratio : { 1.0, 2.0 }) {
        const QPixmap red = EmojiMenuStyle::picture(markers[0], markMenu->font(), ratio);
        const QRect redInk = kestrion::test::inkBounds(red.toImage());
        for (const QString& marker : markers) {
            const QPixmap picture = EmojiMenuStyle::picture(marker, markMenu->font(), ratio);
            EXPECT_EQ(picture.size(), red.size());
            const QRect ink = kestrion::test::inkBounds(picture.toImage());
            EXPECT_NEAR(ink.width(), redInk.width(), 1) << marker.toStdString() << " at " << ratio;
            EXPECT_NEAR(ink.height(), redInk.height(), 1) << marker.toStdString() << " at " << ratio;
        }
    }
}
