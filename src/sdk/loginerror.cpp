#include "sdk/loginerror.h"

namespace kelp {

namespace {
// loginError() is delivered across queued connections, which need the type by name.
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<LoginError>("kelp::LoginError");
} // namespace

LoginError::LoginError(int code, const QString& server, quint16 port, int lockoutSeconds)
    : m_code(code), m_server(server), m_port(port), m_lockoutSeconds(lockoutSeconds)
{
}

LoginError LoginError::serverKeyChanged(const QString& server, quint16 port, const QString& knownKey,
                                        const QString& presentedKey, const QString& knownKeysFile)
{
    LoginError error(ServerKeyChanged, server, port);
    error.m_knownKey = knownKey;
    error.m_presentedKey = presentedKey;
    error.m_knownKeysFile = knownKeysFile;
    return error;
}

void LoginError::reset()
{
    m_code = 0;
    m_server.clear();
    m_port = 0;
    m_firstFlag = true;
}

QString LoginError::toString() const
{
    // Codes 1 to 6 fill both placeholders in one step, so a "%" in a host name
    // stays literal; the others fill them one after the other.
    const auto inOneStep = [this](const QString& text) { return text.arg(m_server, QString::number(m_port)); };
    const auto stepByStep = [this](const QString& text) { return text.arg(m_server).arg(m_port); };

    switch (m_code) {
    case 0:
        return tr("No error");
    case 1:
        return inOneStep(tr("Too many open connections. Server: %1, port: %2"));
    case 2:
        return inOneStep(tr("Invalid username or password. Server: %1, port: %2"));
    case 3:
        return inOneStep(tr("Login not permitted at this time. Server: %1, port: %2"));
    case 4:
        return inOneStep(tr("Failed to connect to the server. Server: %1, port: %2"));
    case 5:
        return inOneStep(tr("Server is not available. Server: %1, port: %2"));
    case 6:
        return inOneStep(tr("Failed to set up connection. Server: %1, port: %2"));
    case 7:
        return tr("Password required for encrypted archive %1.").arg(m_server);
    case 9:
        return tr("No such file or directory.");
    case 10:
        return tr("File is not a recognized archive.");
    case 11:
        return stepByStep(tr("Server's public key has changed. Server: %1, port: %2"));
    case 12:
        return lockedOutText();
    case 13:
        return stepByStep(tr("Login not permitted from this address. Server: %1, port: %2"));
    case ServerKeyChanged:
        return keyChangedText();
    default:
        return stepByStep(tr("Unknown error. Server: %1, port: %2"));
    }
}

QString LoginError::lockedOutText() const
{
    QString text;
    if (m_lockoutSeconds <= 60) {
        text = tr("Your account is locked for %1 seconds. Server: %2, port: %3").arg(m_lockoutSeconds);
    } else {
        // Minutes come from a single-precision division, truncated: for very long lock-outs
        // this differs from integer division, and the figure shown must stay the same.
        const int minutes = static_cast<int>(static_cast<float>(m_lockoutSeconds) / 60.0f);
        text = minutes == 1 ? tr("Your account is locked for %1 minute. Server: %2, port: %3").arg(minutes)
                            : tr("Your account is locked for %1 minutes. Server: %2, port: %3").arg(minutes);
    }
    return text.arg(m_server).arg(m_port);
}

QString LoginError::keyChangedText() const
{
    return tr("Server's public key has changed. Server: %1, port: %2").arg(m_server).arg(m_port) + QStringLiteral(". ") +
           tr("Known key: %1, key presented now: %2. If the server's key was changed on purpose, delete the line "
              "of %3 port %4 in %5 and connect again.")
               .arg(m_knownKey, m_presentedKey, m_server, QString::number(m_port), m_knownKeysFile);
}

} // namespace kelp
