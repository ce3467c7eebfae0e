#include "configsystem/valueiterator.h"

#include <algorithm>

namespace kelp {

template <typename Key, typename Value>
ValueIterator<Key, Value>::ValueIterator(const Section::Values& values, Section::Values::const_iterator start,
                                         const Key& key, Qt::CaseSensitivity sensitivity)
    : m_values(&values), m_current(start), m_key(key), m_sensitivity(sensitivity)
{
    skipToMatch();
}

template <typename Key, typename Value> ValueIterator<Key, Value>& ValueIterator<Key, Value>::operator++()
{
    ++m_current;
    skipToMatch();
    return *this;
}

template <typename Key, typename Value> void ValueIterator<Key, Value>::skipToMatch()
{
    while (m_current != m_values->cend() && m_current->key.compare(m_key, m_sensitivity) != 0) {
        ++m_current;
    }
}

template <typename Key, typename Value>
QVector<typename ValueIterator<Key, Value>::LineWrapper>
ValueIterator<Key, Value>::matching(const Section::Values& values, const Key& key, Qt::CaseSensitivity sensitivity)
{
    const MakeWrapper wrap = wrapperMaker();
    QVector<LineWrapper> wrappers;
    for (ValueIterator it(values, values.cbegin(), key, sensitivity); !it.atEnd(); ++it) {
        wrappers.append(wrap(*it));
    }
    sortByLine(wrappers);
    return wrappers;
}

template <typename Key, typename Value>
QVector<typename ValueIterator<Key, Value>::LineWrapper> ValueIterator<Key, Value>::all(const Section::Values& values)
{
    const MakeWrapper wrap = wrapperMaker();
    QVector<LineWrapper> wrappers;
    wrappers.reserve(values.size());
    for (const Section::SingleValue& value : values) {
        wrappers.append(wrap(value));
    }
    sortByLine(wrappers);
    return wrappers;
}

// A wrapper is the pair of references the value accessor yields, plus the
// number its line carries now (lines renumber as others come and go).
template <typename Key, typename Value>
typename ValueIterator<Key, Value>::MakeWrapper ValueIterator<Key, Value>::wrapperMaker()
{
    const auto keyAndValue = [](const Section::SingleValue& value) { return qMakePair(value.key, value.value); };
    const auto lineNumber = [](const Section::SingleValue& value) { return value.line->number; };
    return [keyAndValue, lineNumber](const Section::SingleValue& value) {
        const auto refs = keyAndValue(value);
        return LineWrapper{refs.first, refs.second, lineNumber(value)};
    };
}

template <typename Key, typename Value> void ValueIterator<Key, Value>::sortByLine(QVector<LineWrapper>& wrappers)
{
    std::stable_sort(wrappers.begin(), wrappers.end(),
                     [](const LineWrapper& a, const LineWrapper& b) { return a.lineNumber < b.lineNumber; });
}

template class ValueIterator<QStringRef, QStringRef>;

} // namespace kelp
