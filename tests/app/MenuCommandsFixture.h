#pragma once

#include "app/CheckForUpdatesViewModel.h"
#include "app/ContentView.h"
#include "app/EditMenuCommands.h"
#include "app/MenuCommands.h"
#include "app/SermonWindow.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/DocumentManager.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/TextFieldKeyGuard.h"
#include "platform/Updater.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace kestrion::test {

class FakeUpdater final : public Updater {
public:
    bool canCheckForUpdates() const override { return m_canCheck; }
    void checkForUpdates() override { ++checks; }
    void setCanCheck(bool canCheck)
    {
        m_canCheck = canCheck;
        Q_EMIT canCheckForUpdatesChanged(canCheck);
    }
    int checks = 0;

private:
    bool m_canCheck = true;
};

// A sermon open in its window with the application's menus, the map at the keyboard:
//   Title
//     A: A1, (red marker) A2, A3
//     B: "First sentence. Second sentence", a quote
class MenuCommandsTest : public ::testing::Test {
protected:
    MenuCommandsTest()
        : m_preferences(
            std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat))
        , m_settings(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , m_manager(m_settings, std::make_unique<test::ScriptedDialogs>())
        , m_updates(&m_updater)
    {
        TextFieldKeyGuard::install();
        m_manager.setRecoveryFolder(m_folder.filePath(QStringLiteral("recovery")));
        m_manager.setWindowFactory(
            [this](OpenDocument& document) { return new SermonWindow(document, m_preferences, &m_updates); });
        openSermon();
    }

    // Opens the sermon afresh, in a file of its own, its window in front with the map at the
    // keyboard.
    void openSermon()
    {
        QFile file(m_folder.filePath(QStringLiteral("sermon-%1.md").arg(++m_opened)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "# Title\n\n## A\n\nA1\n\U0001F534 A2\nA3\n\n## B\n\nFirst sentence. Second sentence\n\n> A quote\n");
        file.close();
        m_document = m_manager.open(file.fileName());
        m_window = qobject_cast<SermonWindow*>(m_document->window());
        m_window->show();
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window));
        m_canvas = m_window->contentView()->mindMapCanvas();
        m_canvas->setCanvasFocused(true);
        QCoreApplication::processEvents();
    }

    ~MenuCommandsTest() override
    {
        m_manager.closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MenuCommands& menus() const { return m_window->menus(); }

    QUuid node(const QString& text) const
    {
        std::vector<SermonNodePtr> pending { m_document->document().root() };
        while (!pending.empty()) {
            const SermonNodePtr n = pending.back();
            pending.pop_back();
            if (n->text() == text)
                return n->id();
            pending.insert(pending.end(), n->children().begin(), n->children().end());
        }
        ADD_FAILURE() << "no node " << text.toStdString();
        return {};
    }

    void select(const QStringList& texts)
    {
        QSet<QUuid> ids;
        for (const QString& text : texts)
            ids.insert(node(text));
        m_canvas->controller().setSelection(ids, node(texts.front()), std::nullopt);
    }

    std::set<NodeCommand> enabledNodeItems() const
    {
        std::set<NodeCommand> enabled;
        for (int c = 0; c <= int(NodeCommand::RemoveMarker); ++c) {
            if (QAction* action = menus().edit().action(NodeCommand(c)); action && action->isEnabled())
                enabled.insert(NodeCommand(c));
        }
        if (menus().edit().markMenu()->menuAction()->isEnabled())
            enabled.insert(NodeCommand::SetMarker);
        return enabled;
    }

    QTemporaryDir m_folder;
    Preferences m_preferences;
    QSettings m_settings;
    DocumentManager m_manager;
    FakeUpdater m_updater;
    CheckForUpdatesViewModel m_updates;
    OpenDocument* m_document = nullptr;
    SermonWindow* m_window = nullptr;
    MindMapCanvas* m_canvas = nullptr;
    int m_opened = 0;
};

} // namespace kestrion::test
