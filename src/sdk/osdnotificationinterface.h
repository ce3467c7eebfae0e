#pragma once

#include <QString>

namespace kelp {

// On-screen notifications the SDK may raise; Quorlan passes none.
class OsdNotificationInterface
{
public:
    virtual ~OsdNotificationInterface() = default;
    virtual void notify(const QString& text) = 0;
};

} // namespace kelp
