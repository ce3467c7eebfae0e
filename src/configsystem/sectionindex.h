#pragma once

#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <QVector>

#include <vector>

namespace kelp {

// A multi-map from a name (section name or kind word) to span positions,
// hashed, so that adding an entry and finding one cost the same however many
// sections the document holds: a merge that adds and looks up a section for
// every section of a large text stays linear. Keys are held as shared copies,
// so an entry never refers to a section that has gone.
class SectionIndex
{
public:
    void insert(const QString& key, int span);
    void erase(const QString& key, int span);
    void clear();
    // Room for count keys.
    void reserve(int count) { m_entries.reserve(count); }
    // Gives every entry at position p the position moved[p]; entries whose new
    // position is -1 leave. Entries keep their order.
    void renumber(const std::vector<int>& moved);
    // The positions under key, in the order they were added.
    QVector<int> positions(const QString& key) const;
    // The position under key added last, or -1.
    int lastAdded(const QString& key) const;
    // The lowest position under key, or -1.
    int lowest(const QString& key) const;

private:
    // Most names are held once: one position is kept without an allocation.
    using Positions = QVarLengthArray<int, 1>;

    QHash<QString, Positions> m_entries;
};

} // namespace kelp
