#include "sim/serverevent.h"

namespace sim {

namespace {

[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<ServerEvent>("sim::ServerEvent");

} // namespace

QString ServerEvent::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Listening:
        return QStringLiteral("listening");
    case Kind::Unavailable:
        return QStringLiteral("unavailable");
    case Kind::Stopped:
        return QStringLiteral("stopped");
    case Kind::Connected:
        return QStringLiteral("connected");
    case Kind::Login:
        return QStringLiteral("login");
    case Kind::GetConfig:
        return QStringLiteral("get-config");
    case Kind::Lock:
        return QStringLiteral("lock");
    case Kind::Save:
        return QStringLiteral("save");
    case Kind::Unlock:
        return QStringLiteral("unlock");
    case Kind::Restart:
        return QStringLiteral("restart");
    case Kind::Released:
        return QStringLiteral("released");
    case Kind::Dropped:
        return QStringLiteral("dropped");
    case Kind::Closed:
        return QStringLiteral("closed");
    }
    return QString();
}

QString ServerEvent::toString() const
{
    QString line = server;
    if (session > 0) {
        line += QStringLiteral(" #") + QString::number(session);
    }
    line += QLatin1Char(' ') + kindName(kind);
    if (!accepted) {
        line += QStringLiteral(" refused");
    }
    if (!detail.isEmpty()) {
        line += QStringLiteral(": ") + detail;
    }
    return line;
}

} // namespace sim
