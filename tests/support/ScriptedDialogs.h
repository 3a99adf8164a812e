#pragma once

#include "platform/DocumentDialogs.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kestrion::test {

// Answers from a script; records what was asked.
class ScriptedDialogs final : public DocumentDialogs {
public:
    QStringList chooseFilesToOpen(QWidget* parent, const QString&) override
    {
        lastParent = parent;
        return filesToOpen;
    }

    std::optional<QString> chooseSavePath(QWidget* parent, const QString& suggestedPath) override
    {
        lastParent = parent;
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
        if (whileAsking)
            whileAsking();
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
        if (whileAsking)
            whileAsking();
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
        if (whileAsking)
            whileAsking();
        revertQuestions.append(displayName);
        return std::exchange(revertChoice, false);
    }

    void showError(QWidget* parent, const QString& message) override
    {
        lastParent = parent;
        if (whileAsking)
            whileAsking();
        errors.append(message);
    }

    struct Conflict {
        QString path;
        DiskChange change;
        bool isClosing;
    };

    QStringList filesToOpen;
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
    // The window the last question or message was shown over.
    QPointer<QWidget> lastParent;
    // Runs while a question or message waits for the user.
    std::function<void()> whileAsking;
};

} // namespace kestrion::test
