#include "app/CheckForUpdatesViewModel.h"

#include <QMessageBox>

#include <gtest/gtest.h>

using namespace kestrion;
using Outcome = UpdateCheckResult::Outcome;

namespace {

class SwitchableUpdater final : public Updater {
public:
    bool canCheckForUpdates() const override { return canCheck; }
    void checkForUpdates() override { }
    bool canCheck = true;
};

TEST(CheckForUpdatesViewModelTest, FollowsTheUpdaterFromTheStart)
{
    SwitchableUpdater updater;
    CheckForUpdatesViewModel model(&updater);
    EXPECT_TRUE(model.canCheckForUpdates());
    updater.canCheck = false;
    Q_EMIT updater.canCheckForUpdatesChanged(false);
    EXPECT_FALSE(model.canCheckForUpdates());
    EXPECT_FALSE(CheckForUpdatesViewModel(nullptr).canCheckForUpdates());
}

TEST(CheckForUpdatesViewModelTest, AFailedCheckIsNeverReportedAsUpToDate)
{
    SwitchableUpdater updater;
    CheckForUpdatesViewModel model(&updater);
    struct Case {
        UpdateCheckResult result;
        QString title;
        QString text;
    };
    const std::vector<Case> cases {
        { { Outcome::UpdateAvailable, QStringLiteral("1.0"), QStringLiteral("1.1"), {}, {} },
            QStringLiteral("A new version of Kestrion is available"),
            QStringLiteral("Kestrion 1.1 is available; you have 1.0.") },
        { { Outcome::UpToDate, QStringLiteral("1.0"), QStringLiteral("1.0"), {}, {} },
            QStringLiteral("You\u2019re up to date"), QStringLiteral("Kestrion 1.0 is the newest version available.") },
        { { Outcome::CouldNotCheck, QStringLiteral("1.0"), {}, {}, QStringLiteral("Host not found") },
            QStringLiteral("Kestrion could not check for updates"),
            QStringLiteral("Host not found\nTry again later.") },
    };
    for (const Case& c : cases) {
        Q_EMIT updater.checkFinished(c.result);
        auto* box = qobject_cast<QMessageBox*>(model.lastMessage());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), c.title);
        EXPECT_EQ(box->text(), c.text);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->close();
    }
}

} // namespace
