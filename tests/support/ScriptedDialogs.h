#pragma once

#include "platform/DocumentDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace kestrion::test {

// Answers from a script; records what was asked.
class ScriptedDialogs final : public DocumentDialogs {
public:
    QStringList chooseFilesToOpen(QWidget*, const QString&) override { return filesToOpen; }

    std::optional<QString> chooseSavePath(QWidget*, const QString& suggestedPath) override
    {
        suggestedPaths.append(suggestedPath);
        if (savePaths.empty())
            return std::nullopt;
        std::optional<QString> path = savePaths.front();
        savePaths.pop_front();
        return path;
    }

    SaveChoice askToSaveChanges(QWidget*, const QString& displayName, const QString&) override
    {
        if (whileAsking)
            whileAsking();
        saveQuestions.append(displayName);
        if (saveChoices.empty())
            return SaveChoice::Cancel;
        const SaveChoice choice = saveChoices.front();
        saveChoices.pop_front();
        return choice;
    }

    ConflictChoice askAboutDiskChange(QWidget*, const QString& path, DiskChange change, bool isClosing) override
    {
        if (whileAsking)
            whileAsking();
        conflicts.push_back({ path, change, isClosing });
        if (conflictChoices.empty())
            return ConflictChoice::Cancel;
        const ConflictChoice choice = conflictChoices.front();
        conflictChoices.pop_front();
        return choice;
    }

    void showError(QWidget*, const QString& message) override
    {
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
    QStringList suggestedPaths;
    QStringList saveQuestions;
    std::vector<Conflict> conflicts;
    QStringList errors;
    // Runs while a question or message waits for the user.
    std::function<void()> whileAsking;
};

} // namespace kestrion::test
