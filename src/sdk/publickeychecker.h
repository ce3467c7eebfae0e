#pragma once

#include <QString>

class QSslCertificate;

namespace kelp {

// Process-wide switch for the verification of servers' public keys, and the
// pins it checks against: trust on first use. Unless force-disabled, the
// first session to a host and port records the SHA-256 fingerprint of the
// server certificate's SubjectPublicKeyInfo in the known-keys file (beside
// the SDK log, one "host port fingerprint" line per server, rewritten
// atomically); a later session whose key differs is refused before the
// login. Deleting a server's line accepts its next key.
class PublicKeyChecker final
{
public:
    static void forceDisabled(bool disabled);
    static bool isForceDisabled();

    // "SHA256:" and the unpadded base64 digest, as OpenSSH writes it.
    static QString fingerprint(const QSslCertificate& certificate);
    // Empty before the SDK is initialised: nothing can be pinned then.
    static QString knownKeysPath();
    // The fingerprint pinned for host:port. When none is, this one is pinned
    // (if the file can be written; the SDK log says when not) and the
    // result is empty.
    static QString pin(const QString& host, quint16 port, const QString& fingerprint);
};

} // namespace kelp
