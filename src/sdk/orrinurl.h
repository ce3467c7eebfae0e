#pragma once

#include <QString>

namespace kelp {

// Address of one server: host name or IP address and TCP port. A value type.
class OrrinUrl
{
public:
    OrrinUrl() = default;
    OrrinUrl(const QString& host, quint16 port);

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }

    bool operator==(const OrrinUrl& other) const;
    bool operator!=(const OrrinUrl& other) const { return !(*this == other); }

private:
    QString m_host;
    quint16 m_port = 0;
};

} // namespace kelp
