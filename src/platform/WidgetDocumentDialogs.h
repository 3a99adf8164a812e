#pragma once

#include "platform/DocumentDialogs.h"

namespace kestrion {

// The document machinery's questions as the user sees them: file dialogs and message boxes.
class WidgetDocumentDialogs final : public DocumentDialogs {
public:
    QStringList chooseFilesToOpen(QWidget* parent, const QString& folder) override;
    std::optional<QString> chooseSavePath(QWidget* parent, const QString& suggestedPath) override;
    SaveChoice askToSaveChanges(QWidget* parent, const QString& displayName, const QString& reason) override;
    ConflictChoice askAboutDiskChange(QWidget* parent, const QString& path, DiskChange change, bool isClosing) override;
    bool askToRevert(QWidget* parent, const QString& displayName) override;
    void showError(QWidget* parent, const QString& message) override;
    bool offerSaveAs(QWidget* parent, const QString& message) override;
};

} // namespace kestrion
