#pragma once

#include "configsystem/sectionkind.h"

#include <QPair>
#include <QString>
#include <QVector>

namespace kelp {

// The section kinds a document accepts, in the order they are tried, with two
// flags per kind: anonymousValues (keyless lines are values too) and starred
// (headers are written with a "*" before the name).
class SectionSchema
{
public:
    void addKind(const SectionKind& pattern, bool anonymousValues, bool starred);
    // The pattern of the kind added last.
    SectionKind& lastKind();

    // The first kind whose pattern matches name, or -1.
    int kindOf(const QString& name) const;
    const SectionKind& pattern(int kind) const { return m_kinds.at(kind); }
    bool anonymousValues(int kind) const { return m_flags.at(kind).first; }
    bool starred(int kind) const { return m_flags.at(kind).second; }

private:
    QVector<SectionKind> m_kinds;
    QVector<QPair<bool, bool>> m_flags; // (anonymousValues, starred)
};

} // namespace kelp
