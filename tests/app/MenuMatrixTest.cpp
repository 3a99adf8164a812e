#include "MenuCommandsFixture.h"

#include "app/FocusContentView.h"
#include "app/FocusWindow.h"
#include "app/WindowSupervisor.h"
#include "columns/ColumnCanvas.h"
#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryView.h"
#include "document/MarkdownCodec.h"
#include "platform/UndoManager.h"
#include "sheets/FileSettingsSheet.h"
#include "support/FakeClipboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <cctype>

using namespace kestrion;

namespace {

// Every state a sermon window can be in when a menu item is chosen or its key pressed.
enum class WindowState {
    Map,
    MapEditing,
    MapSearching,
    Columns,
    ColumnsEditing,
    ReadingPage,
    MinutesEditing,
    FocusWindow,
    BehindWelcome,
};

// Which items each state offers, a point (A2, a leaf with a marker, under A) being selected.
struct StateRow {
    WindowState state;
    const char* name;
    bool clipboard; // Cut, Copy, Paste
    bool selectAll;
    bool nodes; // the node items that a plain leaf allows
    bool map; // zoom and Find
    bool window; // the modes and File Settings
    bool focusMode;
    AppMode mode;
};

void PrintTo(const StateRow& row, std::ostream* os)
{
    *os << row.name;
}

const std::vector<StateRow>& stateRows()
{
    using S = WindowState;
    static const std::vector<StateRow> rows {
        { S::Map, "the map", true, true, true, true, true, true, AppMode::Tree },
        { S::MapEditing, "the map, a point edited in place", true, true, false, true, true, true, AppMode::Tree },
        { S::MapSearching, "the map, the search field at the keyboard", true, true, false, true, true, true,
            AppMode::Tree },
        // The columns take cut, copy and paste of points, and have no Select All.
        { S::Columns, "columns", true, false, false, false, true, false, AppMode::Columns },
        { S::ColumnsEditing, "columns, a point edited", true, true, false, false, true, false, AppMode::Columns },
        // Nothing on the reading page takes the clipboard items.
        { S::ReadingPage, "the reading page", false, false, false, false, true, false, AppMode::Delivery },
        { S::MinutesEditing, "delivery, the minutes edited", true, true, false, false, true, false, AppMode::Delivery },
        { S::FocusWindow, "the focus-mode window", true, true, true, true, false, true, AppMode::Tree },
        { S::BehindWelcome, "behind the welcome window", false, false, false, false, false, false, AppMode::Tree },
    };
    return rows;
}

// Revert to Opened Version is the window's own, whatever is in front: the sermon always
// differs from its opened version here.
enum class Group { Clipboard, SelectAll, Node, NotForALeaf, Map, Window, FocusMode, WindowList, Always, Revert };

struct MenuItem {
    QAction* action;
    Group group;
    NodeCommand command = NodeCommand::SetMarker;
};

// Takes what a menu item could reach itself through: a key press that was not typed, and a
// shortcut beyond the one a typed key may fire. A typed key passed on to a parent no longer
// counts as typed, so the one being typed is known by its address; the modifiers the test
// presses around a key are not typed either.
class SentKeys : public QObject {
public:
    SentKeys() { qApp->installEventFilter(this); }
    ~SentKeys() override { qApp->removeEventFilter(this); }

    void begin(int allowedShortcuts)
    {
        m_allowedShortcuts = allowedShortcuts;
        m_shortcuts = 0;
        count = 0;
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut && ++m_shortcuts > m_allowedShortcuts) {
            ++count;
            return true;
        }
        if (event->type() == QEvent::KeyRelease)
            m_typed = nullptr;
        if (event->type() != QEvent::KeyPress)
            return false;
        if (event->spontaneous())
            m_typed = event;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (event == m_typed || key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt)
            return false;
        ++count;
        return true;
    }

private:
    const QEvent* m_typed = nullptr;
    int m_allowedShortcuts = 0;
    int m_shortcuts = 0;
};

QString fieldText(const QWidget* field)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->text();
    if (const auto* text = qobject_cast<const QTextEdit*>(field))
        return text->toPlainText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(field))
        return plain->toPlainText();
    return {};
}

QString fieldSelection(const QWidget* field)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->selectedText();
    if (const auto* text = qobject_cast<const QTextEdit*>(field))
        return text->textCursor().selectedText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(field))
        return plain->textCursor().selectedText();
    return {};
}

// Selects the field's last character.
void selectLastCharacter(QWidget* field)
{
    const int end = int(fieldText(field).size());
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->setSelection(end, -1);
        return;
    }
    const auto select = [end](auto* edit) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(end);
        cursor.setPosition(end - 1, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    };
    if (auto* text = qobject_cast<QTextEdit*>(field))
        select(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        select(plain);
}

// What can be seen of the application: the part in front (the text field at the keyboard, or
// the sermon and the nodes selected in the view at the keyboard), the clipboards, and the rest.
struct Seen {
    QString front;
    QString selected;
    bool isAllSelected = false;
    QString clipboard;
    QStringList rest;

    friend bool operator==(const Seen&, const Seen&) = default;
};

class MenuMatrixTest : public test::MenuCommandsTest, public ::testing::WithParamInterface<StateRow> {
protected:
    static constexpr auto pasted = "pasted";

    ~MenuMatrixTest() override { WindowSupervisor::setShared(nullptr); }

    ContentView& view() const { return *m_window->contentView(); }
    DeliveryView* delivery() const { return qobject_cast<DeliveryView*>(view().modeContent(AppMode::Delivery)); }
    QUuid a2() const { return node(QStringLiteral("\U0001F534 A2")); }

    // The sermon opened afresh in the state, A2 selected, the zoom off its actual size.
    void arrange(WindowState state)
    {
        // An open sheet keeps its window, with what was typed there.
        for (OpenDocument* document : m_manager.documents()) {
            if (QWidget* sheet = document->window()->openSheet())
                sheet->close();
        }
        m_manager.closeAll();
        m_supervisor.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        openSermon();
        SermonDocument& sermon = m_document->document();
        sermon.recordUndo(std::nullopt, &m_document->undoManager());
        SermonMetadata details = sermon.metadata();
        details.series = QStringLiteral("Edited since opened");
        sermon.setMetadata(details);
        m_supervisor = std::make_unique<WindowSupervisor>(m_manager);
        m_supervisor->setQuit([] {});
        WindowSupervisor::setShared(m_supervisor.get());
        m_clipboard.setText(QString::fromLatin1(pasted));
        QApplication::clipboard()->setText(QString::fromLatin1(pasted));
        m_canvas->setClipboard(&m_clipboard);
        view().setScale(1.5);
        m_canvas->controller().selectSingleNode(a2());
        QWidget* field = nullptr;
        switch (state) {
        case WindowState::Map:
            break;
        case WindowState::MapEditing:
            m_canvas->beginEditingNode(a2(), false);
            field = waitForTextField();
            break;
        case WindowState::MapSearching:
            m_canvas->openSearch();
            field = waitForTextField();
            QTest::keyClicks(field, QStringLiteral("zz9"));
            break;
        case WindowState::Columns:
        case WindowState::ColumnsEditing:
            view().setMode(AppMode::Columns);
            view().columnCanvas()->setClipboard(&m_clipboard);
            view().columnCanvas()->controller().selectSingleNode(a2());
            view().columnCanvas()->setCanvasFocused(true);
            if (state == WindowState::ColumnsEditing) {
                view().columnCanvas()->beginColumnEditing(a2(), false);
                field = waitForTextField();
            }
            break;
        case WindowState::ReadingPage:
        case WindowState::MinutesEditing:
            view().setMode(AppMode::Delivery);
            delivery()->canvas()->setFocus();
            if (state == WindowState::MinutesEditing) {
                delivery()->counterBlock()->beginDurationEdit();
                field = waitForTextField();
                delivery()->counterBlock()->durationField()->setText(QStringLiteral("45"));
            }
            break;
        case WindowState::FocusWindow: {
            // The window behind keeps no selection: what acts on it acts on nothing.
            m_canvas->controller().selectSingleNode(std::nullopt);
            view().toggleFocusMode();
            MindMapCanvas* canvas = view().focusCanvas();
            ASSERT_NE(canvas, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(canvas->window()));
            canvas->setClipboard(&m_clipboard);
            canvas->controller().selectSingleNode(a2());
            canvas->setCanvasFocused(true);
            break;
        }
        case WindowState::BehindWelcome:
            m_supervisor->showWelcome();
            ASSERT_TRUE(QTest::qWaitForWindowActive(m_supervisor->welcomeWindow()));
            break;
        }
        if (field)
            selectLastCharacter(field);
        QCoreApplication::processEvents();
        m_arranged = seen();
    }

    // Back to the state when what was done left it.
    void rearrange(const StateRow& row)
    {
        if (seen() != m_arranged)
            arrange(row.state);
    }

    QWidget* waitForTextField() const
    {
        EXPECT_TRUE(QTest::qWaitFor([] { return TextFieldKeyGuard::isTextField(QApplication::focusWidget()); }));
        return QApplication::focusWidget();
    }

    // The items of every menu of the window but the document machinery's own, Revert to
    // Opened Version aside.
    std::vector<MenuItem> items() const
    {
        using C = NodeCommand;
        std::vector<MenuItem> result;
        const std::set<NodeCommand> notForALeaf { C::Fold, C::Unfold, C::Split, C::SplitSentences, C::Join };
        for (int c = 0; c < int(NodeCommand::SetMarker); ++c) {
            const auto command = NodeCommand(c);
            QAction* action = menus().edit().action(command);
            if (!action)
                continue;
            Group group = notForALeaf.contains(command) ? Group::NotForALeaf : Group::Node;
            if (command == C::Cut || command == C::Copy || command == C::Paste)
                group = Group::Clipboard;
            else if (command == C::SelectAll)
                group = Group::SelectAll;
            result.push_back({ action, group, command });
        }
        for (QAction* mark : menus().edit().markMenu()->actions()) {
            if (!mark->isSeparator())
                result.push_back({ mark, Group::Node });
        }
        for (QAction* action :
            { menus().zoomInAction(), menus().zoomOutAction(), menus().actualSizeAction(), menus().findAction() })
            result.push_back({ action, Group::Map });
        for (QAction* action : { menus().mindMapAction(), menus().deliveryAction(), menus().columnsAction(),
                 menus().fileSettingsAction() })
            result.push_back({ action, Group::Window });
        result.push_back({ menus().focusModeAction(), Group::FocusMode });
        menus().fillWindowMenu();
        for (QAction* action : menus().windowMenu()->actions()) {
            if (action != menus().welcomeAction() && !action->isSeparator())
                result.push_back({ action, Group::WindowList });
        }
        for (QAction* action : { menus().welcomeAction(), menus().newSermonAction(), menus().aboutAction(),
                 menus().checkForUpdatesAction() })
            result.push_back({ action, Group::Always });
        result.push_back({ m_window->revertAction(), Group::Revert });
        return result;
    }

    static bool isOffered(const StateRow& row, Group group)
    {
        switch (group) {
        case Group::Clipboard:
            return row.clipboard;
        case Group::SelectAll:
            return row.selectAll;
        case Group::Node:
            return row.nodes;
        case Group::NotForALeaf:
            return false;
        case Group::Map:
            return row.map;
        case Group::Window:
            return row.window;
        case Group::FocusMode:
            return row.focusMode;
        case Group::WindowList:
        case Group::Always:
        case Group::Revert:
            return true;
        }
        return false;
    }

    // An offered item with nothing to do: the mode shown, Find with its field at the keyboard,
    // the window in front, the welcome window over it.
    bool hasNothingToDo(const StateRow& row, const MenuItem& item) const
    {
        if (item.action == menus().modeAction(row.mode))
            return true;
        if (item.action == menus().findAction())
            return row.state == WindowState::MapSearching;
        if (item.action == menus().welcomeAction() || item.group == Group::WindowList)
            return (item.group == Group::WindowList) != (row.state == WindowState::BehindWelcome);
        return false;
    }

    QString sermonText() const
    {
        const SermonDocument& sermon = m_document->document();
        return MarkdownCodec::serializeDocument(sermon.root(), sermon.metadata());
    }

    Seen seen() const
    {
        Seen s;
        QWidget* focus = QApplication::focusWidget();
        const SermonNodePtr root = m_document->document().root();
        if (TextFieldKeyGuard::isTextField(focus)) {
            s.front = fieldText(focus);
            s.selected = fieldSelection(focus);
            s.isAllSelected = !s.front.isEmpty() && s.selected == s.front;
        } else {
            s.front = sermonText();
            const DocumentController* front = nullptr;
            for (QWidget* w = focus; w && !front; w = w->parentWidget()) {
                if (auto* map = qobject_cast<MindMapCanvas*>(w))
                    front = &map->controller();
                else if (auto* columns = qobject_cast<ColumnCanvas*>(w))
                    front = &columns->controller();
            }
            if (front) {
                QStringList texts;
                for (const QUuid& id : front->effectiveSelection())
                    texts.append(root->findNode(id) ? root->findNode(id)->text() : QString());
                texts.sort();
                s.selected = texts.join(u'\n');
                s.isAllSelected = texts.size() == qsizetype(root->allNodes().size());
            }
        }
        s.clipboard = m_clipboard.text().value_or(QString()) + u'\n' + QApplication::clipboard()->text();
        s.rest << sermonText() << rawValue(view().mode()) << QString::number(view().scale())
               << QString::number(view().isFocusMode()) << QString::number(view().fileSettingsSheet() != nullptr)
               << QString::number(m_updater.checks);
        for (const MindMapCanvas* canvas : view().mindMapCanvases()) {
            const DocumentController& c = canvas->controller();
            s.rest << QString::number(c.effectiveSelection().size()) << QString::number(c.isSearching())
                   << QString::number(c.editingNodeID().has_value());
        }
        for (const QWidget* window : { m_supervisor->welcomeWindow(), m_supervisor->newSermonWindow(),
                 m_supervisor->aboutWindow(), QApplication::activeWindow() })
            s.rest << (window && window->isVisible() ? window->windowTitle() : QString());
        return s;
    }

    // What Cut, Copy, Paste and Select All must have done to what is in front.
    static void expectTextItemDone(NodeCommand command, const Seen& before, const Seen& after)
    {
        ASSERT_FALSE(before.selected.isEmpty());
        ASSERT_FALSE(before.clipboard.contains(before.selected));
        const QString paste = QString::fromLatin1(pasted);
        switch (command) {
        case NodeCommand::Cut:
            EXPECT_NE(after.front, before.front);
            [[fallthrough]];
        case NodeCommand::Copy:
            EXPECT_TRUE(after.clipboard.contains(before.selected)) << after.clipboard.toStdString();
            break;
        case NodeCommand::Paste:
            EXPECT_GT(after.front.count(paste), before.front.count(paste));
            break;
        default:
            EXPECT_TRUE(after.isAllSelected);
            break;
        }
    }

    // Chooses the item, or presses its key where the keyboard is; then checks what it did.
    void use(const StateRow& row, size_t index, bool byKey)
    {
        rearrange(row);
        if (HasFatalFailure())
            return;
        // The window's items: a window opened anew has its own.
        const MenuItem item = items()[index];
        const bool isNothingToDo = hasNothingToDo(row, item);
        const Seen before = seen();
        static_cast<test::ScriptedDialogs&>(m_manager.dialogs()).revertChoice = true;
        m_sentKeys.begin(byKey ? 1 : 0);
        if (byKey) {
            const QKeyCombination key = item.action->shortcut()[0];
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        } else {
            item.action->trigger();
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(m_sentKeys.count, 0) << "a key was sent";
        if (!isOffered(row, item.group))
            return;
        // Zooming and focus mode settle over a few frames.
        (void)QTest::qWaitFor([&] { return seen() != before; }, isNothingToDo ? 0 : 1000);
        const Seen after = seen();
        if (isNothingToDo) {
            EXPECT_TRUE(after == before) << "did something";
            return;
        }
        EXPECT_FALSE(after == before) << "did nothing";
        if (item.group == Group::Clipboard || item.group == Group::SelectAll)
            expectTextItemDone(item.command, before, after);
    }

    test::FakeClipboard m_clipboard;
    std::unique_ptr<WindowSupervisor> m_supervisor;
    SentKeys m_sentKeys;
    Seen m_arranged;
};

TEST_P(MenuMatrixTest, EveryItemIsOfferedAsTheStateAllowsAndDoesWhatItSays)
{
    const StateRow& row = GetParam();
    arrange(row.state);
    ASSERT_FALSE(HasFatalFailure());
    for (AppMode mode : allAppModes)
        EXPECT_EQ(menus().modeAction(mode)->isChecked(), view().modeButton(mode)->isChecked());
    const size_t count = items().size();
    for (size_t i = 0; i < count; ++i) {
        rearrange(row);
        ASSERT_FALSE(HasFatalFailure());
        const MenuItem item = items()[i];
        SCOPED_TRACE(item.action->text().toStdString());
        EXPECT_EQ(item.action->isEnabled(), isOffered(row, item.group));
        const bool hasKey = !item.action->shortcut().isEmpty();
        if (item.action->isEnabled())
            use(row, i, false);
        // With another window in front, the keys are that window's.
        if (hasKey && row.state != WindowState::BehindWelcome)
            use(row, i, true);
        if (HasFatalFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(
    WindowStates, MenuMatrixTest, ::testing::ValuesIn(stateRows()), [](const ::testing::TestParamInfo<StateRow>& info) {
        std::string name;
        for (const char c : std::string(info.param.name))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

} // namespace
