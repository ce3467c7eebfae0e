#include "configsystem/sectionschema.h"

#include "configsystem/patterncache.h"

namespace kelp {

void SectionSchema::addKind(const SectionKind& pattern, bool anonymousValues, bool starred)
{
    m_kinds.append(pattern);
    m_flags.append(qMakePair(anonymousValues, starred));
}

SectionKind& SectionSchema::lastKind()
{
    return m_kinds.last();
}

int SectionSchema::kindOf(const QString& name) const
{
    for (int kind = 0; kind < m_kinds.size(); ++kind) {
        if (PatternCache::matches(m_kinds.at(kind), name)) {
            return kind;
        }
    }
    return -1;
}

} // namespace kelp
