#pragma once

#include "platform/DocumentDialogs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kestrion::test {

// Answers from a script; records what was asked. While it "waits", the event loop turns, as
// it does behind a dialog on screen: deferred deletes and queued calls run then.
class ScriptedDialogs final : public DocumentDialogs {
public:
    QStringList chooseFilesToOpen(QWidget* parent, const QString& folder) override
    {
        lastParent = parent;
        wait();
        openDialogs += 1;
        openFolders.append(folder);
        return filesToOpen;
    }

    std::optional<QString> chooseSavePath(QWidget* parent, const QString& suggestedPath) override
    {
        lastParent = parent;
        wait();
        suggestedPaths.append(suggestedPath);
        if (savePaths.empty())
            return std::nullopt;
        std::optional<QString> path = savePaths.front();
        savePaths.pop_front();
        return path;
    }

    SaveChoice askToSaveChanges(QWidget* parent, const QString& displayName, const QString&) override
    {
        lastParent = parent;
        wait();
        saveQuestions.append(displayName);
        if (saveChoices.empty())
            return SaveChoice::Cancel;
        const SaveChoice choice = saveChoices.front();
        saveChoices.pop_front();
        return choice;
    }

    ConflictChoice askAboutDiskChange(QWidget* parent, const QString& path, DiskChange change, bool isClosing) override
    {
        lastParent = parent;
        wait();
        conflicts.push_back({ path, change, isClosing });
        if (conflictChoices.empty())
            return ConflictChoice::Cancel;
        const ConflictChoice choice = conflictChoices.front();
        conflictChoices.pop_front();
        return choice;
    }

    bool askToRevert(QWidget* parent, const QString& displayName) override
    {
        lastParent = parent;
        wait();
        revertQuestions.append(displayName);
        return std::exchange(revertChoice, false);
    }

    void showError(QWidget* parent, const QString& message) override
    {
        lastParent = parent;
        wait();
        errors.append(message);
    }

    // Recorded with the errors; answered from the script, else OK.
    bool offerSaveAs(QWidget* parent, const QString& message) override
    {
        showError(parent, message);
        ++saveAsOffers;
        if (saveAsAnswers.empty())
            return false;
        const bool choice = saveAsAnswers.front();
        saveAsAnswers.pop_front();
        return choice;
    }

    struct Conflict {
        QString path;
        DiskChange change;
        bool isClosing;
    };

    QStringList filesToOpen;
    int openDialogs = 0;
    QStringList openFolders;
    std::deque<std::optional<QString>> savePaths;
    std::deque<SaveChoice> saveChoices;
    std::deque<ConflictChoice> conflictChoices;
    // The answer to the next revert question only; then Cancel.
    bool revertChoice = false;
    QStringList suggestedPaths;
    QStringList saveQuestions;
    QStringList revertQuestions;
    std::vector<Conflict> conflicts;
    QStringList errors;
    // How many of the errors offered Save As, and the answers to give: true for Save As.
    int saveAsOffers = 0;
    std::deque<bool> saveAsAnswers;
    // The window the last question or message was shown over.
    QPointer<QWidget> lastParent;
    // Runs while a question or message waits for the user.
    std::function<void()> whileAsking;

private:
    void wait()
    {
        QEventLoop loop;
        // What the user does meanwhile arrives as an event, and what it leaves for later runs
        // before the answer, as behind a dialog on screen.
        QTimer::singleShot(0, &loop, [this, &loop] {
            if (whileAsking)
                whileAsking();
            QCoreApplication::sendPostedEvents();
            loop.quit();
        });
        loop.exec();
    }
};

} // namespace kestrion::test
