#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace kestrion {

// Every question and message of the document machinery goes through this, so that tests run
// headless and a dialog never blocks them.
class DocumentDialogs {
public:
    enum class SaveChoice {
        Save,
        DontSave,
        Cancel,
    };

    enum class DiskChange {
        Modified, // someone else wrote the file since it was read or saved here
        Removed, // the file is gone or was moved away
    };

    enum class ConflictChoice {
        Overwrite,
        SaveAs,
        // Take the file's text into the window instead; offered only for a file that was
        // changed, not removed, and while the document stays open.
        Reload,
        DontSave, // offered only while the document closes
        Cancel,
    };

    virtual ~DocumentDialogs() = default;

    // Files to open; empty when cancelled.
    virtual QStringList chooseFilesToOpen(QWidget* parent, const QString& folder) = 0;
    // Where to save; none when cancelled.
    virtual std::optional<QString> chooseSavePath(QWidget* parent, const QString& suggestedPath) = 0;
    // Closing a document whose changes are kept nowhere else. reason says why it is asked.
    virtual SaveChoice askToSaveChanges(QWidget* parent, const QString& displayName, const QString& reason) = 0;
    // The file changed on disk behind our back; saving now would overwrite that. While the
    // document closes, DontSave is offered too, otherwise Reload when the file is still there.
    virtual ConflictChoice askAboutDiskChange(QWidget* parent, const QString& path, DiskChange change, bool isClosing)
        = 0;
    // Whether to put back the text the window opened, in place of what it holds now: true for
    // Revert, false for Cancel.
    virtual bool askToRevert(QWidget* parent, const QString& displayName) = 0;
    virtual void showError(QWidget* parent, const QString& message) = 0;
    // A save that failed, with Save As offered as the way on: true when the user chose it.
    virtual bool offerSaveAs(QWidget* parent, const QString& message)
    {
        showError(parent, message);
        return false;
    }

protected:
    DocumentDialogs() = default;
    DocumentDialogs(const DocumentDialogs&) = default;
    DocumentDialogs& operator=(const DocumentDialogs&) = default;
};

} // namespace kestrion
