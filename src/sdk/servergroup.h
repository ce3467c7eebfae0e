#pragma once

#include <QVector>

namespace kelp {

class Server;

// The servers of one connection; the first entry is the server just connected.
// Owned by the ConnectionManager.
class ServerGroup
{
public:
    virtual ~ServerGroup() = default;
    virtual QVector<Server*> servers() const = 0;
};

} // namespace kelp
