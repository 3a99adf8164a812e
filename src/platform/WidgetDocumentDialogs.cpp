#include "platform/WidgetDocumentDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <utility>

namespace kestrion {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("kestrion::WidgetDocumentDialogs", text);
}

QString sermonFilter()
{
    return tr("Sermons (*.md *.markdown)");
}

QString allFilesFilter()
{
    return tr("All Files (*)");
}

// A dialog is its parent window's child, and the loop of exec() runs deferred deletes: should
// the window go meanwhile, it takes the dialog along, which on the stack would be freed twice.
// Made on the heap and held weakly, it goes with the window, and exec() answers as Cancel.
template <typename Dialog> class ModalDialog {
public:
    template <typename... Arguments>
    explicit ModalDialog(Arguments&&... arguments)
        : m_dialog(new Dialog(std::forward<Arguments>(arguments)...))
    {
    }
    ~ModalDialog() { delete m_dialog.data(); }
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    Dialog* operator->() const { return m_dialog.data(); }
    // None when the dialog went with its window before it was answered.
    std::optional<int> exec()
    {
        const int result = m_dialog->exec();
        return m_dialog ? std::optional<int>(result) : std::nullopt;
    }

private:
    QPointer<Dialog> m_dialog;
};

} // namespace

QStringList WidgetDocumentDialogs::chooseFilesToOpen(QWidget* parent, const QString& folder)
{
    ModalDialog<QFileDialog> dialog(parent, tr("Open Sermon"), folder);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters({ sermonFilter(), allFilesFilter() });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog->selectedFiles();
}

std::optional<QString> WidgetDocumentDialogs::chooseSavePath(QWidget* parent, const QString& suggestedPath)
{
    ModalDialog<QFileDialog> dialog(parent, tr("Save Sermon"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({ sermonFilter(), allFilesFilter() });
    dialog->setDefaultSuffix(QStringLiteral("md"));
    const QFileInfo suggested(suggestedPath);
    dialog->setDirectory(suggested.absolutePath());
    dialog->selectFile(suggested.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst();
}

DocumentDialogs::SaveChoice WidgetDocumentDialogs::askToSaveChanges(
    QWidget* parent, const QString& displayName, const QString& reason)
{
    ModalDialog<QMessageBox> box(QMessageBox::Warning, tr("Save Changes"),
        tr("Do you want to save the changes you made to “%1”?").arg(displayName),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box->setInformativeText(reason);
    box->button(QMessageBox::Discard)->setText(tr("Don't Save"));
    box->button(QMessageBox::Save)->setText(tr("Save…"));
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    switch (box.exec().value_or(QMessageBox::Cancel)) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::DontSave;
    default:
        return SaveChoice::Cancel;
    }
}

DocumentDialogs::ConflictChoice WidgetDocumentDialogs::askAboutDiskChange(
    QWidget* parent, const QString& path, DiskChange change, bool isClosing)
{
    const QString name = QDir::toNativeSeparators(path);
    ModalDialog<QMessageBox> box(parent);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(tr("File Changed on Disk"));
    if (change == DiskChange::Modified) {
        box->setText(tr("“%1” was changed by another program since Kestrion last opened or saved it.").arg(name));
        box->setInformativeText(tr("Saving here replaces that version with the one in this window."));
    } else {
        box->setText(tr("“%1” was moved or deleted by another program.").arg(name));
        box->setInformativeText(tr("Saving here writes the version in this window back to that place."));
    }
    const bool offersReload = change == DiskChange::Modified && !isClosing;
    if (offersReload)
        box->setInformativeText(tr("Saving here replaces that version with the one in this window. Reloading shows "
                                   "that version here instead; Undo brings yours back."));
    QPushButton* overwrite
        = box->addButton(change == DiskChange::Modified ? tr("Replace") : tr("Save Here"), QMessageBox::AcceptRole);
    QPushButton* saveAs = box->addButton(tr("Save As…"), QMessageBox::ActionRole);
    QPushButton* reload = offersReload ? box->addButton(tr("Reload"), QMessageBox::ActionRole) : nullptr;
    QPushButton* dontSave = isClosing ? box->addButton(tr("Don't Save"), QMessageBox::DestructiveRole) : nullptr;
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(saveAs);
    box->setEscapeButton(cancel);
    if (!box.exec())
        return ConflictChoice::Cancel;
    const QAbstractButton* clicked = box->clickedButton();
    if (clicked == overwrite)
        return ConflictChoice::Overwrite;
    if (clicked == saveAs)
        return ConflictChoice::SaveAs;
    if (reload && clicked == reload)
        return ConflictChoice::Reload;
    if (dontSave && clicked == dontSave)
        return ConflictChoice::DontSave;
    return ConflictChoice::Cancel;
}

bool WidgetDocumentDialogs::askToRevert(QWidget* parent, const QString& displayName)
{
    ModalDialog<QMessageBox> box(parent);
    box->setIcon(QMessageBox::Question);
    box->setWindowTitle(tr("Revert to Opened Version"));
    box->setText(tr("Do you want to put back “%1” as it was when you opened it?").arg(displayName));
    box->setInformativeText(tr("The text and details of this window go back to that version. Undo brings your "
                               "current version back."));
    QPushButton* revert = box->addButton(tr("Revert"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(revert);
    box->setEscapeButton(cancel);
    return box.exec() && box->clickedButton() == revert;
}

void WidgetDocumentDialogs::showError(QWidget* parent, const QString& message)
{
    ModalDialog<QMessageBox> box(
        QMessageBox::Warning, QCoreApplication::applicationName(), message, QMessageBox::Ok, parent);
    box.exec();
}

bool WidgetDocumentDialogs::offerSaveAs(QWidget* parent, const QString& message)
{
    ModalDialog<QMessageBox> box(
        QMessageBox::Warning, QCoreApplication::applicationName(), message, QMessageBox::Ok, parent);
    box->setInformativeText(tr("Save As saves it under another name or in another place."));
    QPushButton* saveAs = box->addButton(tr("Save As…"), QMessageBox::ActionRole);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box.exec() && box->clickedButton() == saveAs;
}

} // namespace kestrion
