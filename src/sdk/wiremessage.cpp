#include "sdk/wiremessage.h"

#include <QtEndian>

namespace kelp {

namespace {

[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<WireMessage>("kelp::WireMessage");

constexpr char s_magic0 = 'O';
constexpr char s_magic1 = 'R';

// Appends fields in network byte order; strings and texts as a 32-bit byte
// count followed by UTF-8.
class PayloadWriter
{
public:
    void u32(quint32 value)
    {
        char bytes[4];
        qToBigEndian(value, bytes);
        m_bytes.append(bytes, 4);
    }
    void i32(qint32 value) { u32(static_cast<quint32>(value)); }
    void flag(bool value) { m_bytes.append(value ? '\1' : '\0'); }
    void bytes(const QByteArray& value)
    {
        u32(static_cast<quint32>(value.size()));
        m_bytes.append(value);
    }
    void string(const QString& value) { bytes(value.toUtf8()); }

    QByteArray& result() { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads fields back; every read checks the bytes left, so a payload can never
// make it read past its end. After a failed read ok() stays false.
class PayloadReader
{
public:
    explicit PayloadReader(const QByteArray& payload) : m_payload(payload) {}

    quint32 u32()
    {
        if (!take(4)) {
            return 0;
        }
        return qFromBigEndian<quint32>(m_payload.constData() + m_position - 4);
    }
    qint32 i32() { return static_cast<qint32>(u32()); }
    bool flag()
    {
        if (!take(1)) {
            return false;
        }
        const char value = m_payload.at(m_position - 1);
        // Only 0 and 1 are booleans; anything else is a malformed message.
        if (value != '\0' && value != '\1') {
            m_ok = false;
        }
        return value == '\1';
    }
    QByteArray bytes()
    {
        const quint32 size = u32();
        if (!take(size)) {
            return QByteArray();
        }
        return m_payload.mid(m_position - static_cast<int>(size), static_cast<int>(size));
    }
    QString string() { return QString::fromUtf8(bytes()); }

    // True when every read succeeded and nothing is left over.
    bool complete() const { return m_ok && m_position == m_payload.size(); }

private:
    bool take(quint32 count)
    {
        if (!m_ok || count > static_cast<quint32>(m_payload.size() - m_position)) {
            m_ok = false;
            return false;
        }
        m_position += static_cast<int>(count);
        return true;
    }

    const QByteArray& m_payload;
    int m_position = 0;
    bool m_ok = true;
};

WireMessage withId(WireType type, quint32 requestId)
{
    WireMessage message;
    message.type = type;
    message.requestId = requestId;
    return message;
}

} // namespace

WireMessage WireMessage::hello(quint32 requestId, const QString& software)
{
    WireMessage message = withId(WireType::Hello, requestId);
    message.version = protocolVersion;
    message.name = software;
    return message;
}

WireMessage WireMessage::welcome(quint32 requestId, const QString& software)
{
    WireMessage message = withId(WireType::Welcome, requestId);
    message.version = protocolVersion;
    message.name = software;
    return message;
}

WireMessage WireMessage::login(quint32 requestId, const QString& user, const QString& password)
{
    WireMessage message = withId(WireType::Login, requestId);
    message.name = user;
    message.password = password;
    return message;
}

WireMessage WireMessage::loginOk(quint32 requestId, const QString& serverName)
{
    WireMessage message = withId(WireType::LoginOk, requestId);
    message.name = serverName;
    return message;
}

WireMessage WireMessage::loginRefused(quint32 requestId, qint32 code, qint32 lockoutSeconds)
{
    WireMessage message = withId(WireType::LoginRefused, requestId);
    message.code = code;
    message.lockoutSeconds = lockoutSeconds;
    return message;
}

WireMessage WireMessage::getConfig(quint32 requestId)
{
    return withId(WireType::GetConfig, requestId);
}

WireMessage WireMessage::config(quint32 requestId, const QByteArray& utf8)
{
    WireMessage message = withId(WireType::Config, requestId);
    message.configuration = utf8;
    return message;
}

WireMessage WireMessage::lock(quint32 requestId, bool force)
{
    WireMessage message = withId(WireType::Lock, requestId);
    message.force = force;
    return message;
}

WireMessage WireMessage::locked(quint32 requestId, bool held)
{
    WireMessage message = withId(WireType::Locked, requestId);
    message.held = held;
    return message;
}

WireMessage WireMessage::save(quint32 requestId, bool force, bool replace, const QByteArray& utf8)
{
    WireMessage message = withId(WireType::Save, requestId);
    message.force = force;
    message.replace = replace;
    message.configuration = utf8;
    return message;
}

WireMessage WireMessage::unlock(quint32 requestId, bool force)
{
    WireMessage message = withId(WireType::Unlock, requestId);
    message.force = force;
    return message;
}

WireMessage WireMessage::restart(quint32 requestId, bool force)
{
    WireMessage message = withId(WireType::Restart, requestId);
    message.force = force;
    return message;
}

WireMessage WireMessage::plain(WireType type, quint32 requestId)
{
    return withId(type, requestId);
}

WireMessage WireMessage::error(quint32 requestId, WireError code, const QString& text)
{
    WireMessage message = withId(WireType::Error, requestId);
    message.code = static_cast<qint32>(code);
    message.text = text;
    return message;
}

bool WireMessage::isKnownType(quint8 type)
{
    return (type >= 0x01 && type <= 0x08) || (type >= 0x81 && type <= 0x89) || type == 0x8F;
}

bool WireMessage::isRequest(WireType type)
{
    return static_cast<quint8>(type) < 0x80;
}

qint64 WireMessage::payloadLimit(WireType type)
{
    return type == WireType::Config || type == WireType::Save ? maxLargePayload : maxSmallPayload;
}

QString WireMessage::typeName(WireType type)
{
    switch (type) {
    case WireType::Hello:
        return QStringLiteral("hello");
    case WireType::Login:
        return QStringLiteral("login");
    case WireType::GetConfig:
        return QStringLiteral("get-config");
    case WireType::Lock:
        return QStringLiteral("lock");
    case WireType::Save:
        return QStringLiteral("save");
    case WireType::Unlock:
        return QStringLiteral("unlock");
    case WireType::Restart:
        return QStringLiteral("restart");
    case WireType::Bye:
        return QStringLiteral("bye");
    case WireType::Welcome:
        return QStringLiteral("welcome");
    case WireType::LoginOk:
        return QStringLiteral("login-ok");
    case WireType::LoginRefused:
        return QStringLiteral("login-refused");
    case WireType::Config:
        return QStringLiteral("config");
    case WireType::Locked:
        return QStringLiteral("locked");
    case WireType::Saved:
        return QStringLiteral("saved");
    case WireType::Unlocked:
        return QStringLiteral("unlocked");
    case WireType::Restarting:
        return QStringLiteral("restarting");
    case WireType::Goodbye:
        return QStringLiteral("goodbye");
    case WireType::Error:
        return QStringLiteral("error");
    }
    return QStringLiteral("unknown");
}

QByteArray WireMessage::encode() const
{
    if (configuration.size() > maxConfigurationBytes) {
        return QByteArray();
    }
    PayloadWriter payload;
    payload.u32(requestId);
    switch (type) {
    case WireType::Hello:
    case WireType::Welcome:
        payload.u32(version);
        payload.string(name);
        break;
    case WireType::Login:
        payload.string(name);
        payload.string(password);
        break;
    case WireType::LoginOk:
        payload.string(name);
        break;
    case WireType::LoginRefused:
        payload.i32(code);
        payload.i32(lockoutSeconds);
        break;
    case WireType::Config:
        payload.bytes(configuration);
        break;
    case WireType::Lock:
    case WireType::Unlock:
    case WireType::Restart:
        payload.flag(force);
        break;
    case WireType::Locked:
        payload.flag(held);
        break;
    case WireType::Save:
        payload.flag(force);
        payload.flag(replace);
        payload.bytes(configuration);
        break;
    case WireType::Error:
        payload.i32(code);
        payload.string(text);
        break;
    case WireType::GetConfig:
    case WireType::Bye:
    case WireType::Saved:
    case WireType::Unlocked:
    case WireType::Restarting:
    case WireType::Goodbye:
        break;
    }

    const QByteArray& body = payload.result();
    if (body.size() > payloadLimit(type)) {
        return QByteArray();
    }
    QByteArray frame;
    frame.reserve(headerSize + body.size());
    frame.append(s_magic0);
    frame.append(s_magic1);
    frame.append(static_cast<char>(protocolVersion));
    frame.append(static_cast<char>(type));
    char length[4];
    qToBigEndian(static_cast<quint32>(body.size()), length);
    frame.append(length, 4);
    frame.append(body);
    return frame;
}

bool WireMessage::decodePayload(WireType frameType, const QByteArray& payload)
{
    *this = WireMessage();
    type = frameType;
    PayloadReader reader(payload);
    requestId = reader.u32();
    switch (frameType) {
    case WireType::Hello:
    case WireType::Welcome:
        version = reader.u32();
        name = reader.string();
        break;
    case WireType::Login:
        name = reader.string();
        password = reader.string();
        break;
    case WireType::LoginOk:
        name = reader.string();
        break;
    case WireType::LoginRefused:
        code = reader.i32();
        lockoutSeconds = reader.i32();
        break;
    case WireType::Config:
        configuration = reader.bytes();
        break;
    case WireType::Lock:
    case WireType::Unlock:
    case WireType::Restart:
        force = reader.flag();
        break;
    case WireType::Locked:
        held = reader.flag();
        break;
    case WireType::Save:
        force = reader.flag();
        replace = reader.flag();
        configuration = reader.bytes();
        break;
    case WireType::Error:
        code = reader.i32();
        text = reader.string();
        break;
    case WireType::GetConfig:
    case WireType::Bye:
    case WireType::Saved:
    case WireType::Unlocked:
    case WireType::Restarting:
    case WireType::Goodbye:
        break;
    }
    return reader.complete();
}

QString WireMessage::describe() const
{
    QString line = typeName(type) + QLatin1String(" #") + QString::number(requestId);
    switch (type) {
    case WireType::Hello:
    case WireType::Welcome:
        line += QStringLiteral(" (version %1, %2)").arg(version).arg(name);
        break;
    case WireType::Login:
        line += QStringLiteral(" (user %1)").arg(name);
        break;
    case WireType::LoginOk:
        line += QStringLiteral(" (server %1)").arg(name);
        break;
    case WireType::LoginRefused:
        line += QStringLiteral(" (code %1, lock-out %2 s)").arg(code).arg(lockoutSeconds);
        break;
    case WireType::Config:
        line += QStringLiteral(" (%1 bytes)").arg(configuration.size());
        break;
    case WireType::Save:
        line += QStringLiteral(" (%1, %2 bytes)")
                    .arg(replace ? QStringLiteral("replace") : QStringLiteral("merge"))
                    .arg(configuration.size());
        break;
    case WireType::Locked:
        line += held ? QStringLiteral(" (held)") : QStringLiteral(" (not held)");
        break;
    case WireType::Error:
        line += QStringLiteral(" (code %1: %2)").arg(code).arg(text);
        break;
    case WireType::Lock:
    case WireType::Unlock:
    case WireType::Restart:
    case WireType::GetConfig:
    case WireType::Bye:
    case WireType::Saved:
    case WireType::Unlocked:
    case WireType::Restarting:
    case WireType::Goodbye:
        break;
    }
    return line;
}

} // namespace kelp
