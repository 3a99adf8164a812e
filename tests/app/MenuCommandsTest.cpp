#include "MenuCommandsFixture.h"

#include "app/CheckForUpdatesViewModel.h"
#include "app/ContentView.h"
#include "app/EditMenuCommands.h"
#include "app/SermonWindow.h"
#include "app/WindowSupervisor.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryView.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/NodeMarkers.h"
#include "platform/CommandRouter.h"
#include "platform/DocumentManager.h"
#include "platform/EmojiMenuStyle.h"
#include "platform/FindAction.h"
#include "platform/FocusedValues.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/TextFieldKeyGuard.h"
#include "platform/ZoomAction.h"
#include "sheets/FileSettingsSheet.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <set>

using namespace kestrion;
using kestrion::test::MenuCommandsTest;

namespace {

// A view inside the window that offers node actions with every flag set, recording which
// command ran, and holds a text field.
class RecordingView final : public QWidget, public FocusedValuePublisher {
public:
    explicit RecordingView(QWidget* parent)
        : QWidget(parent)
        , field(new QLineEdit(this))
    {
        setFocusPolicy(Qt::StrongFocus);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(field);
        CommandRouter::shared().addViewPublisher(this, this);
    }
    ~RecordingView() override { CommandRouter::shared().removePublisher(this); }

    void publishFocusedValues(FocusedValues& values) const override
    {
        NodeActions actions;
        actions.state = state;
        for (int c = 0; c <= int(NodeCommand::RemoveMarker); ++c) {
            const auto command = NodeCommand(c);
            NodeActions::Action record = [this, command] { ran.push_back({ command, QString() }); };
            switch (command) {
            case NodeCommand::Cut:
                actions.cut = record;
                break;
            case NodeCommand::Copy:
                actions.copy = record;
                break;
            case NodeCommand::CopyBranch:
                actions.copyBranch = record;
                break;
            case NodeCommand::Paste:
                actions.paste = record;
                break;
            case NodeCommand::Duplicate:
                actions.duplicate = record;
                break;
            case NodeCommand::Delete:
                actions.delete_ = record;
                break;
            case NodeCommand::Fold:
                actions.fold = record;
                break;
            case NodeCommand::Unfold:
                actions.unfold = record;
                break;
            case NodeCommand::MoveUp:
                actions.moveUp = record;
                break;
            case NodeCommand::MoveDown:
                actions.moveDown = record;
                break;
            case NodeCommand::Promote:
                actions.promote = record;
                break;
            case NodeCommand::Demote:
                actions.demote = record;
                break;
            case NodeCommand::Split:
                actions.split = record;
                break;
            case NodeCommand::SplitSentences:
                actions.splitSentences = record;
                break;
            case NodeCommand::Join:
                actions.join = record;
                break;
            case NodeCommand::Edit:
                actions.edit = record;
                break;
            case NodeCommand::NewLineBelow:
                actions.newLineBelow = record;
                break;
            case NodeCommand::NewLineAbove:
                actions.newLineAbove = record;
                break;
            case NodeCommand::NewLineUnder:
                actions.newLineUnder = record;
                break;
            case NodeCommand::ToggleQuote:
                actions.toggleQuote = record;
                break;
            case NodeCommand::SelectAll:
                actions.selectAll = record;
                break;
            case NodeCommand::DeselectAll:
                actions.deselectAll = record;
                break;
            case NodeCommand::SetMarker:
                actions.setMarker = [this](const QString& marker) {
                    ran.push_back({ NodeCommand::SetMarker, marker });
                };
                break;
            case NodeCommand::RemoveMarker:
                actions.removeMarker = record;
                break;
            }
        }
        values.set<FocusedNodeActionsKey>(actions);
    }

    QLineEdit* field;
    // Everything allowed but what needs more than one node.
    NodeActionState state { true, true, false, true, true, true, true, true, true, false };
    mutable std::vector<std::pair<NodeCommand, QString>> ran;
};

using C = NodeCommand;
const std::set<NodeCommand> textItems { C::Cut, C::Copy, C::Paste, C::SelectAll };

std::set<NodeCommand> with(std::set<NodeCommand> items)
{
    items.insert(textItems.begin(), textItems.end());
    return items;
}

TEST_F(MenuCommandsTest, EnablementFollowsWhatTheFocusedWindowOffers)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::set<NodeCommand> nodeItems;
        bool windowItems; // mode switch
        bool mapItems; // zoom and find
        const char* quoteTitle;
    };
    QWidget elsewhere;
    const std::set<NodeCommand> oneNode
        = with({ C::CopyBranch, C::DeselectAll, C::Duplicate, C::Delete, C::ToggleQuote, C::SetMarker, C::MoveUp,
            C::MoveDown, C::Promote, C::Demote, C::Edit, C::NewLineBelow, C::NewLineAbove, C::NewLineUnder });
    std::set<NodeCommand> twoNodes = oneNode;
    twoNodes.erase(C::Edit);
    twoNodes.erase(C::NewLineUnder);
    twoNodes.insert({ C::Join, C::SplitSentences });
    twoNodes.erase(C::Promote);
    const std::set<NodeCommand>& quote = oneNode;
    std::set<NodeCommand> parent = oneNode;
    parent.erase(C::ToggleQuote);
    parent.erase(C::Promote);
    parent.insert(C::Fold);

    const std::vector<Case> cases {
        { "no document window",
            [&] {
                elsewhere.show();
                elsewhere.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
            },
            {}, false, false, "Mark as Quote" },
        { "root only",
            [&] {
                elsewhere.hide();
                m_window->activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
                m_canvas->setCanvasFocused(true);
                select({ QStringLiteral("Title") });
            },
            with({ C::DeselectAll }), true, true, "Mark as Quote" },
        { "one node", [&] { select({ QStringLiteral("A1") }); }, oneNode, true, true, "Mark as Quote" },
        { "a node with children", [&] { select({ QStringLiteral("A") }); }, parent, true, true, "Mark as Quote" },
        { "two nodes",
            [&] {
                select({ QStringLiteral("A1"), QStringLiteral("First sentence. Second sentence") });
            },
            twoNodes, true, true, "Mark as Quote" },
        { "a quote", [&] { select({ QStringLiteral("A quote") }); }, quote, true, true, "Unmark as Quote" },
        // Walking the menus with the keys gives the menu bar the keyboard for a while.
        { "the menu bar walked with the keys", [&] { m_window->menuBar()->setFocus(Qt::MenuBarFocusReason); }, quote,
            true, true, "Unmark as Quote" },
        // The reading page takes none of the clipboard items.
        { "delivery mode", [&] { m_window->contentView()->setMode(AppMode::Delivery); }, {}, true, false,
            "Mark as Quote" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        QCoreApplication::processEvents();
        EXPECT_EQ(enabledNodeItems(), c.nodeItems);
        EXPECT_EQ(menus().edit().action(C::ToggleQuote)->text(), QString::fromUtf8(c.quoteTitle));
        EXPECT_EQ(menus().mindMapAction()->isEnabled(), c.windowItems);
        EXPECT_EQ(menus().deliveryAction()->isEnabled(), c.windowItems);
        for (QAction* mapItem :
            { menus().zoomInAction(), menus().zoomOutAction(), menus().actualSizeAction(), menus().findAction() })
            EXPECT_EQ(mapItem->isEnabled(), c.mapItems) << mapItem->text().toStdString();
        EXPECT_EQ(menus().fileSettingsAction()->isEnabled(), c.windowItems);
        // Offered by the mind map only.
        EXPECT_EQ(
            menus().focusModeAction()->isEnabled(), c.windowItems && m_window->contentView()->mode() == AppMode::Tree);
        for (QAction* always : { menus().newSermonAction(), menus().aboutAction(), menus().welcomeAction() })
            EXPECT_TRUE(always->isEnabled());
        if (HasFatalFailure())
            return;
    }
}

TEST_F(MenuCommandsTest, FocusModeIsOfferedInTheMindMapOnlyOnceItCanBeToggled)
{
    int toggles = 0;
    m_window->contentView()->setFocusModeToggle([&toggles] { ++toggles; });
    EXPECT_TRUE(menus().focusModeAction()->isEnabled());
    QTest::keyClick(m_canvas, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(toggles, 1);
    m_window->contentView()->setMode(AppMode::Delivery);
    EXPECT_FALSE(menus().focusModeAction()->isEnabled());
    QTest::keyClick(m_window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(toggles, 1);
}

TEST_F(MenuCommandsTest, WindowShortcutsActOnTheFocusedMap)
{
    // Zooming animates to its new scale.
    QTest::keyClick(m_canvas, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_canvas->scale() > 1.0; }));
    QTest::keyClick(m_canvas, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_canvas->scale() == 1.0; }));
    QTest::keyClick(m_canvas, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_canvas->scale() < 1.0; }));

    QTest::keyClick(m_canvas, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(m_window->contentView()->mode(), AppMode::Delivery);
    QTest::keyClick(m_window, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(m_window->contentView()->mode(), AppMode::Tree);

    m_canvas->setCanvasFocused(true);
    QTest::keyClick(m_canvas, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(m_canvas->controller().isSearching());

    QTest::keyClick(m_window, Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_NE(m_window->contentView()->fileSettingsSheet(), nullptr);
}

// What is typed in File Settings is not in the sermon until Done: a quit from another window,
// or a close, leaves the window and its sheet in front instead.
TEST_F(MenuCommandsTest, AWindowWithFileSettingsOpenStaysThroughAQuitOrACloseWithWhatIsTypedThere)
{
    SermonWindow* first = m_window;
    OpenDocument* firstDocument = m_document;
    first->contentView()->showFileSettings();
    QPointer<FileSettingsSheet> sheet = first->contentView()->fileSettingsSheet();
    ASSERT_FALSE(sheet.isNull());
    sheet->form().titleField()->setText(QStringLiteral("A title not yet done"));
    openSermon();
    const QPointer<OpenDocument> second(m_document);

    m_window->quitAction()->trigger();
    QCoreApplication::processEvents();
    first->closeAction()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(m_manager.isQuitting());
    EXPECT_FALSE(second.isNull());
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet->form().titleField()->text(), QStringLiteral("A title not yet done"));
    EXPECT_EQ(m_manager.documents().front(), firstDocument);
    EXPECT_TRUE(first->isVisible());
    sheet->window()->close();
}

// Refused as Return refuses it: the window stays in delivery and the menu says so.
TEST_F(MenuCommandsTest, AModeKeyWhileADurationBeyondTheDayIsTypedKeepsDelivery)
{
    QTest::keyClick(m_canvas, Qt::Key_2, Qt::ControlModifier);
    auto* delivery = qobject_cast<DeliveryView*>(m_window->contentView()->modeContent(AppMode::Delivery));
    ASSERT_TRUE(delivery);
    DeliveryCounterBlock* block = delivery->counterBlock();
    block->durationTapped();
    QLineEdit* field = block->durationField();
    ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }));
    QTest::keyClicks(field, QStringLiteral("2000"));
    for (const Qt::Key key : { Qt::Key_1, Qt::Key_3 }) {
        QTest::keyClick(field, key, Qt::ControlModifier);
        EXPECT_EQ(m_window->contentView()->mode(), AppMode::Delivery) << key;
        EXPECT_TRUE(menus().deliveryAction()->isChecked());
        EXPECT_TRUE(block->refusalHint()->isVisible());
        EXPECT_TRUE(field->hasFocus());
    }
    EXPECT_FALSE(m_document->document().metadata().duration);
}

TEST_F(MenuCommandsTest, EachEditShortcutReachesItsNodeCommandThroughTheMenu)
{
    auto* view = new RecordingView(m_window->contentView());
    view->show();
    view->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), view);

    const std::vector<std::pair<NodeCommand, QKeyCombination>> keys {
        { C::Cut, Qt::CTRL | Qt::Key_X },
        { C::Copy, Qt::CTRL | Qt::Key_C },
        { C::CopyBranch, Qt::CTRL | Qt::SHIFT | Qt::Key_C },
        { C::Paste, Qt::CTRL | Qt::Key_V },
        { C::SelectAll, Qt::CTRL | Qt::Key_A },
        { C::DeselectAll, Qt::CTRL | Qt::SHIFT | Qt::Key_A },
        { C::Duplicate, Qt::CTRL | Qt::Key_D },
        { C::Delete, Qt::Key_Backspace },
        { C::Delete, Qt::Key_Delete },
        { C::ToggleQuote, Qt::CTRL | Qt::Key_Apostrophe },
        { C::Fold, Qt::CTRL | Qt::Key_Left },
        { C::Unfold, Qt::CTRL | Qt::Key_Right },
        { C::MoveUp, Qt::ALT | Qt::Key_Up },
        { C::MoveDown, Qt::ALT | Qt::Key_Down },
        { C::Promote, Qt::ALT | Qt::Key_Left },
        { C::Demote, Qt::ALT | Qt::Key_Right },
        { C::Split, Qt::CTRL | Qt::Key_Return },
        { C::SplitSentences, Qt::CTRL | Qt::Key_Semicolon },
        { C::Join, Qt::CTRL | Qt::Key_J },
        { C::Edit, Qt::Key_Space },
        { C::NewLineBelow, Qt::Key_Return },
        { C::NewLineBelow, Qt::Key_Enter },
        { C::NewLineAbove, Qt::SHIFT | Qt::Key_Return },
        { C::NewLineUnder, Qt::Key_Tab },
        { C::RemoveMarker, Qt::CTRL | Qt::SHIFT | Qt::Key_0 },
    };
    for (const auto& [command, key] : keys) {
        view->state.hasMultiSelection = command == C::Join;
        CommandRouter::shared().publisherChanged(view);
        view->ran.clear();
        QTest::keyClick(view, key.key(), key.keyboardModifiers());
        ASSERT_EQ(view->ran.size(), 1u) << QKeySequence(key).toString().toStdString();
        EXPECT_EQ(view->ran.front().first, command) << QKeySequence(key).toString().toStdString();
    }
    const auto& markers = NodeMarkers::markerEmoji();
    for (int i = 0; i < int(markers.size()); ++i) {
        view->ran.clear();
        QTest::keyClick(view, Qt::Key(Qt::Key_1 + i), Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_EQ(view->ran.size(), 1u);
        EXPECT_EQ(view->ran.front(), std::make_pair(C::SetMarker, markers[size_t(i)]));
        EXPECT_EQ(menus().edit().markAction(markers[size_t(i)])->text(), markers[size_t(i)]);
    }
    const auto* markMenu = qobject_cast<QMenu*>(menus().edit().markAction(markers[0])->parent());
    ASSERT_TRUE(markMenu);
    EXPECT_TRUE(qobject_cast<EmojiMenuStyle*>(markMenu->style()));
}

TEST_F(MenuCommandsTest, BareKeysAndTheTextItemsStayWithATextField)
{
    auto* view = new RecordingView(m_window->contentView());
    view->show();
    QLineEdit* field = view->field;
    field->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), field);
    int returns = 0;
    QObject::connect(field, &QLineEdit::returnPressed, field, [&returns] { ++returns; });

    QTest::keyClicks(field, QStringLiteral("ab"));
    QTest::keyClick(field, Qt::Key_Space);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
    EXPECT_EQ(returns, 3);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(view->ran.empty());

    // The menu's Cut, Copy, Paste and Select All act on the text.
    field->setFocus();
    QCoreApplication::processEvents();
    menus().edit().action(C::SelectAll)->trigger();
    EXPECT_EQ(field->selectedText(), QStringLiteral("ab"));
    menus().edit().action(C::Copy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ab"));
    menus().edit().action(C::Cut)->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    menus().edit().action(C::Paste)->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
    EXPECT_TRUE(view->ran.empty());

    // Without a text field they act on the nodes.
    view->setFocus();
    QCoreApplication::processEvents();
    menus().edit().action(C::Copy)->trigger();
    ASSERT_EQ(view->ran.size(), 1u);
    EXPECT_EQ(view->ran.front().first, C::Copy);
}

TEST_F(MenuCommandsTest, TheWindowMenuListsTheOpenSermonsAndRaisesTheOneChosen)
{
    SermonWindow* first = m_window;
    const QString firstName = m_document->displayName();
    openSermon();
    const QString secondName = m_document->displayName();
    const auto listed = [](SermonWindow* window) {
        QMenu* menu = window->menus().windowMenu();
        Q_EMIT menu->aboutToShow();
        QStringList items;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator())
                break;
            items.append(action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()));
        }
        return items;
    };
    // The window behind offers nothing of the one in front.
    EXPECT_FALSE(first->menus().findAction()->isEnabled());
    EXPECT_TRUE(m_window->menus().findAction()->isEnabled());
    const QStringList secondInFront { firstName, secondName + QStringLiteral(" *") };
    EXPECT_EQ(listed(first), secondInFront);
    EXPECT_EQ(listed(m_window), secondInFront);

    m_window->menus().windowMenu()->actions().front()->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowActive(first));
    EXPECT_EQ(listed(m_window), (QStringList { firstName + QStringLiteral(" *"), secondName }));
}

TEST_F(MenuCommandsTest, SupervisorAndUpdateItems)
{
    // Without a supervisor these do nothing.
    ASSERT_EQ(WindowSupervisor::shared(), nullptr);
    menus().aboutAction()->trigger();
    menus().newSermonAction()->trigger();

    WindowSupervisor supervisor(m_manager);
    WindowSupervisor::setShared(&supervisor);
    menus().aboutAction()->trigger();
    ASSERT_NE(supervisor.aboutWindow(), nullptr);
    EXPECT_TRUE(supervisor.aboutWindow()->isVisible());
    menus().welcomeAction()->trigger();
    EXPECT_TRUE(supervisor.welcomeWindow()->isVisible());
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window, Qt::Key_N, Qt::ControlModifier);
    ASSERT_NE(supervisor.newSermonWindow(), nullptr);
    EXPECT_TRUE(supervisor.newSermonWindow()->isVisible());
    WindowSupervisor::setShared(nullptr);

    // Enabled from the updater's state at once, and on every change.
    EXPECT_TRUE(menus().checkForUpdatesAction()->isEnabled());
    menus().checkForUpdatesAction()->trigger();
    EXPECT_EQ(m_updater.checks, 1);
    m_updater.setCanCheck(false);
    EXPECT_FALSE(menus().checkForUpdatesAction()->isEnabled());
    menus().checkForUpdatesAction()->trigger();
    EXPECT_EQ(m_updater.checks, 1);
}

TEST_F(MenuCommandsTest, MenusHoldTheirItemsInOrder)
{
    const auto titles = [](const QMenu* menu) {
        QStringList result;
        for (const QAction* action : menu->actions())
            result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return result;
    };
    const QStringList edit = titles(m_window->editMenu());
    const QStringList expectedEdit { QStringLiteral("-"), QStringLiteral("Cut"), QStringLiteral("Copy"),
        QStringLiteral("Copy Branch"), QStringLiteral("Paste"), QStringLiteral("Select All"),
        QStringLiteral("Deselect All"), QStringLiteral("-"), QStringLiteral("Duplicate"), QStringLiteral("-"),
        QStringLiteral("Delete"), QStringLiteral("-"), QStringLiteral("Mark as Quote"), QStringLiteral("Mark"),
        QStringLiteral("-"), QStringLiteral("Fold"), QStringLiteral("Unfold"), QStringLiteral("-"),
        QStringLiteral("Move Up"), QStringLiteral("Move Down"), QStringLiteral("Promote"), QStringLiteral("Demote"),
        QStringLiteral("-"), QStringLiteral("Split"), QStringLiteral("Split Sentences"), QStringLiteral("Join"),
        QStringLiteral("-"), QStringLiteral("Edit"), QStringLiteral("New Line Below"), QStringLiteral("New Line Above"),
        QStringLiteral("New Line Under"), QStringLiteral("-"), QStringLiteral("Find...") };
    EXPECT_EQ(edit.mid(2), expectedEdit);
    EXPECT_EQ(titles(menus().viewMenu()),
        (QStringList { QStringLiteral("Mind Map"), QStringLiteral("Delivery"), QStringLiteral("Columns"),
            QStringLiteral("-"), QStringLiteral("Zoom In"), QStringLiteral("Zoom Out"), QStringLiteral("Actual Size"),
            QStringLiteral("-"), QStringLiteral("Focus Mode") }));
    EXPECT_EQ(titles(menus().helpMenu()),
        (QStringList { QStringLiteral("About Kestrion"), QStringLiteral("Check for Updates\u2026") }));
    const QStringList file = titles(m_window->fileMenu());
    EXPECT_EQ(file.front(), QStringLiteral("New Sermon"));
    EXPECT_EQ(file.mid(file.indexOf(QStringLiteral("Save &As…")) + 1, 4),
        (QStringList { QStringLiteral("Re&vert to Opened Version\u2026"), QStringLiteral("-"),
            QStringLiteral("File Settings\u2026"), QStringLiteral("-") }));
    EXPECT_EQ(menus().fileSettingsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));
    EXPECT_EQ(menus().focusModeAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
}

} // namespace
