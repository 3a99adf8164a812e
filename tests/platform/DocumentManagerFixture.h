#pragma once

#include "document/SermonDocument.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/FileWriter.h"
#include "platform/NoticeBar.h"
#include "platform/OpenDocument.h"
#include "platform/UndoManager.h"
#include "support/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// The document manager with scripted answers, timers fired by hand and a folder of its own,
// shared by the tests of saving and of recovery.
namespace kestrion::test {

// Fires only when the test says so, or when the test's clock passes its deadline.
class ManualTimer final : public AutosaveTimer {
public:
    explicit ManualTimer(const std::chrono::milliseconds* clock = nullptr)
        : m_clock(clock)
    {
    }

    void start(std::chrono::milliseconds delay) override
    {
        lastDelay = delay;
        deadline = (m_clock ? *m_clock : std::chrono::milliseconds(0)) + delay;
        active = true;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }

    void fire()
    {
        active = false;
        if (onTimeout)
            onTimeout();
    }

    bool active = false;
    std::chrono::milliseconds lastDelay { -1 };
    std::chrono::milliseconds deadline { 0 };

private:
    const std::chrono::milliseconds* m_clock;
};

// A window whose editor holds words not yet committed to the document.
class TypingWindow : public DocumentWindow {
public:
    using DocumentWindow::DocumentWindow;
    std::optional<QByteArray> contentsWithPendingEdits() const override { return typed; }
    void type(const std::optional<QByteArray>& contents)
    {
        typed = contents;
        Q_EMIT pendingEditsChanged();
    }
    std::optional<QByteArray> typed;
};

inline const QByteArray sermonText
    = "---\nscripture: John 3:16\n---\n\n# Grace\n\nOpening story\n\n## Point one\n\nSub a\n";
inline const QByteArray restoredText = "# Grace\n\nWords typed before the crash\n";

// The text the writer makes of the sermon as the test files hold it.
inline QByteArray written(const QByteArray& contents)
{
    return SermonDocument::fileContents(SermonDocument::readDocument(contents)->snapshot());
}

class DocumentManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_settings
            = std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        makeManager();
    }

    void TearDown() override
    {
        m_manager.reset();
        // Windows and documents go on the next turn of the loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // With no dialogs given, scripted ones, reached through m_dialogs.
    void makeManager(std::unique_ptr<DocumentDialogs> dialogs = nullptr)
    {
        if (!dialogs) {
            auto scripted = std::make_unique<ScriptedDialogs>();
            m_dialogs = scripted.get();
            dialogs = std::move(scripted);
        } else {
            m_dialogs = nullptr;
        }
        m_manager = std::make_unique<DocumentManager>(*m_settings, std::move(dialogs));
        m_manager->setRecoveryFolder(m_folder.filePath(QStringLiteral("recovery")));
        m_manager->setShowsWindows(false);
        m_manager->setClock([this] { return m_now; });
        m_timers.clear();
        m_recoveryTimers.clear();
        // The manager lists a document before it asks for its timers.
        m_manager->setAutosaveTimerFactory([this](AutosaveTimer::Purpose purpose) {
            auto timer = std::make_unique<ManualTimer>(&m_now);
            auto& timers = purpose == AutosaveTimer::Purpose::SaveInPlace ? m_timers : m_recoveryTimers;
            timers[m_manager->documents().back()] = timer.get();
            return timer;
        });
    }

    // Time goes on: every timer whose deadline passes fires then, in the order they are due.
    void advanceClock(std::chrono::milliseconds by)
    {
        const std::chrono::milliseconds end = m_now + by;
        for (;;) {
            ManualTimer* due = nullptr;
            for (auto* timers : { &m_timers, &m_recoveryTimers }) {
                for (const auto& [document, timer] : *timers) {
                    if (timer->active && timer->deadline <= end && (!due || timer->deadline < due->deadline))
                        due = timer;
                }
            }
            if (!due)
                break;
            m_now = std::max(m_now, due->deadline);
            due->fire();
        }
        m_now = std::max(m_now, end);
    }

    // The manager ends as if the process had died: no close path runs.
    void crashManager()
    {
        m_manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        makeManager();
    }

    QString path(const QString& name) const { return m_folder.filePath(name); }

    // Words typed into the file's window are kept in the recovery folder, then the process is
    // killed before they reach the file.
    void crashWhileTyping(const QString& file, const QByteArray& typed)
    {
        m_manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
        OpenDocument* document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        static_cast<TypingWindow*>(document->window())->type(typed);
        timerOf(*document).fire();
        ASSERT_EQ(recoveryFiles().size(), 1);
        crashManager();
    }

    // Writes to that file fail from now on, as a full disk would make them, root or not;
    // every other file is written as usual. What the recovery folder held when the last
    // write failed is kept.
    void failWritesTo(const QString& failing)
    {
        m_manager->setFileWriter([this, failing](const QString& target, const QByteArray& contents, QString* error) {
            if (QFileInfo(target).absoluteFilePath() == QFileInfo(failing).absoluteFilePath()) {
                m_keptWhenWriteFailed = recoveryText();
                *error = QStringLiteral("disk full");
                return false;
            }
            return writeFileAtomically(target, contents, error);
        });
    }

    QString writeFile(const QString& name, const QByteArray& contents)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        return QFileInfo(file).canonicalFilePath();
    }

    static QByteArray readFile(const QString& filePath)
    {
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // One undoable edit, as every canvas makes it.
    static void edit(OpenDocument& document, const QString& title)
    {
        SermonDocument& sermon = document.document();
        sermon.recordUndo(sermon.root()->id(), &document.undoManager());
        sermon.root()->setText(title);
    }

    ManualTimer& timerOf(const OpenDocument& document) const { return *m_timers.at(&document); }
    ManualTimer& recoveryTimerOf(const OpenDocument& document) const { return *m_recoveryTimers.at(&document); }

    QStringList recoveryFiles() const
    {
        return QDir(path(QStringLiteral("recovery"))).entryList({ QStringLiteral("*.md") }, QDir::Files);
    }

    // Copies, their notes, locks: whatever is there.
    QStringList recoveryFolderEntries() const
    {
        return QDir(path(QStringLiteral("recovery"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QByteArray contentsOf(const OpenDocument& document)
    {
        return SermonDocument::fileContents(document.document().snapshot());
    }

    static NoticeBar* restoredNotice(const OpenDocument& document)
    {
        return document.window()->notice(DocumentManager::recoveredChangesNotice);
    }

    // Everything the recovery folder holds, one file after the other.
    QByteArray recoveryText() const
    {
        QByteArray text;
        for (const QString& name : recoveryFiles())
            text += readFile(path(QStringLiteral("recovery/") + name));
        return text;
    }

    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<DocumentManager> m_manager;
    ScriptedDialogs* m_dialogs = nullptr;
    std::map<const OpenDocument*, ManualTimer*> m_timers;
    std::map<const OpenDocument*, ManualTimer*> m_recoveryTimers;
    std::chrono::milliseconds m_now { 1000000 };
    QByteArray m_keptWhenWriteFailed;
};

} // namespace kestrion::test
