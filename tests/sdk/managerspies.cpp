#include "managerspies.h"

#include <QTest>
#include <QTimer>

ManagerSpies::ManagerSpies(kelp::ConnectionManager& manager)
    : connected(&manager, &kelp::ConnectionManager::allServersConnected),
      loginError(&manager, &kelp::ConnectionManager::loginError),
      timedOut(&manager, &kelp::ConnectionManager::userConnectionTimedOut),
      disconnected(&manager, &kelp::ConnectionManager::allServersDisconnected)
{
}

void drainQueuedSignals()
{
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    QTRY_VERIFY(reached);
}
