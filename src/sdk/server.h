#pragma once

#include "sdk/requestid.h"

#include <QSharedPointer>
#include <QString>

namespace kelp {

class OrrinConfig;

// One connected server. Owned by the ConnectionManager; valid until the
// session is disconnected.
class Server
{
public:
    virtual ~Server() = default;
    virtual QString name() const = 0;
    virtual QString host() const = 0;
    // Ready as soon as the connection has been reported.
    virtual QSharedPointer<OrrinConfig> config() const = 0;
    virtual RequestId restart(bool force) = 0;
};

} // namespace kelp
