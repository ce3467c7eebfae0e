#pragma once

#include "configsystem/section.h"

#include <QVector>

#include <functional>

namespace kelp {

// Walks a section's values in key order, stopping only at those whose key
// matches the iterator's key (case-sensitively or not). Lists built from it
// are in line order, so index 0 is the matching value nearest the section's
// header. Valid while the section is not changed.
template <typename Key, typename Value> class ValueIterator
{
public:
    // One value as handed out: key, value and the current number of its line.
    struct LineWrapper
    {
        Key key;
        Value value;
        quint64 lineNumber = 0;
    };
    using MakeWrapper = std::function<LineWrapper(const Section::SingleValue&)>;

    // Starts at the first matching value at or after start.
    ValueIterator(const Section::Values& values, Section::Values::const_iterator start, const Key& key,
                  Qt::CaseSensitivity sensitivity);

    bool atEnd() const { return m_current == m_values->cend(); }
    const Section::SingleValue& operator*() const { return *m_current; }
    ValueIterator& operator++();

    // The values whose key matches key, sorted by line number.
    static QVector<LineWrapper> matching(const Section::Values& values, const Key& key,
                                         Qt::CaseSensitivity sensitivity);
    // Every value of the section, sorted by line number.
    static QVector<LineWrapper> all(const Section::Values& values);

private:
    void skipToMatch();
    static MakeWrapper wrapperMaker();
    static void sortByLine(QVector<LineWrapper>& wrappers);

    const Section::Values* m_values;
    Section::Values::const_iterator m_current;
    Key m_key;
    Qt::CaseSensitivity m_sensitivity;
};

extern template class ValueIterator<QStringRef, QStringRef>;

} // namespace kelp
