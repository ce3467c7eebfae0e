#include "sdk/orrinurl.h"

namespace kelp {

OrrinUrl::OrrinUrl(const QString& host, quint16 port) : m_host(host), m_port(port)
{
}

bool OrrinUrl::operator==(const OrrinUrl& other) const
{
    return m_host == other.m_host && m_port == other.m_port;
}

} // namespace kelp
