#pragma once

#include "sdk/errorinterface.h"

#include <QMetaType>
#include <QString>

namespace kelp {

// An error the SDK reports about a request to a connected server (lock, save,
// unlock, lost connection). Its text is the SDK's own, readable, never holding
// a password.
class ConnectionError : public ErrorInterface
{
public:
    ConnectionError() = default;
    ConnectionError(int code, const QString& text);

    QString toString() const override { return m_text; }
    int errorId() const override { return m_code; }
    void reset() override;
    bool hasError() const override { return m_code != 0; }

private:
    int m_code = 0;
    QString m_text;
};

} // namespace kelp

Q_DECLARE_METATYPE(kelp::ConnectionError)
