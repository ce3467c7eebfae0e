#include "sim/serverprofile.h"

namespace sim {

QString ServerProfile::endpoint() const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

QString ServerProfile::generatedCertificatePath() const
{
    return keyDirectory + QLatin1Char('/') + address.toString() + QLatin1Char('-') + QString::number(port) +
           QStringLiteral(".crt");
}

QString ServerProfile::generatedKeyPath() const
{
    QString path = generatedCertificatePath();
    path.replace(path.size() - 3, 3, QStringLiteral("key"));
    return path;
}

QString ServerProfile::conflictWith(const ServerProfile& other) const
{
    if (name == other.name) {
        return QStringLiteral("another server is named %1").arg(name);
    }
    if (address.isEqual(other.address) && port == other.port) {
        return QStringLiteral("%1 already listens on %2").arg(other.name, endpoint());
    }
    return QString();
}

} // namespace sim
