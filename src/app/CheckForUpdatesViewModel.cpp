#include "app/CheckForUpdatesViewModel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace kestrion {

CheckForUpdatesViewModel::CheckForUpdatesViewModel(Updater* updater, QObject* parent)
    : QObject(parent)
    , m_updater(updater)
{
    if (!updater)
        return;
    updater->observeCanCheckForUpdates(this, [this](bool canCheck) { setCanCheckForUpdates(canCheck); });
    connect(updater, &Updater::checkFinished, this, &CheckForUpdatesViewModel::show);
}

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool canCheck)
{
    if (canCheck == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}

void CheckForUpdatesViewModel::checkForUpdates()
{
    if (m_updater)
        m_updater->checkForUpdates();
}

CheckForUpdatesViewModel::Message CheckForUpdatesViewModel::messageFor(const UpdateCheckResult& result)
{
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::UpdateAvailable:
        return { tr("A new version of Kestrion is available"),
            tr("Kestrion %1 is available; you have %2.").arg(result.latestVersion, result.currentVersion) };
    case UpdateCheckResult::Outcome::UpToDate:
        return { tr("You’re up to date"),
            tr("Kestrion %1 is the newest version available.").arg(result.currentVersion) };
    case UpdateCheckResult::Outcome::CouldNotCheck:
        break;
    }
    return { tr("Kestrion could not check for updates"),
        result.reason.isEmpty() ? tr("Try again later.")
                                : result.reason + QStringLiteral("\n") + tr("Try again later.") };
}

void CheckForUpdatesViewModel::show(const UpdateCheckResult& result)
{
    const Message message = messageFor(result);
    const QMessageBox::Icon icon
        = result.outcome == UpdateCheckResult::Outcome::CouldNotCheck ? QMessageBox::Warning : QMessageBox::Information;
    // Not modal: the answer may come while the user works.
    auto* box = new QMessageBox(icon, message.title, message.text, QMessageBox::Ok, QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (result.outcome == UpdateCheckResult::Outcome::UpdateAvailable && result.releaseUrl.isValid()) {
        QPushButton* details = box->addButton(tr("Show Release…"), QMessageBox::ActionRole);
        connect(details, &QPushButton::clicked, box, [url = result.releaseUrl] { QDesktopServices::openUrl(url); });
    }
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_lastMessage = box;
}

} // namespace kestrion
