#include "sim/serveridentity.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <functional>
#include <memory>

namespace sim {

namespace {

template <typename T, void (*Free)(T*)> struct Deleter
{
    void operator()(T* object) const { Free(object); }
};
using PKey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

QString openSslError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

bool addExtension(X509* certificate, int nid, const QByteArray& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.constData()));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

// The address is the certificate's common name and its one alternative name,
// so a client connecting to that address finds it named.
bool describe(X509* certificate, EVP_PKEY* key, const QHostAddress& address, const QDateTime& notBefore,
              const QDateTime& notAfter)
{
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1) {
        return false;
    }
    serial[0] &= 0x7f; // a positive serial number
    const QByteArray name = address.toString().toUtf8();
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool serialSet = number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate));
    BN_free(number);
    X509_NAME* subject = X509_get_subject_name(certificate);
    return serialSet && X509_set_version(certificate, 2) == 1 &&
           ASN1_TIME_set(X509_getm_notBefore(certificate), notBefore.toSecsSinceEpoch()) != nullptr &&
           ASN1_TIME_set(X509_getm_notAfter(certificate), notAfter.toSecsSinceEpoch()) != nullptr &&
           X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char*>(name.constData()), -1, -1, 0) == 1 &&
           X509_set_issuer_name(certificate, subject) == 1 && X509_set_pubkey(certificate, key) == 1 &&
           addExtension(certificate, NID_subject_alt_name, "IP:" + name) &&
           addExtension(certificate, NID_basic_constraints, "critical,CA:FALSE") &&
           X509_sign(certificate, key, EVP_sha256()) > 0;
}

QByteArray pem(const std::function<int(BIO*)>& write)
{
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1) {
        return QByteArray();
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, static_cast<int>(size));
}

bool belongTogether(const QByteArray& certificatePem, const QByteArray& keyPem)
{
    const Bio certificateBio(BIO_new_mem_buf(certificatePem.constData(), certificatePem.size()));
    const Bio keyBio(BIO_new_mem_buf(keyPem.constData(), keyPem.size()));
    const Certificate certificate(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
    const PKey key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    const bool match = certificate && key && X509_check_private_key(certificate.get(), key.get()) == 1;
    ERR_clear_error();
    return match;
}

QByteArray readFile(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return QByteArray();
    }
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& content, QFileDevice::Permissions permissions, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(permissions) ||
        file.write(content) != content.size() || !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace

ServerIdentity ServerIdentity::generate(const QHostAddress& address)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return generate(address, now.addDays(-1), now.addYears(10));
}

ServerIdentity ServerIdentity::generate(const QHostAddress& address, const QDateTime& notBefore,
                                        const QDateTime& notAfter)
{
    const PKey key(EVP_EC_gen("P-256"));
    const Certificate certificate(X509_new());
    if (!key || !certificate || !describe(certificate.get(), key.get(), address, notBefore, notAfter)) {
        return failed(
            QStringLiteral("cannot make a key and certificate for %1: %2").arg(address.toString(), openSslError()));
    }
    ServerIdentity identity;
    identity.m_certificate = QSslCertificate(pem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate.get()); }));
    identity.m_key = QSslKey(
        pem([&](BIO* bio) { return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr); }),
        QSsl::Ec);
    return identity.isNull() ? failed(QStringLiteral("Qt cannot read the key made for ") + address.toString())
                             : identity;
}

ServerIdentity ServerIdentity::load(const QString& certificatePath, const QString& keyPath)
{
    QString error;
    const QByteArray certificatePem = readFile(certificatePath, error);
    const QByteArray keyPem = error.isEmpty() ? readFile(keyPath, error) : QByteArray();
    if (!error.isEmpty()) {
        return failed(error);
    }
    ServerIdentity identity;
    identity.m_certificate = QSslCertificate(certificatePem);
    if (identity.m_certificate.isNull()) {
        return failed(certificatePath + QStringLiteral(": not a PEM certificate"));
    }
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Ec, QSsl::Rsa}) {
        identity.m_key = QSslKey(keyPem, algorithm);
        if (!identity.m_key.isNull()) {
            break;
        }
    }
    if (identity.m_key.isNull()) {
        return failed(keyPath + QStringLiteral(": not an unencrypted PEM private key (EC or RSA)"));
    }
    if (!belongTogether(certificatePem, keyPem)) {
        return failed(keyPath + QStringLiteral(": the key does not belong to the certificate ") + certificatePath);
    }
    return identity;
}

ServerIdentity ServerIdentity::loadOrCreate(const QString& certificatePath, const QString& keyPath,
                                            const QHostAddress& address)
{
    if (QFile::exists(certificatePath) || QFile::exists(keyPath)) {
        return load(certificatePath, keyPath);
    }
    ServerIdentity identity = generate(address);
    if (!identity.isNull() && !identity.save(certificatePath, keyPath)) {
        return failed(identity.errorString());
    }
    return identity;
}

bool ServerIdentity::save(const QString& certificatePath, const QString& keyPath)
{
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    return writeFile(keyPath, m_key.toPem(), ownerOnly, m_errorString) &&
           writeFile(certificatePath, m_certificate.toPem(),
                     ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther, m_errorString);
}

ServerIdentity ServerIdentity::failed(const QString& why)
{
    ServerIdentity identity;
    identity.m_errorString = why;
    return identity;
}

} // namespace sim
