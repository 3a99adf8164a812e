#include "platform/WidgetDocumentDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kestrion;

namespace {

using Choice = std::function<void(QDialog& dialog)>;

// Asks over parent and says what came back, as text.
using Ask = std::function<QString(WidgetDocumentDialogs& dialogs, QWidget* parent)>;

struct Case {
    const char* name;
    Ask ask;
    // What it answers when its window goes before the user does.
    QString whenGone;
    // How the user answers, and what that gives.
    Choice choose;
    QString chosen;
};

QString answer(DocumentDialogs::SaveChoice choice)
{
    static const char* const names[] = { "Save", "DontSave", "Cancel" };
    return QString::fromLatin1(names[int(choice)]);
}

QString answer(DocumentDialogs::ConflictChoice choice)
{
    static const char* const names[] = { "Overwrite", "SaveAs", "Reload", "DontSave", "Cancel" };
    return QString::fromLatin1(names[int(choice)]);
}

Choice clickButton(const QString& text)
{
    return [text](QDialog& dialog) {
        for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        dialog.reject();
    };
}

class WidgetDocumentDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_file = m_folder.filePath(QStringLiteral("grace.md"));
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Grace\n");
    }

    // Runs act on the dialog once it is up, from inside its loop.
    QString askAndAct(const Ask& ask, QWidget* parent, const std::function<void(QDialog&)>& act)
    {
        bool wasOver = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            wasOver = dialog->parentWidget() == parent;
            act(*dialog);
        });
        poll.start(5);
        const QString result = ask(m_dialogs, parent);
        EXPECT_TRUE(wasOver);
        return result;
    }

    std::vector<Case> cases() const
    {
        const QString file = m_file;
        const QString saved = m_folder.filePath(QStringLiteral("hope.md"));
        return {
            { "open",
                [folder = m_folder.path()](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return dialogs.chooseFilesToOpen(parent, folder).join(u'|');
                },
                {},
                [file](QDialog& dialog) {
                    static_cast<QFileDialog&>(dialog).selectFile(file);
                    dialog.accept();
                },
                file },
            { "save as",
                [saved](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return dialogs.chooseSavePath(parent, saved).value_or(QStringLiteral("none"));
                },
                QStringLiteral("none"), [](QDialog& dialog) { dialog.accept(); }, saved },
            { "save changes",
                [](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return answer(dialogs.askToSaveChanges(parent, QStringLiteral("Grace"), {}));
                },
                QStringLiteral("Cancel"), clickButton(QStringLiteral("Don't Save")), QStringLiteral("DontSave") },
            { "disk change",
                [file](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return answer(
                        dialogs.askAboutDiskChange(parent, file, DocumentDialogs::DiskChange::Modified, false));
                },
                QStringLiteral("Cancel"), clickButton(QStringLiteral("Reload")), QStringLiteral("Reload") },
            { "revert",
                [](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return QString::number(dialogs.askToRevert(parent, QStringLiteral("Grace")));
                },
                QStringLiteral("0"), clickButton(QStringLiteral("Revert")), QStringLiteral("1") },
            { "error",
                [](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    dialogs.showError(parent, QStringLiteral("Could not"));
                    return QStringLiteral("shown");
                },
                QStringLiteral("shown"), [](QDialog& dialog) { dialog.accept(); }, QStringLiteral("shown") },
        };
    }

    QTemporaryDir m_folder;
    QString m_file;
    WidgetDocumentDialogs m_dialogs;
};

} // namespace

TEST_F(WidgetDocumentDialogsTest, EachDialogGivesTheUsersAnswer)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        QWidget window;
        EXPECT_EQ(askAndAct(c.ask, &window, c.choose), c.chosen);
    }
}

TEST_F(WidgetDocumentDialogsTest, ADialogWhoseWindowGoesWhileItWaitsGoesWithItAndAnswersCancel)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        auto* window = new QWidget;
        QPointer<QDialog> shown;
        EXPECT_EQ(askAndAct(c.ask, window,
                      [&](QDialog& dialog) {
                          shown = &dialog;
                          delete window;
                      }),
            c.whenGone);
        EXPECT_TRUE(shown.isNull());
    }
}
