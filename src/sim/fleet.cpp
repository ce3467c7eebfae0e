#include "sim/fleet.h"

#include "sim/simulatedserver.h"

namespace sim {

Fleet::Fleet(QObject* parent) : QObject(parent)
{
}

Fleet::~Fleet()
{
    stop();
}

SimulatedServer* Fleet::addServer(const ServerProfile& spec)
{
    for (const auto& server : m_servers) {
        const QString conflict = spec.conflictWith(server->spec());
        if (!conflict.isEmpty()) {
            m_errorString = spec.name + QStringLiteral(": ") + conflict;
            return nullptr;
        }
    }
    m_servers.push_back(std::make_unique<SimulatedServer>(spec));
    SimulatedServer* server = m_servers.back().get();
    connect(server, &SimulatedServer::eventRecorded, this, &Fleet::eventRecorded);
    return server;
}

bool Fleet::start()
{
    QVector<SimulatedServer*> started;
    for (const auto& server : m_servers) {
        if (server->isRunning()) {
            continue;
        }
        if (!server->start()) {
            m_errorString = server->errorString();
            for (SimulatedServer* running : started) {
                running->stop();
            }
            return false;
        }
        started.append(server.get());
    }
    return true;
}

void Fleet::stop()
{
    for (const auto& server : m_servers) {
        server->stop();
    }
}

SimulatedServer* Fleet::server(const QString& name) const
{
    for (const auto& server : m_servers) {
        if (server->name() == name) {
            return server.get();
        }
    }
    return nullptr;
}

QVector<SimulatedServer*> Fleet::servers() const
{
    QVector<SimulatedServer*> result;
    for (const auto& server : m_servers) {
        result.append(server.get());
    }
    return result;
}

} // namespace sim
