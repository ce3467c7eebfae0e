#include "sdk/wirereader.h"

#include <QIODevice>
#include <QtEndian>

namespace kelp {

WireReader::Result WireReader::read(QIODevice& device, WireMessage& message)
{
    if (device.bytesAvailable() < WireMessage::headerSize) {
        return Result::Incomplete;
    }
    const QByteArray header = device.peek(WireMessage::headerSize);
    if (header.size() < WireMessage::headerSize) {
        return Result::Incomplete;
    }
    if (header.at(0) != 'O' || header.at(1) != 'R') {
        return fail(QStringLiteral("not a protocol frame"));
    }
    const auto version = static_cast<quint8>(header.at(2));
    if (version != WireMessage::protocolVersion) {
        return fail(QStringLiteral("unsupported protocol version %1").arg(version));
    }
    const auto typeByte = static_cast<quint8>(header.at(3));
    if (!WireMessage::isKnownType(typeByte)) {
        return fail(QStringLiteral("unknown message type %1").arg(typeByte));
    }
    const auto type = static_cast<WireType>(typeByte);
    const quint32 length = qFromBigEndian<quint32>(header.constData() + 4);
    if (length > WireMessage::payloadLimit(type)) {
        return fail(QStringLiteral("%1 message of %2 bytes exceeds the limit of %3 bytes")
                        .arg(WireMessage::typeName(type))
                        .arg(length)
                        .arg(WireMessage::payloadLimit(type)));
    }
    if (device.bytesAvailable() < WireMessage::headerSize + static_cast<qint64>(length)) {
        return Result::Incomplete;
    }

    device.skip(WireMessage::headerSize);
    const QByteArray payload = device.read(length);
    if (payload.size() != static_cast<int>(length)) {
        return fail(QStringLiteral("short read of a %1 message").arg(WireMessage::typeName(type)));
    }
    if (!message.decodePayload(type, payload)) {
        return fail(QStringLiteral("malformed %1 message").arg(WireMessage::typeName(type)));
    }
    return Result::Message;
}

WireReader::Result WireReader::fail(const QString& text)
{
    m_errorText = text;
    return Result::Invalid;
}

} // namespace kelp
