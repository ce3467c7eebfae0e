#pragma once

#include <QStringRef>
#include <QVector>

#include <vector>

namespace kelp {

// An ordered multi-map from a name (section name or kind word) to a span
// position, kept as one sorted array: walking it whole, as removing a
// section does to close the gap, touches contiguous memory. Entries added
// are put in order when the index is next read, so a load that adds
// thousands of sections sorts once.
class SectionIndex
{
public:
    void insert(const QStringRef& key, int span);
    void erase(const QStringRef& key, int span);
    void clear();
    // Lowers every position above span by one (the span at span is gone).
    void closeGap(int span);
    // The positions under key, in the order they were added.
    QVector<int> positions(const QStringRef& key) const;
    // The position under key added last, or -1.
    int lastAdded(const QStringRef& key) const;

private:
    struct Entry
    {
        QStringRef key;
        int span;
    };

    // Equal keys keep the order they were added in.
    void sort() const;
    std::pair<std::vector<Entry>::const_iterator, std::vector<Entry>::const_iterator>
    range(const QStringRef& key) const;

    mutable std::vector<Entry> m_entries;
    mutable std::vector<Entry>::size_type m_sortedCount = 0;
};

} // namespace kelp
