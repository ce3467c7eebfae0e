#include "sim/fleetfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace sim {

namespace {

// Reads the fields of one JSON object, remembering the first problem. Every
// getter returns its fallback after a problem, so a caller can read all
// fields and look at ok() once.
class FieldReader
{
public:
    FieldReader(const QJsonObject& object, const QString& where) : m_object(object), m_where(where) {}

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // Every key of the object must be one of these.
    void allowOnly(const QStringList& keys)
    {
        for (auto it = m_object.constBegin(); it != m_object.constEnd() && ok(); ++it) {
            if (!keys.contains(it.key())) {
                fail(QStringLiteral("unknown field \"%1\"").arg(it.key()));
            }
        }
    }

    QString string(const QString& key, bool required, bool allowEmpty = false)
    {
        const QJsonValue value = m_object.value(key);
        if (!present(key, required)) {
            return QString();
        }
        if (!value.isString()) {
            fail(QStringLiteral("\"%1\" must be a string").arg(key));
            return QString();
        }
        if (!allowEmpty && value.toString().isEmpty()) {
            fail(QStringLiteral("\"%1\" must not be empty").arg(key));
        }
        return value.toString();
    }

    int integer(const QString& key, int fallback, int minimum, int maximum = std::numeric_limits<int>::max())
    {
        if (!present(key, false)) {
            return fallback;
        }
        const QJsonValue value = m_object.value(key);
        const double number = value.toDouble();
        if (!value.isDouble() || std::floor(number) != number || number < minimum || number > maximum) {
            fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3").arg(key).arg(minimum).arg(maximum));
            return fallback;
        }
        return static_cast<int>(number);
    }

    bool flag(const QString& key)
    {
        if (!present(key, false)) {
            return false;
        }
        if (!m_object.value(key).isBool()) {
            fail(QStringLiteral("\"%1\" must be true or false").arg(key));
            return false;
        }
        return m_object.value(key).toBool();
    }

    QJsonObject object(const QString& key)
    {
        if (!present(key, false)) {
            return QJsonObject();
        }
        if (!m_object.value(key).isObject()) {
            fail(QStringLiteral("\"%1\" must be an object").arg(key));
            return QJsonObject();
        }
        return m_object.value(key).toObject();
    }

    void fail(const QString& text)
    {
        if (ok()) {
            m_error = m_where + QStringLiteral(": ") + text;
        }
    }

    void adopt(const FieldReader& inner)
    {
        if (ok() && !inner.ok()) {
            m_error = inner.error();
        }
    }

private:
    bool present(const QString& key, bool required)
    {
        if (!ok()) {
            return false;
        }
        if (m_object.contains(key)) {
            return true;
        }
        if (required) {
            fail(QStringLiteral("\"%1\" is missing").arg(key));
        }
        return false;
    }

    QJsonObject m_object;
    QString m_where;
    QString m_error;
};

Faults readFaults(FieldReader& server, const QString& where)
{
    Faults faults;
    FieldReader reader(server.object(QStringLiteral("faults")), where + QStringLiteral(", faults"));
    reader.allowOnly({QStringLiteral("loginError"), QStringLiteral("lockoutSeconds"), QStringLiteral("notListening"),
                      QStringLiteral("neverAnswer"), QStringLiteral("lockError"), QStringLiteral("saveError"),
                      QStringLiteral("unlockError"), QStringLiteral("lockHeldElsewhere"),
                      QStringLiteral("lockedWithoutLock"), QStringLiteral("answerDelayMs"), QStringLiteral("dropAt")});
    faults.loginErrorCode = reader.integer(QStringLiteral("loginError"), 0, std::numeric_limits<int>::min());
    faults.loginLockoutSeconds = reader.integer(QStringLiteral("lockoutSeconds"), 0, 0);
    faults.notListening = reader.flag(QStringLiteral("notListening"));
    faults.neverAnswer = reader.flag(QStringLiteral("neverAnswer"));
    faults.lockError = reader.string(QStringLiteral("lockError"), false);
    faults.saveError = reader.string(QStringLiteral("saveError"), false);
    faults.unlockError = reader.string(QStringLiteral("unlockError"), false);
    faults.lockHeldElsewhere = reader.flag(QStringLiteral("lockHeldElsewhere"));
    faults.lockedWithoutLock = reader.flag(QStringLiteral("lockedWithoutLock"));
    faults.answerDelayMs = reader.integer(QStringLiteral("answerDelayMs"), 0, 0);
    const QString step = reader.string(QStringLiteral("dropAt"), false);
    if (!step.isEmpty() && !Faults::stepFromName(step, faults.dropAt)) {
        reader.fail(QStringLiteral("\"dropAt\" must be one of connect, hello, login, getconfig, lock, save, "
                                   "unlock, restart (not \"%1\")")
                        .arg(step));
    }
    server.adopt(reader);
    return faults;
}

} // namespace

bool FleetFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (!parse(file.readAll(), QFileInfo(path).absolutePath())) {
        m_errorString = path + QStringLiteral(": ") + m_errorString;
        return false;
    }
    return true;
}

bool FleetFile::parse(const QByteArray& json, const QString& baseDirectory)
{
    m_servers.clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        m_errorString =
            QStringLiteral("not valid JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        m_errorString = QStringLiteral("the fleet must be a JSON object");
        return false;
    }
    FieldReader top(document.object(), QStringLiteral("fleet"));
    top.allowOnly({QStringLiteral("servers"), QStringLiteral("keyDirectory")});
    const QString keyDirectory = top.string(QStringLiteral("keyDirectory"), false);
    const QJsonValue list = document.object().value(QStringLiteral("servers"));
    if (top.ok() && (!list.isArray() || list.toArray().isEmpty())) {
        top.fail(QStringLiteral("\"servers\" must be a non-empty array"));
    }
    if (!top.ok()) {
        m_errorString = top.error();
        return false;
    }

    const QDir base(baseDirectory);
    const QJsonArray entries = list.toArray();
    QVector<ServerProfile> servers;
    for (int index = 0; index < entries.size(); ++index) {
        QString where = QStringLiteral("server %1").arg(index + 1);
        if (!entries.at(index).isObject()) {
            m_errorString = where + QStringLiteral(": must be an object");
            return false;
        }
        const QJsonObject entry = entries.at(index).toObject();
        if (entry.value(QStringLiteral("name")).isString()) {
            where += QStringLiteral(" (%1)").arg(entry.value(QStringLiteral("name")).toString());
        }
        FieldReader reader(entry, where);
        reader.allowOnly({QStringLiteral("name"), QStringLiteral("address"), QStringLiteral("port"),
                          QStringLiteral("user"), QStringLiteral("password"), QStringLiteral("config"),
                          QStringLiteral("lockout"), QStringLiteral("restartMs"), QStringLiteral("loginTimeoutMs"),
                          QStringLiteral("frameTimeoutMs"), QStringLiteral("faults"), QStringLiteral("certificate"),
                          QStringLiteral("key")});
        ServerProfile spec;
        spec.name = reader.string(QStringLiteral("name"), true);
        const QString address = reader.string(QStringLiteral("address"), true);
        spec.port = static_cast<quint16>(reader.integer(QStringLiteral("port"), ServerProfile::defaultPort, 1, 65535));
        spec.user = reader.string(QStringLiteral("user"), true);
        spec.password = reader.string(QStringLiteral("password"), true, true);
        const QString config = reader.string(QStringLiteral("config"), true);
        const QString certificate = reader.string(QStringLiteral("certificate"), false);
        const QString key = reader.string(QStringLiteral("key"), false);
        if (certificate.isEmpty() != key.isEmpty()) {
            reader.fail(QStringLiteral("\"certificate\" and \"key\" go together: give both or neither"));
        }
        FieldReader lockout(reader.object(QStringLiteral("lockout")), where + QStringLiteral(", lockout"));
        lockout.allowOnly({QStringLiteral("failures"), QStringLiteral("seconds")});
        spec.lockoutFailures = lockout.integer(QStringLiteral("failures"), spec.lockoutFailures, 0);
        spec.lockoutSeconds = lockout.integer(QStringLiteral("seconds"), spec.lockoutSeconds, 0);
        reader.adopt(lockout);
        spec.restartMs = reader.integer(QStringLiteral("restartMs"), spec.restartMs, 0);
        spec.loginTimeoutMs = reader.integer(QStringLiteral("loginTimeoutMs"), spec.loginTimeoutMs, 1);
        spec.frameTimeoutMs = reader.integer(QStringLiteral("frameTimeoutMs"), spec.frameTimeoutMs, 1);
        spec.faults = readFaults(reader, where);
        if (reader.ok()) {
            if (!spec.address.setAddress(address)) {
                reader.fail(QStringLiteral("\"address\" %1 is not an IP address").arg(address));
            } else if (!spec.address.isLoopback()) {
                reader.fail(QStringLiteral("\"address\" %1 is not a loopback address (127.0.0.0/8 or ::1); "
                                           "the simulator only listens on this machine")
                                .arg(address));
            }
        }
        if (!reader.ok()) {
            m_errorString = reader.error();
            return false;
        }
        spec.configPath = QDir::cleanPath(base.absoluteFilePath(config));
        if (!certificate.isEmpty()) {
            spec.certificatePath = QDir::cleanPath(base.absoluteFilePath(certificate));
            spec.keyPath = QDir::cleanPath(base.absoluteFilePath(key));
        }
        if (!keyDirectory.isEmpty()) {
            spec.keyDirectory = QDir::cleanPath(base.absoluteFilePath(keyDirectory));
        }
        for (const ServerProfile& other : servers) {
            const QString conflict = spec.conflictWith(other);
            if (!conflict.isEmpty()) {
                m_errorString = where + QStringLiteral(": ") + conflict;
                return false;
            }
        }
        servers.append(spec);
    }
    m_servers = servers;
    return true;
}

} // namespace sim
