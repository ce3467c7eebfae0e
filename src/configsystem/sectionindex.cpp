#include "configsystem/sectionindex.h"

#include <algorithm>

namespace kelp {

namespace {

struct ByKey
{
    template <typename A, typename B> bool operator()(const A& a, const B& b) const { return keyOf(a) < keyOf(b); }
    template <typename E> static const QStringRef& keyOf(const E& entry) { return entry.key; }
    static const QStringRef& keyOf(const QStringRef& key) { return key; }
};

} // namespace

void SectionIndex::insert(const QStringRef& key, int span)
{
    m_entries.push_back(Entry{key, span});
}

// A scan by position finds the entry without putting new entries in order
// first, so replacing sections one after another never sorts.
void SectionIndex::erase(const QStringRef& key, int span)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&key, span](const Entry& entry) { return entry.span == span && entry.key == key; });
    if (it == m_entries.end()) {
        return;
    }
    if (static_cast<std::vector<Entry>::size_type>(it - m_entries.begin()) < m_sortedCount) {
        --m_sortedCount;
    }
    m_entries.erase(it);
}

void SectionIndex::clear()
{
    m_entries.clear();
    m_sortedCount = 0;
}

void SectionIndex::closeGap(int span)
{
    for (Entry& entry : m_entries) {
        if (entry.span > span) {
            --entry.span;
        }
    }
}

QVector<int> SectionIndex::positions(const QStringRef& key) const
{
    const auto found = range(key);
    QVector<int> spans;
    spans.reserve(static_cast<int>(found.second - found.first));
    for (auto it = found.first; it != found.second; ++it) {
        spans.append(it->span);
    }
    return spans;
}

int SectionIndex::lastAdded(const QStringRef& key) const
{
    const auto found = range(key);
    return found.first == found.second ? -1 : std::prev(found.second)->span;
}

void SectionIndex::sort() const
{
    if (m_sortedCount == m_entries.size()) {
        return;
    }
    const auto sortedEnd = m_entries.begin() + static_cast<std::ptrdiff_t>(m_sortedCount);
    std::stable_sort(sortedEnd, m_entries.end(), ByKey());
    std::inplace_merge(m_entries.begin(), sortedEnd, m_entries.end(), ByKey());
    m_sortedCount = m_entries.size();
}

std::pair<std::vector<SectionIndex::Entry>::const_iterator, std::vector<SectionIndex::Entry>::const_iterator>
SectionIndex::range(const QStringRef& key) const
{
    sort();
    return std::equal_range(m_entries.cbegin(), m_entries.cend(), key, ByKey());
}

} // namespace kelp
