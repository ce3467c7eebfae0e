#pragma once

#include "sdk/orrinconfig.h"

#include <QSignalSpy>

// Records the four answers of a server configuration's requests.
struct ConfigSpies
{
    explicit ConfigSpies(kelp::OrrinConfig* config);

    int answers() const { return locked.count() + unlocked.count() + saved.count() + error.count(); }
    kelp::ConnectionError lastError() const { return error.last().at(1).value<kelp::ConnectionError>(); }

    QSignalSpy locked;
    QSignalSpy unlocked;
    QSignalSpy saved;
    QSignalSpy error;
};
