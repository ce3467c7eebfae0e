#include "sdk/logindata.h"

namespace kelp {

LoginData::LoginData(const QString& username, const QString& password, const OrrinUrl& url, bool firstFlag,
                     bool secondFlag, bool thirdFlag)
    : m_username(username), m_password(password), m_url(url), m_firstFlag(firstFlag), m_secondFlag(secondFlag),
      m_thirdFlag(thirdFlag)
{
}

} // namespace kelp
