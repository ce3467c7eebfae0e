#pragma once

#include "sdk/wiremessage.h"

#include <QString>

class QIODevice;

namespace kelp {

// Takes protocol frames off a device (a socket, or a buffer in tests). The
// header is checked before the payload is waited for, so a peer announcing
// more than the type's limit is refused at once and never makes the reader
// buffer or allocate for it. After Invalid the stream cannot be trusted
// again: the caller drops the peer.
class WireReader
{
public:
    enum class Result
    {
        Incomplete, // no whole frame yet; nothing consumed
        Message,    // one frame consumed and decoded
        Invalid,    // bad magic, version, type, length or payload; see errorText()
    };

    Result read(QIODevice& device, WireMessage& message);
    QString errorText() const { return m_errorText; }

private:
    Result fail(const QString& text);

    QString m_errorText;
};

} // namespace kelp
