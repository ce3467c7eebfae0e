#include "configsystem/changelistener.h"

namespace kelp {

ChangeListener::~ChangeListener() = default;

} // namespace kelp
