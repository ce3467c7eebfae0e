#include "configsystem/configsystem.h"

#include "configsystem/changelistener.h"
#include "configsystem/documentbody.h"
#include "configsystem/textlines.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <limits>
#include <utility>
#include <vector>

namespace kelp {

namespace {

int clampToInt(quint64 number)
{
    return static_cast<int>(std::min<quint64>(number, std::numeric_limits<int>::max()));
}

// A merged section whose header the document writes in another form: a
// starred kind's name without its star comes back as "[*" + name + "]", and
// the section is merged as written, so that name must load too.
struct RewrittenSection
{
    RewrittenSection(const QString& text, const SectionSchema& schema)
        : lines(text), headers(DocumentBody::findHeaders(lines, schema))
    {
    }

    TextLines lines;
    QVector<DocumentBody::HeaderLine> headers;
};

QString withStarredHeader(const DocumentBody::LineBlock& block, const QString& name)
{
    QString written = DocumentBody::headerText(name, true);
    for (int i = block.first + 1; i < block.first + block.count; ++i) {
        written += QLatin1Char('\n') + block.lines->line(i);
    }
    return written;
}

using MergeSteps = std::vector<std::pair<QString, DocumentBody::LineBlock>>;

// Finds the first header of each name in a text: a flat table of (hash,
// header) pairs with open addressing, twice as large as the text has headers.
// A text of a million sections costs about one cache miss per section, and
// names are compared only when their hashes are equal.
class FirstOfName
{
public:
    FirstOfName(const TextLines& lines, const QVector<DocumentBody::HeaderLine>& headers)
        : m_lines(lines), m_headers(headers)
    {
        std::size_t size = 16;
        while (size < 2 * static_cast<std::size_t>(headers.size())) {
            size *= 2;
        }
        m_slots.assign(size, Slot{0, -1});
    }

    // The header of the first section named like the header at index (index
    // itself when no earlier header has that name).
    int first(int index)
    {
        const QStringRef name = nameOf(index);
        const uint hash = qHash(name);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = m_slots[at];
            if (slot.header < 0) {
                slot = Slot{hash, index};
                return index;
            }
            if (slot.hash == hash && nameOf(slot.header) == name) {
                return slot.header;
            }
        }
    }

private:
    struct Slot
    {
        uint hash;
        int header;
    };

    QStringRef nameOf(int index) const { return TextLines::headerName(m_lines.line(m_headers.at(index).line)); }

    const TextLines& m_lines;
    const QVector<DocumentBody::HeaderLine>& m_headers;
    std::vector<Slot> m_slots;
};

// The sections of a merged text in their order, each by the lines of the
// first section of its name. Throws ConfigSystemBadSection for a section that
// would not load as written; rewritten keeps the lines of those written anew.
MergeSteps mergeSteps(const TextLines& lines, const QVector<DocumentBody::HeaderLine>& headers,
                      const SectionSchema& schema, std::deque<RewrittenSection>& rewritten)
{
    MergeSteps steps;
    steps.reserve(static_cast<size_t>(headers.size()));
    FirstOfName firstOfName(lines, headers);
    for (int i = 0; i < headers.size(); ++i) {
        const int first = headers.at(i).line;
        const QString name = TextLines::headerName(lines.line(first)).toString();
        // There is one step per header, so a name's first step has its first header's index.
        const int firstHeader = firstOfName.first(i);
        if (firstHeader < i) {
            steps.emplace_back(name, steps[static_cast<size_t>(firstHeader)].second);
            continue;
        }
        const int end = i + 1 < headers.size() ? headers.at(i + 1).line : lines.count();
        DocumentBody::LineBlock block{&lines, &headers, first, end - first, i};
        if (schema.starred(headers.at(i).kind) && !name.startsWith(QLatin1Char('*'))) {
            rewritten.emplace_back(withStarredHeader(block, name), schema);
            block = DocumentBody::LineBlock::whole(rewritten.back().lines, rewritten.back().headers);
        }
        steps.emplace_back(name, block);
    }
    return steps;
}

QString withoutNul(const QString& text)
{
    QString content = text;
    content.remove(QChar(0));
    return content;
}

// A text as a load reads it before it changes anything: without NUL
// characters, cut into lines, with the kinds of its headers and, for a merge,
// its sections in the order they are merged. Throws ConfigSystemBadSection
// when the load would.
struct ReadText
{
    ReadText(const QString& text, bool merge, const SectionSchema& schema)
        : lines(withoutNul(text)), headers(DocumentBody::findHeaders(lines, schema))
    {
        if (merge) {
            steps = mergeSteps(lines, headers, schema, rewritten);
        }
    }

    TextLines lines;
    QVector<DocumentBody::HeaderLine> headers;
    std::deque<RewrittenSection> rewritten;
    MergeSteps steps;
};

} // namespace

ConfigSystem::ConfigSystem() : m_body(std::make_unique<DocumentBody>(1))
{
}

ConfigSystem::~ConfigSystem() = default;

void ConfigSystem::addSectionKind(const SectionKind& pattern, bool anonymousValues, bool starred)
{
    m_schema.addKind(pattern, anonymousValues, starred);
}

SectionKind& ConfigSystem::addSectionKind(const QString& text, const QString& patternName, bool anonymousValues,
                                          bool starred)
{
    m_schema.addKind(SectionKind{PatternPiece(text, patternName)}, anonymousValues, starred);
    return m_schema.lastKind();
}

void ConfigSystem::setChangeListener(std::unique_ptr<ChangeListener> listener)
{
    m_changeListener = std::move(listener);
}

void ConfigSystem::loadText(const QString& text, bool merge, bool keepModified)
{
    const ReadText read(text, merge, m_schema);
    if (!merge) {
        // Past the header check only running out of memory can stop the
        // reload half-way; the document is then left empty.
        try {
            m_body->reload(read.lines, read.headers, read.lines.contentLineCount(), m_schema);
        } catch (...) {
            m_body = std::make_unique<DocumentBody>(1);
            throw;
        }
        m_body->settle();
        if (!keepModified) {
            m_body->markUnmodified();
        }
    } else {
        m_body->reserve(static_cast<quint64>(read.lines.count()), static_cast<int>(read.steps.size()));
        for (const auto& step : read.steps) {
            const int existing = m_body->findSpan(step.first);
            if (existing < 0) {
                m_body->place(step.second, m_body->nextLine(), 0, m_schema);
            } else {
                m_body->replaceSection(existing, step.second, m_schema);
            }
        }
        m_body->settle();
    }
    if (m_changeListener) {
        m_changeListener->documentLoaded();
    }
}

void ConfigSystem::checkText(const QString& text, bool merge) const
{
    const ReadText read(text, merge, m_schema);
    Q_UNUSED(read)
}

void ConfigSystem::loadText(const char* utf8, int size)
{
    if (utf8 && size > 0 && utf8[size - 1] == '\0') {
        --size;
    }
    loadText(QString::fromUtf8(utf8, size), false, false);
}

void ConfigSystem::appendText(const char* utf8, int size)
{
    const TextLines lines(QString::fromUtf8(utf8, size));
    const QVector<DocumentBody::HeaderLine> headers = DocumentBody::findHeaders(lines, m_schema);
    m_body->place(DocumentBody::LineBlock::whole(lines, headers), m_body->nextLine(), 0, m_schema);
    m_body->settle();
}

void ConfigSystem::replaceSection(const QString& name, const QString& text, const QStringList& preservedKeys)
{
    const int existing = m_body->findSpan(name);
    if (existing < 0) {
        throw ConfigSystemBadSection(name);
    }
    QString replacement = text;
    if (!preservedKeys.isEmpty()) {
        const TextLines current(m_body->sectionText(name));
        QStringList kept;
        for (const QString& key : preservedKeys) {
            for (int i = 0; i < current.count(); ++i) {
                if (TextLines::keyPart(current.line(i)).toString().toLower() == key.toLower()) {
                    kept.append(current.line(i).toString());
                    break;
                }
            }
        }
        const TextLines incoming(text);
        QStringList result;
        for (int i = 0; i < incoming.count(); ++i) {
            const QString keyPart = TextLines::keyPart(incoming.line(i)).toString();
            if (!preservedKeys.contains(keyPart)) {
                result.append(incoming.line(i).toString());
                continue;
            }
            const QString lowerKey = keyPart.toLower();
            for (const QString& line : qAsConst(kept)) {
                if (TextLines::keyPart(QStringRef(&line)).toString().toLower() == lowerKey) {
                    result.append(line);
                    break;
                }
            }
        }
        replacement = result.join(QLatin1Char('\n'));
    }
    const TextLines lines(replacement);
    const QVector<DocumentBody::HeaderLine> headers = DocumentBody::findHeaders(lines, m_schema);
    m_body->replaceSection(existing, DocumentBody::LineBlock::whole(lines, headers), m_schema);
    m_body->settle();
}

QString ConfigSystem::toText() const
{
    return m_body->text();
}

QString ConfigSystem::sectionText(const QString& name) const
{
    return m_body->sectionText(name);
}

QString ConfigSystem::debugString() const
{
    return m_body->debugString();
}

void ConfigSystem::setValue(const QString& key, const QString& value, const QString& sectionName, quint64 lineNumber)
{
    const int span = m_body->indexedSpan(sectionName);
    if (span < 0) {
        throw ConfigSystemBadSection(sectionName);
    }
    const SectionSpan& target = m_body->span(span);
    const Section& section = *target.section;
    LineRecord* record = lineNumber > target.first && lineNumber < target.end() ? &m_body->line(lineNumber) : nullptr;
    const Section::SingleValue* old = record ? section.valueOfLine(record) : nullptr;

    if (old && !section.hasAnonymousValues()) {
        // Key and value positions count from the start of the line's storage.
        const QStringRef text = record->text;
        const int keyStart = old->key.position() - text.position();
        const int keyEnd = keyStart + old->key.size();
        QString rewritten = text.left(keyStart) + key;
        if (old->value.isEmpty()) {
            rewritten += QLatin1Char('=') + value;
        } else {
            const int valueStart = old->value.position() - text.position();
            rewritten += text.mid(keyEnd, valueStart - keyEnd) + value + text.mid(valueStart + old->value.size());
        }
        if (rewritten != text) {
            m_body->rewriteLine(span, *record, rewritten);
        }
        return;
    }
    const QString line = key.isEmpty() ? value : key + QLatin1Char('=') + value;
    if (record) {
        m_body->rewriteLine(span, *record, line);
    } else {
        m_body->insertLine(target.end(), line, true);
    }
}

QList<QStringRef> ConfigSystem::sectionNamesOfKind(const QString& kind) const
{
    return m_body->sectionNamesOfKind(kind);
}

QList<QStringRef> ConfigSystem::sectionNames() const
{
    return m_body->sectionNames();
}

bool ConfigSystem::hasSection(const QString& name) const
{
    return m_body->hasSection(name);
}

const Section* ConfigSystem::section(const QString& name) const
{
    const int span = m_body->indexedSpan(name);
    return span < 0 ? nullptr : m_body->span(span).section.get();
}

std::pair<bool, const Section&> ConfigSystem::ensureSection(const QString& name)
{
    const int existing = m_body->indexedSpan(name);
    if (existing >= 0) {
        return {false, *m_body->span(existing).section};
    }
    const int kind = m_schema.kindOf(name);
    if (kind < 0) {
        throw ConfigSystemBadSection(name);
    }
    if (m_body->spanCount() > 0) {
        const int last = m_body->spanOfLine(m_body->nextLine() - 1);
        if (last >= 0 && !m_body->span(last).section->hasAnonymousValues()) {
            m_body->insertLine(m_body->nextLine(), QString(), false);
        }
    }
    const int added = m_body->addSection(name, kind, m_schema, m_body->nextLine());
    return {true, *m_body->span(added).section};
}

void ConfigSystem::removeSection(const QString& name)
{
    const int span = m_body->findSpan(name);
    if (span < 0) {
        throw ConfigSystemBadSection(name);
    }
    m_body->removeSection(span);
}

void ConfigSystem::renameSection(const QString& oldName, const QString& newName)
{
    const int span = m_body->findSpan(oldName);
    if (span < 0) {
        throw ConfigSystemBadSection(oldName);
    }
    const int kind = m_schema.kindOf(newName);
    if (kind < 0) {
        throw ConfigSystemBadSection(newName);
    }
    const Section& section = *m_body->span(span).section;
    if (m_schema.anonymousValues(kind) != section.hasAnonymousValues() ||
        m_schema.starred(kind) != section.isStarred()) {
        throw ConfigSystemEditError(oldName, newName);
    }
    m_body->renameSection(span, newName, kind, m_schema);
}

void ConfigSystem::renameSectionInstance(const QString& prefix, quint32 oldId, quint32 newId)
{
    const QString oldName = prefix + QStringLiteral("_0x") + QString::number(oldId, 16);
    if (m_body->findSpan(oldName) >= 0) {
        renameSection(oldName, prefix + QStringLiteral("_0x") + QString::number(newId, 16));
    }
}

QList<RemovedSection> ConfigSystem::removedSections() const
{
    return m_body->removedSections();
}

void ConfigSystem::insertLine(quint64 lineNumber, const QString& text, bool attach)
{
    if (lineNumber < 1 || lineNumber > m_body->nextLine()) {
        throw ConfigSystemOutOfRange(clampToInt(lineNumber), clampToInt(lineCount()));
    }
    m_body->insertLine(lineNumber, text, attach);
}

quint64 ConfigSystem::lineCount() const
{
    return m_body->nextLine() - 1;
}

QStringRef ConfigSystem::value(const QString& sectionName, const QString& key, bool caseInsensitive) const
{
    const Section* found = section(sectionName);
    if (!found) {
        return QStringRef();
    }
    const Section::Values& values = found->values();
    if (!caseInsensitive) {
        const QStringRef wanted(&key);
        const auto it = std::lower_bound(values.cbegin(), values.cend(), wanted, Section::ByKey());
        return it != values.cend() && it->key == wanted ? it->value : QStringRef();
    }
    for (const Section::SingleValue& entry : values) {
        if (entry.key.compare(key, Qt::CaseInsensitive) == 0) {
            return entry.value;
        }
    }
    return QStringRef();
}

QVector<ConfigSystem::ValueLine> ConfigSystem::values(const QString& sectionName, const QString& key,
                                                      bool caseInsensitive) const
{
    const Section* found = section(sectionName);
    if (!found) {
        return {};
    }
    return ValueIterator<QStringRef, QStringRef>::matching(found->values(), QStringRef(&key),
                                                           caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

void ConfigSystem::removeValue(const QString& sectionName, const QString& key, int index)
{
    const int span = requireSpan(sectionName);
    removeValueOf(span,
                  ValueIterator<QStringRef, QStringRef>::matching(m_body->span(span).section->values(),
                                                                  QStringRef(&key), Qt::CaseInsensitive),
                  index);
}

void ConfigSystem::removeValueAt(const QString& sectionName, int index)
{
    const int span = requireSpan(sectionName);
    removeValueOf(span, ValueIterator<QStringRef, QStringRef>::all(m_body->span(span).section->values()), index);
}

void ConfigSystem::renameKey(const QString& sectionName, const QString& oldKey, const QString& newKey)
{
    const int span = requireSpan(sectionName);
    const QVector<ValueLine> matching = ValueIterator<QStringRef, QStringRef>::matching(
        m_body->span(span).section->values(), QStringRef(&oldKey), Qt::CaseInsensitive);
    if (matching.isEmpty()) {
        throw ConfigSystemOutOfRange(0, 0);
    }
    LineRecord& record = m_body->line(matching.first().lineNumber);
    const int equals = record.text.indexOf(QLatin1Char('='));
    const QString rewritten = newKey + (equals < 0 ? record.text : record.text.mid(equals));
    m_body->rewriteLine(span, record, rewritten);
}

void ConfigSystem::removeValueLine(quint64 lineNumber)
{
    const int span = m_body->spanOfLine(lineNumber);
    const Section::SingleValue* found =
        span < 0 ? nullptr : m_body->span(span).section->valueOfLine(&m_body->line(lineNumber));
    if (!found) {
        throw ConfigSystemBadSection(QStringLiteral("NoName, FIXME"));
    }
    removeValueLineOf(span, *found->line);
}

bool ConfigSystem::isModified() const
{
    return m_body->isModified();
}

int ConfigSystem::requireSpan(const QString& sectionName) const
{
    const int span = m_body->indexedSpan(sectionName);
    if (span < 0) {
        throw ConfigSystemBadSection(sectionName);
    }
    return span;
}

void ConfigSystem::removeValueOf(int span, const QVector<ValueLine>& candidates, int index)
{
    if (candidates.isEmpty()) {
        throw ConfigSystemOutOfRange(0, 0);
    }
    if (index < 0 || index >= candidates.size()) {
        throw ConfigSystemOutOfRange(index, candidates.size());
    }
    removeValueLineOf(span, m_body->line(candidates.at(index).lineNumber));
}

// A section without values left would be a bare header: it goes as a whole.
void ConfigSystem::removeValueLineOf(int span, LineRecord& line)
{
    if (m_body->span(span).section->values().size() == 1) {
        m_body->removeSection(span);
    } else {
        m_body->removeValueLine(span, line);
    }
}

} // namespace kelp
