#include "configsystem/sectionindex.h"

#include <algorithm>

namespace kelp {

void SectionIndex::insert(const QString& key, int span)
{
    m_entries[key].append(span);
}

void SectionIndex::erase(const QString& key, int span)
{
    const auto found = m_entries.find(key);
    if (found == m_entries.end()) {
        return;
    }
    Positions& positions = found.value();
    const auto it = std::find(positions.begin(), positions.end(), span);
    if (it == positions.end()) {
        return;
    }
    positions.remove(static_cast<int>(it - positions.begin()));
    if (positions.isEmpty()) {
        m_entries.erase(found);
    }
}

void SectionIndex::clear()
{
    m_entries.clear();
}

void SectionIndex::renumber(const std::vector<int>& moved)
{
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        Positions& positions = entry.value();
        int kept = 0;
        for (const int position : qAsConst(positions)) {
            const int now = moved[static_cast<size_t>(position)];
            if (now >= 0) {
                positions[kept++] = now;
            }
        }
        positions.resize(kept);
        entry = kept == 0 ? m_entries.erase(entry) : std::next(entry);
    }
}

QVector<int> SectionIndex::positions(const QString& key) const
{
    const auto found = m_entries.constFind(key);
    if (found == m_entries.cend()) {
        return {};
    }
    return QVector<int>(found.value().cbegin(), found.value().cend());
}

int SectionIndex::lastAdded(const QString& key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? -1 : found.value().last();
}

int SectionIndex::lowest(const QString& key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? -1 : *std::min_element(found.value().cbegin(), found.value().cend());
}

} // namespace kelp
