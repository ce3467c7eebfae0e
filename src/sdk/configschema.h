#pragma once

#include <QSharedPointer>

namespace kelp {

class ConfigSystem;

// A new, empty configuration document carrying the SDK's section-kind schema:
// the names a server's configuration may hold (docs/protocol.md lists them).
// The client's working documents and the simulator's stored configurations
// are all made here, so both ends accept the same names.
QSharedPointer<ConfigSystem> createConfigDocument();

} // namespace kelp
