#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace kelp {

// Message types of the SDK's wire protocol (docs/protocol.md). Requests go
// from the SDK to a server, answers carry the request's id back.
enum class WireType : quint8
{
    Hello = 0x01,
    Login = 0x02,
    GetConfig = 0x03,
    Lock = 0x04,
    Save = 0x05,
    Unlock = 0x06,
    Restart = 0x07,
    Bye = 0x08,

    Welcome = 0x81,
    LoginOk = 0x82,
    LoginRefused = 0x83,
    Config = 0x84,
    Locked = 0x85,
    Saved = 0x86,
    Unlocked = 0x87,
    Restarting = 0x88,
    Goodbye = 0x89,
    Error = 0x8F,
};

// Codes of an Error answer.
enum class WireError : qint32
{
    ProtocolViolation = 1,
    NotLoggedIn = 2,
    LockHeld = 3,
    NotLocked = 4,
    InvalidConfiguration = 5,
    StorageFailed = 6,
    Unavailable = 7,
    UnsupportedVersion = 8,
    Refused = 9,
};

// One protocol message, either direction. Only the fields of its type are
// encoded; the others keep their defaults. A value type, shared by the SDK
// client and the simulator so both ends encode and check frames the same way.
struct WireMessage
{
    static constexpr quint8 protocolVersion = 2;
    static constexpr int headerSize = 8;
    // Payload limits: configuration texts may be large, everything else is small.
    static constexpr qint64 maxConfigurationBytes = 64 * 1024 * 1024;
    static constexpr qint64 maxSmallPayload = 64 * 1024;
    static constexpr qint64 maxLargePayload = maxConfigurationBytes + 64;

    WireType type = WireType::Hello;
    quint32 requestId = 0;
    quint32 version = 0;       // Hello, Welcome
    QString name;              // Hello/Welcome: software; Login: user; LoginOk: server name
    QString password;          // Login
    QString text;              // Error: readable text
    qint32 code = 0;           // LoginRefused: login error code; Error: a WireError
    qint32 lockoutSeconds = 0; // LoginRefused
    bool force = false;        // Lock, Save, Unlock, Restart
    bool replace = false;      // Save
    bool held = false;         // Locked
    QByteArray configuration;  // Config, Save: UTF-8 text

    static WireMessage hello(quint32 requestId, const QString& software);
    static WireMessage welcome(quint32 requestId, const QString& software);
    static WireMessage login(quint32 requestId, const QString& user, const QString& password);
    static WireMessage loginOk(quint32 requestId, const QString& serverName);
    static WireMessage loginRefused(quint32 requestId, qint32 code, qint32 lockoutSeconds);
    static WireMessage getConfig(quint32 requestId);
    static WireMessage config(quint32 requestId, const QByteArray& utf8);
    static WireMessage lock(quint32 requestId, bool force);
    static WireMessage locked(quint32 requestId, bool held);
    static WireMessage save(quint32 requestId, bool force, bool replace, const QByteArray& utf8);
    static WireMessage unlock(quint32 requestId, bool force);
    static WireMessage restart(quint32 requestId, bool force);
    // Saved, Unlocked, Restarting, Goodbye, Bye and GetConfig carry only the id.
    static WireMessage plain(WireType type, quint32 requestId);
    static WireMessage error(quint32 requestId, WireError code, const QString& text);

    static bool isKnownType(quint8 type);
    static bool isRequest(WireType type);
    // The largest payload a frame of this type may announce.
    static qint64 payloadLimit(WireType type);
    static QString typeName(WireType type);

    // The whole frame (header and payload). Empty when the payload would
    // exceed the type's limit, so an oversized message is never sent.
    QByteArray encode() const;
    // Fills the fields of frameType from a payload; false (message then
    // unspecified) when the payload is too short or has bytes left over.
    bool decodePayload(WireType frameType, const QByteArray& payload);

    // A line for logs: type, id and harmless fields; never a password or a
    // configuration text.
    QString describe() const;
};

} // namespace kelp

Q_DECLARE_METATYPE(kelp::WireMessage)
