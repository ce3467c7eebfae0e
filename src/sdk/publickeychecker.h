#pragma once

namespace kelp {

// Process-wide switch for the verification of servers' public keys.
class PublicKeyChecker final
{
public:
    static void forceDisabled(bool disabled);
    static bool isForceDisabled();
};

} // namespace kelp
