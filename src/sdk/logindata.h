#pragma once

#include "sdk/orrinurl.h"

#include <QString>

namespace kelp {

// One login attempt: credentials and the server's address. A value type.
// The three flags are carried for the vendor interface; the stand-in SDK does
// not interpret them.
class LoginData
{
public:
    LoginData() = default;
    LoginData(const QString& username, const QString& password, const OrrinUrl& url, bool firstFlag, bool secondFlag,
              bool thirdFlag);

    QString username() const { return m_username; }
    QString password() const { return m_password; }
    OrrinUrl orrinUrl() const { return m_url; }

private:
    QString m_username;
    QString m_password;
    OrrinUrl m_url;
    bool m_firstFlag = true;
    bool m_secondFlag = false;
    bool m_thirdFlag = false;
};

} // namespace kelp
