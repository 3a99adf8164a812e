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
    QPushButton* overwrite
        = box.addButton(change == DiskChange::Modified ? tr("Replace") : tr("Save Here"), QMessageBox::AcceptRole);
    QPushButton* saveAs = box.addButton(tr("Save As…"), QMessageBox::ActionRole);
    QPushButton* dontSave = isClosing ? box.addButton(tr("Don't Save"), QMessageBox::DestructiveRole) : nullptr;
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(saveAs);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == overwrite)
        return ConflictChoice::Overwrite;
    if (box.clickedButton() == saveAs)
        return ConflictChoice::SaveAs;
    if (dontSave && box.clickedButton() == dontSave)
        return ConflictChoice::DontSave;
    return ConflictChoice::Cancel;
}

void WidgetDocumentDialogs::showError(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), message, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace kestrion
