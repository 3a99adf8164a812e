#pragma once

#include "app/SermonWindow.h"
#include "platform/DocumentManagerFixture.h"
#include "platform/Preferences.h"

#include <QTest>

#include <memory>

namespace kestrion::test {

// A shown sermon window over a small sermon file in the test's own folder:
//
//   Grace
//     Opening story
class SermonWindowTest : public DocumentManagerTest {
protected:
    void SetUp() override
    {
        DocumentManagerTest::SetUp();
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(path(QStringLiteral("prefs.ini")), QSettings::IniFormat));
        m_manager->setWindowFactory(
            [this](OpenDocument& document) { return new SermonWindow(document, *preferences); });
        file = writeFile(QStringLiteral("grace.md"), sermonFile());
        document = m_manager->open(file);
        ASSERT_NE(document, nullptr);
        window = qobject_cast<SermonWindow*>(document->window());
        ASSERT_NE(window, nullptr);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    // What the sermon file holds when the window opens it.
    virtual QByteArray sermonFile() const { return "# Grace\n\nOpening story\n"; }

    std::unique_ptr<Preferences> preferences;
    QString file;
    OpenDocument* document = nullptr;
    SermonWindow* window = nullptr;
};

} // namespace kestrion::test
