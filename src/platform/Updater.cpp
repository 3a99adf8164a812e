#include "platform/Updater.h"

namespace kestrion {

void Updater::observeCanCheckForUpdates(QObject* receiver, std::function<void(bool)> observer)
{
    observer(canCheckForUpdates());
    connect(this, &Updater::canCheckForUpdatesChanged, receiver, std::move(observer));
}

} // namespace kestrion
