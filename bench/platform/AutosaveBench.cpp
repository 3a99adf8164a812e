#include "document/SermonDocument.h"
#include "platform/DocumentDialogs.h"
#include "platform/DocumentManager.h"
#include "platform/DocumentWindow.h"
#include "platform/OpenDocument.h"
#include "platform/UndoManager.h"
#include "support/SermonTrees.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>

using namespace kestrion;

namespace {

// A save that asks anything has gone off the path being measured.
class NoDialogs final : public DocumentDialogs {
public:
    QStringList chooseFilesToOpen(QWidget*, const QString&) override { return ask(QStringList()); }
    std::optional<QString> chooseSavePath(QWidget*, const QString&) override { return ask(std::optional<QString>()); }
    SaveChoice askToSaveChanges(QWidget*, const QString&, const QString&) override { return ask(SaveChoice::Cancel); }
    ConflictChoice askAboutDiskChange(QWidget*, const QString&, DiskChange, bool) override
    {
        return ask(ConflictChoice::Cancel);
    }
    bool askToRevert(QWidget*, const QString&) override { return ask(false); }
    void showError(QWidget*, const QString&) override { asked = true; }

    bool asked = false;

private:
    template <typename T> T ask(T answer)
    {
        asked = true;
        return answer;
    }
};

// Never fires: the benchmark runs the autosave itself.
class IdleTimer final : public AutosaveTimer {
public:
    void start(std::chrono::milliseconds) override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

private:
    bool m_active = false;
};

// A window whose editor holds one point's words not yet committed, as a mind map's does.
class TypingWindow final : public DocumentWindow {
public:
    using DocumentWindow::DocumentWindow;

    std::optional<QByteArray> contentsWithPendingEdits() const override
    {
        if (!typingInto)
            return std::nullopt;
        return SermonDocument::fileContents(document().document().snapshot({ { typingInto, typed } }));
    }

    const SermonNode* typingInto = nullptr;
    QString typed;
};

// A sermon open in the document manager as the application holds it, in a folder of its own.
struct OpenSermon {
    explicit OpenSermon(int count, bool titled)
        : settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
    {
        auto noDialogs = std::make_unique<NoDialogs>();
        dialogs = noDialogs.get();
        manager = std::make_unique<DocumentManager>(settings, std::move(noDialogs));
        manager->setRecoveryFolder(folder.filePath(QStringLiteral("recovery")));
        manager->setShowsWindows(false);
        manager->setWindowFactory([](OpenDocument& document) { return new TypingWindow(document); });
        manager->setAutosaveTimerFactory([](AutosaveTimer::Purpose) { return std::make_unique<IdleTimer>(); });
        const QByteArray contents = bench::sermonFile(bench::makeSermonTree(count, 7));
        if (titled) {
            const QString path = folder.filePath(QStringLiteral("sermon.md"));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(contents);
            file.close();
            document = manager->open(path);
        } else {
            document = manager->newDocument(SermonDocument::readDocument(contents));
        }
        // A point near the end of the file, as a preacher adds to the close.
        SermonNodePtr node = document->document().root();
        while (!node->children().empty())
            node = node->children().back();
        edited = node;
    }

    ~OpenSermon()
    {
        manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // One undoable change of wording, as the canvases make it.
    void edit(int round)
    {
        SermonDocument& sermon = document->document();
        sermon.recordUndo(edited->id(), &document->undoManager());
        edited->setText(QStringLiteral("And the sheep follow him, for they know his voice (%1)").arg(round));
    }

    QTemporaryDir folder;
    QSettings settings;
    NoDialogs* dialogs = nullptr;
    std::unique_ptr<DocumentManager> manager;
    OpenDocument* document = nullptr;
    SermonNodePtr edited;
};

// What the GUI thread spends when the autosave timer fires after an edit: a titled sermon is
// written in place (change-on-disk check, write, fsync) and its recovery copy dropped; an
// untitled one is kept in the recovery folder.
void runAutosave(benchmark::State& state, bool titled)
{
    OpenSermon sermon(int(state.range(0)), titled);
    int round = 0;
    for (auto _ : state) {
        sermon.edit(++round);
        const auto start = std::chrono::steady_clock::now();
        sermon.manager->autosave(*sermon.document);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (sermon.dialogs->asked || sermon.document->hasUnsavedChanges() != !titled)
        state.SkipWithError("the autosave did not go as the application's does");
    state.counters["nodes"] = double(state.range(0));
}

void BM_AutosaveTitled(benchmark::State& state)
{
    runAutosave(state, true);
}
BENCHMARK(BM_AutosaveTitled)->Arg(5000)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_AutosaveUntitled(benchmark::State& state)
{
    runAutosave(state, false);
}
BENCHMARK(BM_AutosaveUntitled)->Arg(5000)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond);

// What the recovery timer runs about once a second while a point of a titled sermon is typed
// into without a pause: the file's text with the words in the editor, written to the
// recovery folder (write, fsync, rename). At steady typing this is the cost per second.
void BM_RecoveryCopyWithTypedText(benchmark::State& state)
{
    OpenSermon sermon(int(state.range(0)), true);
    auto* window = static_cast<TypingWindow*>(sermon.document->window());
    window->typingInto = sermon.edited.get();
    window->typed = sermon.edited->text();
    for (auto _ : state) {
        window->typed += QStringLiteral(" word");
        const auto start = std::chrono::steady_clock::now();
        sermon.manager->keepUnsavedText(*sermon.document);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const QStringList copies = QDir(sermon.manager->recoveryFolder()).entryList({ QStringLiteral("*.md") });
    if (sermon.dialogs->asked || copies.size() != 1)
        state.SkipWithError("the recovery copy did not go as the application's does");
    state.counters["nodes"] = double(state.range(0));
}
BENCHMARK(BM_RecoveryCopyWithTypedText)
    ->Arg(5000)
    ->Arg(50000)
    ->Arg(300000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Ctrl+S after an edit.
void BM_SaveAfterEdit(benchmark::State& state)
{
    OpenSermon sermon(int(state.range(0)), true);
    int round = 0;
    for (auto _ : state) {
        sermon.edit(++round);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sermon.manager->save(*sermon.document));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (sermon.dialogs->asked || sermon.document->hasUnsavedChanges())
        state.SkipWithError("the save did not go as the application's does");
    state.counters["nodes"] = double(state.range(0));
}
BENCHMARK(BM_SaveAfterEdit)->Arg(5000)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening a titled sermon: reading, the tree, the window, and keeping the version as opened.
void BM_OpenTitled(benchmark::State& state)
{
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    DocumentManager manager(settings, std::make_unique<NoDialogs>());
    manager.setRecoveryFolder(folder.filePath(QStringLiteral("recovery")));
    manager.setShowsWindows(false);
    manager.setAutosaveTimerFactory([](AutosaveTimer::Purpose) { return std::make_unique<IdleTimer>(); });
    const QString path = folder.filePath(QStringLiteral("sermon.md"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bench::sermonFile(bench::makeSermonTree(int(state.range(0)), 7)));
    file.close();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        OpenDocument* document = manager.open(path);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!document || !manager.close(*document)) {
            state.SkipWithError("the sermon did not open and close");
            break;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["nodes"] = double(state.range(0));
}
BENCHMARK(BM_OpenTitled)->Arg(5000)->Arg(50000)->Arg(300000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening the File menu after an edit: the whole text is compared with the opened version to
// tell whether Revert to Opened Version has something to put back.
void BM_FileMenuComparesWithOpenedVersion(benchmark::State& state)
{
    OpenSermon sermon(int(state.range(0)), true);
    int round = 0;
    for (auto _ : state) {
        sermon.edit(++round);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sermon.document->compareWithOpenedVersion());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["nodes"] = double(state.range(0));
}
BENCHMARK(BM_FileMenuComparesWithOpenedVersion)
    ->Arg(5000)
    ->Arg(50000)
    ->Arg(300000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
