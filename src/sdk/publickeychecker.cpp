#include "sdk/publickeychecker.h"

#include <atomic>

namespace kelp {

namespace {
std::atomic<bool> s_forceDisabled{false};
}

void PublicKeyChecker::forceDisabled(bool disabled)
{
    s_forceDisabled = disabled;
}

bool PublicKeyChecker::isForceDisabled()
{
    return s_forceDisabled;
}

} // namespace kelp
