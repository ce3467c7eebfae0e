#pragma once

#include "sdk/connectionmanager.h"

#include <QSignalSpy>

// Records every answer a connection manager gives, for tests that count them
// (a connect is answered exactly once; a disconnect once or not at all).
struct ManagerSpies
{
    explicit ManagerSpies(kelp::ConnectionManager& manager);

    int connectAnswers() const { return connected.count() + loginError.count() + timedOut.count(); }
    kelp::LoginError lastLoginError() const { return loginError.last().at(0).value<kelp::LoginError>(); }

    QSignalSpy connected;
    QSignalSpy loginError;
    QSignalSpy timedOut;
    QSignalSpy disconnected;
};

// Runs the event loop until everything queued before the call has been
// delivered, so a test can check that a signal did not come.
void drainQueuedSignals();
