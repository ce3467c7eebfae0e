#include "testsupport/fleetfixture.h"

#include <QFile>
#include <QHash>

namespace testsupport {

namespace {
sim::SimulatedServer* fail(const QString& why)
{
    qWarning("%s", qPrintable(why));
    return nullptr;
}
} // namespace

QByteArray FleetFixture::serverList(const QStringList& hosts)
{
    QString csv = QStringLiteral("host,username,password\n");
    for (const QString& host : hosts) {
        csv += host + QLatin1Char(',') + defaultUser() + QLatin1Char(',') + defaultPassword() + QLatin1Char('\n');
    }
    return csv.toUtf8();
}

sim::SimulatedServer* FleetFixture::addServer(const QString& name, const QString& address, const QString& configText,
                                              const sim::Faults& faults)
{
    sim::ServerProfile spec;
    spec.name = name;
    spec.address.setAddress(address);
    spec.user = defaultUser();
    spec.password = defaultPassword();
    spec.restartMs = 200;
    spec.loginTimeoutMs = 10000;
    spec.frameTimeoutMs = 10000;
    spec.faults = faults;
    spec.configPath = m_directory.filePath(name + QStringLiteral(".conf"));
    QFile file(spec.configPath);
    if (!m_directory.isValid() || spec.address.isNull() || !file.open(QIODevice::WriteOnly) ||
        file.write(configText.toUtf8()) < 0) {
        return fail(name + QStringLiteral(": cannot write ") + spec.configPath + QStringLiteral(" or bad address"));
    }
    file.close();
    sim::SimulatedServer* server = m_fleet.addServer(spec);
    if (server == nullptr) {
        return fail(m_fleet.errorString());
    }
    server->setIdentity(identity(address));
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

QVector<sim::ServerEvent> FleetFixture::events(const QString& name, sim::ServerEvent::Kind kind) const
{
    const sim::SimulatedServer* found = server(name);
    return found != nullptr ? found->events(kind) : QVector<sim::ServerEvent>();
}

QString FleetFixture::configText(const QString& name) const
{
    const sim::SimulatedServer* found = server(name);
    QFile file(found != nullptr ? found->configPath() : QString());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace testsupport
