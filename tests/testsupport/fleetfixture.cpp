#include "testsupport/fleetfixture.h"

#include <QFile>

namespace testsupport {

FleetFixture::FleetFixture() = default;

FleetFixture::~FleetFixture()
{
    m_fleet.stop();
}

QString FleetFixture::defaultUser()
{
    return QStringLiteral("admin");
}

QString FleetFixture::defaultPassword()
{
    return QStringLiteral("s3cret-Pa55");
}

sim::ServerProfile FleetFixture::defaultSpec(const QString& name, const QString& address)
{
    sim::ServerProfile spec;
    spec.name = name;
    spec.address.setAddress(address);
    spec.user = defaultUser();
    spec.password = defaultPassword();
    spec.restartMs = 200;
    spec.loginTimeoutMs = 10000;
    spec.frameTimeoutMs = 10000;
    return spec;
}

sim::SimulatedServer* FleetFixture::addServer(const QString& name, const QString& address, const QString& configText,
                                              const sim::Faults& faults)
{
    sim::ServerProfile spec = defaultSpec(name, address);
    spec.faults = faults;
    return addServer(spec, configText);
}

sim::SimulatedServer* FleetFixture::addServer(sim::ServerProfile spec, const QString& configText)
{
    if (!m_directory.isValid()) {
        return fail(QStringLiteral("no temporary directory: ") + m_directory.errorString());
    }
    if (spec.address.isNull()) {
        return fail(spec.name + QStringLiteral(": no valid address"));
    }
    spec.configPath = m_directory.filePath(spec.name + QStringLiteral(".conf"));
    QFile file(spec.configPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(configText.toUtf8()) < 0) {
        return fail(spec.configPath + QStringLiteral(": ") + file.errorString());
    }
    file.close();
    sim::SimulatedServer* server = m_fleet.addServer(spec);
    if (server == nullptr) {
        return fail(m_fleet.errorString());
    }
    if (!server->start()) {
        return fail(server->errorString());
    }
    return server;
}

sim::SimulatedServer* FleetFixture::fail(const QString& why)
{
    m_errorString = why;
    qWarning("%s", qPrintable(why));
    return nullptr;
}

sim::SimulatedServer* FleetFixture::server(const QString& name) const
{
    return m_fleet.server(name);
}

void FleetFixture::setFaults(const QString& name, const sim::Faults& faults)
{
    if (sim::SimulatedServer* found = server(name)) {
        found->setFaults(faults);
    }
}

QVector<sim::ServerEvent> FleetFixture::events(const QString& name) const
{
    const sim::SimulatedServer* found = server(name);
    return found != nullptr ? found->events() : QVector<sim::ServerEvent>();
}

QVector<sim::ServerEvent> FleetFixture::events(const QString& name, sim::ServerEvent::Kind kind) const
{
    const sim::SimulatedServer* found = server(name);
    return found != nullptr ? found->events(kind) : QVector<sim::ServerEvent>();
}

bool FleetFixture::wasContacted(const QString& name) const
{
    return !events(name, sim::ServerEvent::Kind::Connected).isEmpty();
}

QString FleetFixture::configPath(const QString& name) const
{
    const sim::SimulatedServer* found = server(name);
    return found != nullptr ? found->configPath() : QString();
}

QString FleetFixture::configText(const QString& name) const
{
    QFile file(configPath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace testsupport
