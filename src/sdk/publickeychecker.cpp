#include "sdk/publickeychecker.h"

#include "sdk/kelpsdk.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <QSslCertificate>
#include <QSslKey>

#include <atomic>

namespace kelp {

namespace {
std::atomic<bool> s_forceDisabled{false};

const QString s_knownKeysFile = QStringLiteral("known_server_keys");

// The fingerprint on the file's line for host and port, if there is one.
// Lines that are not of three fields (comments, damage) are passed over and
// kept.
QString pinnedIn(const QByteArray& content, const QString& host, quint16 port)
{
    const QByteArray hostField = host.toUtf8();
    const QByteArray portField = QByteArray::number(port);
    for (const QByteArray& line : content.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3 && fields.at(0) == hostField && fields.at(1) == portField) {
            return QString::fromUtf8(fields.at(2));
        }
    }
    return QString();
}

bool append(const QString& path, QByteArray content, const QByteArray& line)
{
    if (!content.isEmpty() && !content.endsWith('\n')) {
        content += '\n';
    }
    content += line;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

} // namespace

void PublicKeyChecker::forceDisabled(bool disabled)
{
    s_forceDisabled = disabled;
}

bool PublicKeyChecker::isForceDisabled()
{
    return s_forceDisabled;
}

QString PublicKeyChecker::fingerprint(const QSslCertificate& certificate)
{
    // The public key's DER form is its SubjectPublicKeyInfo.
    const QByteArray digest = QCryptographicHash::hash(certificate.publicKey().toDer(), QCryptographicHash::Sha256);
    return QStringLiteral("SHA256:") + QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
}

QString PublicKeyChecker::knownKeysPath()
{
    const KelpSDK* sdk = KelpSDK::instance();
    return sdk != nullptr ? sdk->dataDirectory() + QLatin1Char('/') + s_knownKeysFile : QString();
}

QString PublicKeyChecker::pin(const QString& host, quint16 port, const QString& fingerprint)
{
    const QString path = knownKeysPath();
    const QString where = host + QLatin1Char(':') + QString::number(port);
    if (path.isEmpty()) {
        return QString();
    }
    // Read again for every pin: another run may have pinned keys meanwhile.
    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    const QString known = pinnedIn(content, host, port);
    if (!known.isEmpty()) {
        return known;
    }
    const QByteArray line = host.toUtf8() + ' ' + QByteArray::number(port) + ' ' + fingerprint.toUtf8() + '\n';
    KelpSDK::log(where +
                 (append(path, content, line)
                      ? QStringLiteral(" key pinned: ")
                      : QStringLiteral(" key could not be pinned in ") + path + QStringLiteral(": ")) +
                 fingerprint);
    return QString();
}

} // namespace kelp
