#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace sim {

// What a simulated server presents in its TLS handshake: a certificate and
// its private key. Made on the spot (an EC P-256 key and a self-signed
// certificate naming the server's address) or read from PEM files. A value
// type; a null identity is one that could not be made or read, and
// errorString() says why.
class ServerIdentity
{
public:
    // Valid from a day ago (for clocks a little behind) for ten years.
    static ServerIdentity generate(const QHostAddress& address);
    static ServerIdentity generate(const QHostAddress& address, const QDateTime& notBefore, const QDateTime& notAfter);
    static ServerIdentity load(const QString& certificatePath, const QString& keyPath);
    // Reads the pair from these files, or when neither exists makes one and
    // writes it there (the key readable by its owner only).
    static ServerIdentity loadOrCreate(const QString& certificatePath, const QString& keyPath,
                                       const QHostAddress& address);

    bool save(const QString& certificatePath, const QString& keyPath);

    bool isNull() const { return m_certificate.isNull() || m_key.isNull(); }
    QSslCertificate certificate() const { return m_certificate; }
    QSslKey key() const { return m_key; }
    QString errorString() const { return m_errorString; }

private:
    static ServerIdentity failed(const QString& why);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QString m_errorString;
};

} // namespace sim
