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
    LoginError() = default;
    LoginError(int code, const QString& server, quint16 port, int lockoutSeconds = 0);

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

    qint32 m_code = 0;
    QString m_server;
    QString m_secondText;
    quint16 m_port = 0;
    bool m_firstFlag = true;
    qint32 m_number = 0;
    LoginData m_loginData;
    bool m_secondFlag = false;
    qint32 m_lockoutSeconds = 0;
};

} // namespace kelp

Q_DECLARE_METATYPE(kelp::LoginError)
