#include "configsystem/section.h"

#include "configsystem/patterncache.h"

#include <algorithm>

namespace kelp {

namespace {

const QString& emptyValue()
{
    static const QString empty = QString::fromLatin1("", 0);
    return empty;
}

// The part of text from first to last without white space at either end.
QStringRef trimmed(const QString* text, const QChar* first, const QChar* last)
{
    while (first != last && first->isSpace()) {
        ++first;
    }
    while (last != first && (last - 1)->isSpace()) {
        --last;
    }
    return QStringRef(text, static_cast<int>(first - text->constData()), static_cast<int>(last - first));
}

} // namespace

Section::Section(const QString& name, const SectionKind& pattern, bool anonymousValues, bool starred,
                 std::function<void()> changeCallback, std::pmr::memory_resource* memory)
    : m_name(name), m_starred(starred), m_values(Values::allocator_type(memory)), m_anonymousValues(anonymousValues),
      m_changeCallback(std::move(changeCallback))
{
    buildPieces(pattern);
    markChanged();
}

const QString& Section::anonymousKey()
{
    static const QString key = QStringLiteral("__anonymous__");
    return key;
}

QStringRef Section::kindWord() const
{
    if (m_pieces.isEmpty()) {
        return QStringRef(&emptyValue());
    }
    return QStringRef(&m_pieces.at(m_kindWordIndex).text);
}

void Section::rename(const QString& name, const SectionKind& pattern)
{
    m_name = name;
    buildPieces(pattern);
    markChanged();
}

void Section::markChanged()
{
    if (!m_changed) {
        m_changed = true;
        if (m_changeCallback) {
            m_changeCallback();
        }
    }
}

bool Section::offerLine(LineRecord& line)
{
    markChanged();
    const QStringRef& text = line.text;
    const QChar* const begin = text.unicode();
    const QChar* const end = begin + text.size();
    const QChar* equals = begin;
    while (equals != end && *equals != QLatin1Char('=')) {
        ++equals;
    }
    SingleValue value;
    value.line = &line;
    if (equals == end || equals == begin) {
        value.key = QStringRef(&anonymousKey());
        value.value = text;
    } else {
        value.key = trimmed(text.string(), begin, equals);
        const QStringRef rest = trimmed(text.string(), equals + 1, end);
        value.value = rest.isEmpty() ? QStringRef(&emptyValue()) : rest;
    }
    if (!m_anonymousValues && (value.key.isEmpty() || value.key == anonymousKey())) {
        return false;
    }
    m_values.push_back(value);
    return true;
}

void Section::reserveValues(int count)
{
    m_values.reserve(static_cast<Values::size_type>(qMax(count, 0)));
}

const Section::Values& Section::values() const
{
    sortValues();
    return m_values;
}

int Section::dropLine(const LineRecord* line)
{
    sortValues();
    const auto kept = std::remove_if(m_values.begin(), m_values.end(),
                                     [line](const SingleValue& value) { return value.line == line; });
    const auto dropped = static_cast<int>(m_values.end() - kept);
    m_values.erase(kept, m_values.end());
    m_sortedCount = m_values.size();
    return dropped;
}

const Section::SingleValue* Section::valueOfLine(const LineRecord* line) const
{
    for (const SingleValue& value : m_values) {
        if (value.line == line) {
            return &value;
        }
    }
    return nullptr;
}

// The new values, newest first, are sorted by key and merged in front of
// the ordered ones they equal: among equal keys the latest comes first.
void Section::sortValues() const
{
    if (m_sortedCount == m_values.size()) {
        return;
    }
    const auto sortedEnd = m_values.begin() + static_cast<Values::difference_type>(m_sortedCount);
    std::reverse(sortedEnd, m_values.end());
    std::stable_sort(sortedEnd, m_values.end(), ByKey());
    std::rotate(m_values.begin(), sortedEnd, m_values.end());
    std::inplace_merge(m_values.begin(), m_values.end() - static_cast<Values::difference_type>(m_sortedCount),
                       m_values.end(), ByKey());
    m_sortedCount = m_values.size();
}

void Section::buildPieces(const SectionKind& pattern)
{
    m_pieces.clear();
    m_pieces.reserve(pattern.size());
    int firstLiteral = -1;
    int lastStarredLiteral = -1;
    for (int i = 0; i < pattern.size(); ++i) {
        const PatternPiece& piece = pattern.at(i);
        Piece built;
        if (piece.second.isEmpty()) {
            const bool starredLiteral = piece.first.startsWith(QLatin1Char('*'));
            built.text = starredLiteral ? piece.first.mid(1) : piece.first;
            if (firstLiteral < 0) {
                firstLiteral = i;
            }
            if (starredLiteral) {
                lastStarredLiteral = i;
            }
        } else {
            built.text = piece.first;
            built.expression = PatternCache::expression(piece.second);
        }
        m_pieces.append(built);
    }
    const int kindWord = lastStarredLiteral >= 0 ? lastStarredLiteral : qMax(firstLiteral, 0);
    m_kindWordIndex = static_cast<quint16>(kindWord);
}

} // namespace kelp
