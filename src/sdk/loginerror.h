#pragma once

#include "sdk/errorinterface.h"
#include "sdk/logindata.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QString>

namespace kelp {

// Why a login was refused. toString() gives the user-facing, translated text
// (context "kelp::LoginError") for the error code.
class LoginError : public ErrorInterface
{
    Q_DECLARE_TR_FUNCTIONS(kelp::LoginError)

public:
    // The SDK's own code for a server whose public key is not the one
    // pinned for it. 11 has a fixed text that cannot say what to do about it.
    static constexpr int ServerKeyChanged = 111;

    LoginError() = default;
    LoginError(int code, const QString& server, quint16 port, int lockoutSeconds = 0);
    // ServerKeyChanged with both keys' fingerprints and the file the pinned one is in.
    static LoginError serverKeyChanged(const QString& server, quint16 port, const QString& knownKey,
                                       const QString& presentedKey, const QString& knownKeysFile);

    QString toString() const override;
    int errorId() const override { return m_code; }
    void reset() override;
    bool hasError() const override { return m_code != 0; }

    QString server() const { return m_server; }
    quint16 port() const { return m_port; }
    int lockoutSeconds() const { return m_lockoutSeconds; }
    LoginData loginData() const { return m_loginData; }
    void setLoginData(const LoginData& data) { m_loginData = data; }

private:
    QString lockedOutText() const;
    QString keyChangedText() const;

    qint32 m_code = 0;
    QString m_server;
    QString m_secondText;
    quint16 m_port = 0;
    bool m_firstFlag = true;
    qint32 m_number = 0;
    LoginData m_loginData;
    bool m_secondFlag = false;
    qint32 m_lockoutSeconds = 0;
    QString m_knownKey;
    QString m_presentedKey;
    QString m_knownKeysFile;
};

} // namespace kelp

Q_DECLARE_METATYPE(kelp::LoginError)
