#include "platform/WidgetDocumentDialogs.h"

#include "platform/DocumentManagerFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
            { "failed save",
                [](WidgetDocumentDialogs& dialogs, QWidget* parent) {
                    return QString::number(dialogs.offerSaveAs(parent, QStringLiteral("Could not")));
                },
                QStringLiteral("0"), clickButton(QStringLiteral("Save As…")), QStringLiteral("1") },
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

// The manager with the dialogs the user sees, over windows on screen.
class WidgetDialogsOverDocumentsTest : public kestrion::test::DocumentManagerTest {
protected:
    void SetUp() override
    {
        DocumentManagerTest::SetUp();
        makeManager(std::make_unique<WidgetDocumentDialogs>());
        m_manager->setShowsWindows(true);
    }

    // Runs command, answering the dialogs it puts up in turn from inside their loops; says
    // how many were answered.
    static size_t answerInTurn(const std::function<void()>& command, const std::vector<Choice>& answers)
    {
        size_t answered = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (answered == answers.size()) {
                ADD_FAILURE() << "unexpected dialog " << dialog->windowTitle().toStdString();
                dialog->reject();
                return;
            }
            answers[answered++](*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "still open after its answer: " << dialog->windowTitle().toStdString();
                dialog->reject();
            }
        });
        poll.start(5);
        command();
        return answered;
    }

    std::string sermonFiles() const
    {
        return QDir(m_folder.path()).entryList({ QStringLiteral("*.md") }, QDir::Files).join(u'|').toStdString();
    }
};

void pressEscape(QDialog& dialog)
{
    QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
}

void clickCancel(QDialog& dialog)
{
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QAbstractButton* cancel = buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
}

} // namespace

TEST_F(WidgetDialogsOverDocumentsTest, ACancelledFileDialogChoosesNothingAndLeavesTheWindowAsItWas)
{
    // Opened from here, so that the dialogs start in this folder.
    ASSERT_NE(m_manager->open(writeFile(QStringLiteral("hope.md"), "# Hope\n")), nullptr);
    const QString other = writeFile(QStringLiteral("other.md"), "# Other\n");
    const struct {
        const char* name;
        std::function<bool(DocumentManager& manager, OpenDocument& document)> command;
        std::vector<Choice> answers;
    } cases[] {
        { "save as", [](DocumentManager& manager, OpenDocument& document) { return manager.saveAs(document); },
            { pressEscape } },
        { "close, save", [](DocumentManager& manager, OpenDocument& document) { return manager.close(document); },
            { clickButton(QStringLiteral("Save…")), clickCancel } },
        { "open", [](DocumentManager& manager, OpenDocument& document) { return manager.showOpenDialog(document); },
            { [other](QDialog& dialog) {
                // A file picked, then the dialog cancelled all the same.
                static_cast<QFileDialog&>(dialog).selectFile(other);
                pressEscape(dialog);
            } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenDocument* document = m_manager->newDocument();
        ASSERT_NE(document, nullptr);
        // A name of its own, which Save As proposes.
        edit(*document, QString::fromLatin1(c.name));
        const QByteArray text = contentsOf(*document);
        const std::vector<OpenDocument*> documents = m_manager->documents();
        const std::string files = sermonFiles();
        const QPointer<OpenDocument> guard(document);
        const QPointer<DocumentWindow> window(document->window());

        bool isDone = true;
        EXPECT_EQ(answerInTurn([&] { isDone = c.command(*m_manager, *document); }, c.answers), c.answers.size());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_FALSE(isDone);
        EXPECT_EQ(m_manager->documents(), documents);
        EXPECT_EQ(sermonFiles(), files);
        ASSERT_FALSE(guard.isNull());
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(document->isUntitled());
        EXPECT_EQ(contentsOf(*document), text);
        EXPECT_TRUE(document->isModified());
    }
}

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
