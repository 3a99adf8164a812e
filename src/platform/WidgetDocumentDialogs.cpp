#include "platform/WidgetDocumentDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

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

} // namespace

QStringList WidgetDocumentDialogs::chooseFilesToOpen(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileNames(
        parent, tr("Open Sermon"), folder, sermonFilter() + QStringLiteral(";;") + allFilesFilter());
}

std::optional<QString> WidgetDocumentDialogs::chooseSavePath(QWidget* parent, const QString& suggestedPath)
{
    QFileDialog dialog(parent, tr("Save Sermon"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({ sermonFilter(), allFilesFilter() });
    dialog.setDefaultSuffix(QStringLiteral("md"));
    const QFileInfo suggested(suggestedPath);
    dialog.setDirectory(suggested.absolutePath());
    dialog.selectFile(suggested.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

DocumentDialogs::SaveChoice WidgetDocumentDialogs::askToSaveChanges(
    QWidget* parent, const QString& displayName, const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, tr("Save Changes"),
        tr("Do you want to save the changes you made to “%1”?").arg(displayName),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(reason);
    box.button(QMessageBox::Discard)->setText(tr("Don't Save"));
    box.button(QMessageBox::Save)->setText(tr("Save…"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
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
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(tr("File Changed on Disk"));
    if (change == DiskChange::Modified) {
        box.setText(tr("“%1” was changed by another program since Kestrion last opened or saved it.").arg(name));
        box.setInformativeText(tr("Saving here replaces that version with the one in this window."));
    } else {
        box.setText(tr("“%1” was moved or deleted by another program.").arg(name));
        box.setInformativeText(tr("Saving here writes the version in this window back to that place."));
    }
    const bool offersReload = change == DiskChange::Modified && !isClosing;
    if (offersReload)
        box.setInformativeText(tr("Saving here replaces that version with the one in this window. Reloading shows "
                                  "that version here instead; Undo brings yours back."));
    QPushButton* overwrite
        = box.addButton(change == DiskChange::Modified ? tr("Replace") : tr("Save Here"), QMessageBox::AcceptRole);
    QPushButton* saveAs = box.addButton(tr("Save As…"), QMessageBox::ActionRole);
    QPushButton* reload = offersReload ? box.addButton(tr("Reload"), QMessageBox::ActionRole) : nullptr;
    QPushButton* dontSave = isClosing ? box.addButton(tr("Don't Save"), QMessageBox::DestructiveRole) : nullptr;
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(saveAs);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == overwrite)
        return ConflictChoice::Overwrite;
    if (box.clickedButton() == saveAs)
        return ConflictChoice::SaveAs;
    if (reload && box.clickedButton() == reload)
        return ConflictChoice::Reload;
    if (dontSave && box.clickedButton() == dontSave)
        return ConflictChoice::DontSave;
    return ConflictChoice::Cancel;
}

bool WidgetDocumentDialogs::askToRevert(QWidget* parent, const QString& displayName)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(tr("Revert to Opened Version"));
    box.setText(tr("Do you want to put back “%1” as it was when you opened it?").arg(displayName));
    box.setInformativeText(tr("The text and details of this window go back to that version. Undo brings your "
                              "current version back."));
    QPushButton* revert = box.addButton(tr("Revert"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(revert);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == revert;
}

void WidgetDocumentDialogs::showError(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), message, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace kestrion
