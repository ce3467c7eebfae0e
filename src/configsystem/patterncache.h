#pragma once

#include "configsystem/sectionkind.h"

#include <QRegExp>
#include <QString>

namespace kelp {

// The process-wide cache of the regular expressions that section-kind patterns
// name, shared by every document and every thread. It starts with the nine
// expressions section names are built from; every access holds one mutex,
// because a QRegExp keeps its match state inside itself.
class PatternCache
{
public:
    PatternCache() = delete;

    // Whether name matches the pattern's pieces in order, as a prefix of name.
    // The mutex is held across all pieces.
    static bool matches(const SectionKind& pattern, const QString& name);
    // The cached expression for patternName; a name the cache does not know
    // gets an empty expression (which never matches) stored under it. The
    // pointer stays valid until the process ends; only use the expression
    // through this class.
    static const QRegExp* expression(const QString& patternName);
    // The pattern texts held, in the cache's order.
    static QStringList patternNames();
};

} // namespace kelp
