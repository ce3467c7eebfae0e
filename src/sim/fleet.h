#pragma once

#include "sim/serverevent.h"
#include "sim/serverprofile.h"

#include <QObject>
#include <QVector>

#include <memory>
#include <vector>

namespace sim {

class SimulatedServer;

// A set of simulated servers started and stopped together, as orrin-sim and
// the tests' fleet fixture run them. The fleet owns its servers.
class Fleet : public QObject
{
    Q_OBJECT

public:
    explicit Fleet(QObject* parent = nullptr);
    ~Fleet() override;

    // Adds a server, not yet started. Null (nothing added) when a server of
    // the same name or on the same address and port is already there.
    SimulatedServer* addServer(const ServerProfile& spec);
    // Starts every server not yet running. On the first failure the servers
    // started by this call are stopped again and false is returned;
    // errorString() says which server failed and why.
    bool start();
    void stop();

    SimulatedServer* server(const QString& name) const;
    QVector<SimulatedServer*> servers() const;
    QString errorString() const { return m_errorString; }

signals:
    // Every event of every server, in the order they happen.
    void eventRecorded(const sim::ServerEvent& event);

private:
    std::vector<std::unique_ptr<SimulatedServer>> m_servers;
    QString m_errorString;
};

} // namespace sim
