#include "configsystem/section.h"

#include "configsystem/patterncache.h"

namespace kelp {

namespace {

const QString& emptyValue()
{
    static const QString empty = QString::fromLatin1("", 0);
    return empty;
}

} // namespace

Section::Section(const QString& name, const SectionKind& pattern, bool anonymousValues, bool starred,
                 std::function<void()> changeCallback)
    : m_name(name), m_starred(starred), m_anonymousValues(anonymousValues), m_changeCallback(std::move(changeCallback))
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
    const QString& text = line.text;
    const int equals = text.indexOf(QLatin1Char('='));
    SingleValue value;
    value.line = &line;
    if (equals < 1) {
        value.key = QStringRef(&anonymousKey());
        value.value = QStringRef(&text);
    } else {
        value.key = QStringRef(&text, 0, equals).trimmed();
        const QStringRef rest = QStringRef(&text, equals + 1, text.size() - equals - 1).trimmed();
        value.value = rest.isEmpty() ? QStringRef(&emptyValue()) : rest;
    }
    if (!m_anonymousValues && (value.key.isEmpty() || value.key == anonymousKey())) {
        return false;
    }
    m_values.insert(value.key, value);
    return true;
}

int Section::dropLine(const LineRecord* line)
{
    int dropped = 0;
    for (auto it = m_values.begin(); it != m_values.end();) {
        if (it.value().line == line) {
            it = m_values.erase(it);
            ++dropped;
        } else {
            ++it;
        }
    }
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
