#include "testsupport/fleetfixture.h"

#include <QFile>
#include <QHash>

namespace testsupport {

FleetFixture::~FleetFixture()
{
    m_fleet.stop();
}

QByteArray FleetFixture::serverList(const QStringList& hosts)
{
    QString csv = QStringLiteral("host,username,password\n");
    for (const QString& host : hosts) {
        csv += host + QLatin1Char(',') + defaultUser() + QLatin1Char(',') + defaultPassword() + QLatin1Char('\n');
    }
    return csv.toUtf8();
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
    if (!m_directory.isValid() || spec.address.isNull()) {
        return fail(spec.name + QStringLiteral(": no temporary directory or no valid address"));
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
    if (spec.certificatePath.isEmpty()) {
        server->setIdentity(identity(spec.address.toString()));
    }
    return server->start() ? server : fail(server->errorString());
}

sim::ServerIdentity FleetFixture::identity(const QString& address)
{
    static QHash<QString, sim::ServerIdentity> s_identities;
    if (!s_identities.contains(address)) {
        s_identities.insert(address, sim::ServerIdentity::generate(QHostAddress(address)));
    }
    return s_identities.value(address);
}

sim::SimulatedServer* FleetFixture::fail(const QString& why)
{
    m_errorString = why;
    qWarning("%s", qPrintable(why));
    return nullptr;
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

QString FleetFixture::configPath(const QString& name) const
{
    const sim::SimulatedServer* found = server(name);
    return found != nullptr ? found->configPath() : QString();
}

QString FleetFixture::configText(const QString& name) const
{
    QFile file(configPath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace testsupport
