#pragma once

#include <QtGlobal>

namespace kelp {

// Identifies one asynchronous request to a server; answers carry the same id.
using RequestId = quint32;

} // namespace kelp
