#include "sim/faults.h"

#include <array>
#include <utility>

namespace sim {

namespace {

const std::array<std::pair<DropStep, const char*>, 8> s_stepNames = {{
    {DropStep::Connect, "connect"},
    {DropStep::Hello, "hello"},
    {DropStep::Login, "login"},
    {DropStep::GetConfig, "getconfig"},
    {DropStep::Lock, "lock"},
    {DropStep::Save, "save"},
    {DropStep::Unlock, "unlock"},
    {DropStep::Restart, "restart"},
}};

} // namespace

QString Faults::stepName(DropStep step)
{
    for (const auto& entry : s_stepNames) {
        if (entry.first == step) {
            return QString::fromLatin1(entry.second);
        }
    }
    return QString();
}

bool Faults::stepFromName(const QString& name, DropStep& step)
{
    for (const auto& entry : s_stepNames) {
        if (name == QLatin1String(entry.second)) {
            step = entry.first;
            return true;
        }
    }
    return false;
}

} // namespace sim
