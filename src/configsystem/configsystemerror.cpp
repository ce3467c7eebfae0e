#include "configsystem/configsystemerror.h"

namespace kelp {

ConfigSystemError::~ConfigSystemError() = default;

ConfigSystemBadSection::ConfigSystemBadSection(const QString& name)
    : ConfigSystemErrorCategory(QStringLiteral("Invalid name for section: \"") + name + QLatin1Char('"'))
{
}

ConfigSystemEditError::ConfigSystemEditError(const QString& oldName, const QString& newName)
    : ConfigSystemErrorCategory(QStringLiteral("Can't convert from \"") + oldName + QStringLiteral("\" to \"") +
                                newName + QLatin1Char('"'))
{
}

// The text has no closing parenthesis: callers match on it as it always was.
ConfigSystemOutOfRange::ConfigSystemOutOfRange(int index, int count)
    : ConfigSystemErrorCategory(QStringLiteral("Index ") + QString::number(index) +
                                QStringLiteral(" is out of range (elements count: ") + QString::number(count))
{
}

} // namespace kelp
