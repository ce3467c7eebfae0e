#include "configsystem/documentbody.h"

#include "configsystem/configsystemerror.h"
#include "configsystem/sectionschema.h"
#include "configsystem/textlines.h"

#include <algorithm>

namespace kelp {

DocumentBody::DocumentBody(int lineCapacity) : m_lines(&m_memory)
{
    m_lines.reserve(static_cast<Lines::size_type>(qMax(lineCapacity, 1)));
}

DocumentBody::~DocumentBody() = default;

QVector<DocumentBody::HeaderLine> DocumentBody::findHeaders(const TextLines& lines, const SectionSchema& schema)
{
    QVector<HeaderLine> headers;
    for (int i = 0; i < lines.count(); ++i) {
        const QStringRef line = lines.line(i);
        if (!TextLines::isHeader(line)) {
            continue;
        }
        const QString name = TextLines::headerName(line).toString();
        const int kind = schema.kindOf(name);
        if (kind < 0) {
            throw ConfigSystemBadSection(name);
        }
        headers.append(HeaderLine{i, kind});
    }
    return headers;
}

DocumentBody::LineBlock DocumentBody::LineBlock::whole(const TextLines& lines, const QVector<HeaderLine>& headers)
{
    return LineBlock{&lines, &headers, 0, lines.count(), 0};
}

void DocumentBody::place(const LineBlock& block, quint64 at, quint64 replacedCount, const SectionSchema& schema)
{
    const QVector<HeaderLine>& headers = *block.headers;
    const int end = block.first + block.count;
    auto header = headers.cbegin() + block.firstHeader;
    // The line before the block decides where its first lines belong, unless
    // the block opens a section at once (every section a merge places); the
    // replaced lines belong to no span any more.
    const bool opensSection = header != headers.cend() && header->line == block.first;
    int current = at > 1 && !opensSection ? spanOfLine(at - 1) : -1;
    const auto count = static_cast<quint64>(block.count);
    // At the end (every load) the records are built as the lines are read;
    // elsewhere room is made for the whole block first.
    const bool appending = replacedCount == 0 && at == m_nextLine;
    const bool numbersCurrent = m_staleFrom >= m_lines.size();
    if (appending) {
        m_nextLine += count;
    } else {
        spliceLines(at, replacedCount, count);
    }
    for (int i = block.first; i < end; ++i) {
        const quint64 number = at + static_cast<quint64>(i - block.first);
        LineRecord* record = nullptr;
        if (appending) {
            record = &m_lines.append();
            record->number = number;
        } else {
            record = &m_lines[number - 1];
        }
        const QStringRef text = block.lines->line(i);
        if (header != headers.cend() && header->line == i) {
            const QStringRef name = TextLines::headerName(text);
            const bool star = schema.starred(header->kind) && !name.startsWith(QLatin1Char('*'));
            // A header already in the document's own form is kept as read.
            if (!star && text.size() == name.size() + 2) {
                record->cutFrom(block.lines->text(), text.position(), text.size());
            } else {
                record->setText(headerText(name.toString(), star));
            }
            const int next = header + 1 != headers.cend() ? std::min((header + 1)->line, end) : end;
            current = createSection(name.toString(), header->kind, schema, number, next - i - 1);
            ++header;
        } else {
            record->cutFrom(block.lines->text(), text.position(), text.size());
            if (current >= 0) {
                offerLine(current, *record);
            }
        }
    }
    if (appending && numbersCurrent) {
        m_staleFrom = m_lines.size();
    }
}

void DocumentBody::reload(const TextLines& lines, const QVector<HeaderLine>& headers, int lineCapacity,
                          const SectionSchema& schema)
{
    m_nameIndex.clear();
    m_kindIndex.clear();
    m_spans.clear();
    m_deadSpans = 0;
    m_removed.clear();
    clearLookupCache();
    m_modified = false;
    m_lines.reserve(static_cast<Lines::size_type>(qMax(lineCapacity, 1)));
    place(LineBlock::whole(lines, headers), 1, m_nextLine - 1, schema);
}

void DocumentBody::reserve(quint64 lineCount, int sectionCount)
{
    m_lines.reserve(m_lines.size() + static_cast<Lines::size_type>(lineCount));
    m_spans.reserve(m_spans.size() + static_cast<size_t>(sectionCount));
    m_nameIndex.reserve(spanCount() + sectionCount);
}

void DocumentBody::insertLine(quint64 at, const QString& text, bool attach)
{
    const int owner = attach && at > 1 ? spanOfLine(at - 1) : -1;
    spliceLines(at, 0, 1);
    LineRecord& record = m_lines[at - 1];
    record.setText(text);
    if (owner >= 0) {
        offerLine(owner, record);
    }
    settle();
}

int DocumentBody::addSection(const QString& name, int kind, const SectionSchema& schema, quint64 at)
{
    const bool star = schema.starred(kind) && !name.startsWith(QLatin1Char('*'));
    insertLine(at, headerText(name, star), false);
    return createSection(name, kind, schema, at);
}

void DocumentBody::removeSection(int span)
{
    const quint64 first = m_spans[static_cast<size_t>(span)].first;
    const quint64 count = storedLineCount(span);
    detachSection(span);
    spliceLines(first, count, 0);
    settle();
}

void DocumentBody::replaceSection(int span, const LineBlock& block, const SectionSchema& schema)
{
    const quint64 first = m_spans[static_cast<size_t>(span)].first;
    const quint64 count = storedLineCount(span);
    detachSection(span);
    place(block, first, count, schema);
}

quint64 DocumentBody::storedLineCount(int span) const
{
    const SectionSpan& target = m_spans[static_cast<size_t>(span)];
    return std::min(target.lineCount(), m_nextLine - target.first);
}

void DocumentBody::detachSection(int span)
{
    std::unique_ptr<Section>& section = m_spans[static_cast<size_t>(span)].section;
    m_removed.append(RemovedSection{section->name(), section->isStarred()});
    // The span stays, empty, until settle(): a merge that replaces section
    // after section moves no other span. Its kind entry goes then too.
    m_nameIndex.erase(section->name(), span);
    section.reset();
    ++m_deadSpans;
    clearLookupCache();
    m_modified = true;
}

void DocumentBody::renameSection(int span, const QString& newName, int kind, const SectionSchema& schema)
{
    SectionSpan& target = m_spans[static_cast<size_t>(span)];
    Section& section = *target.section;
    m_removed.append(RemovedSection{section.name(), section.isStarred()});
    unindexSection(span);
    section.rename(newName, schema.pattern(kind));
    indexSection(span);
    m_lines[target.first - 1].setText(headerText(newName, section.isStarred()));
    clearLookupCache();
}

void DocumentBody::removeValueLine(int span, LineRecord& line)
{
    SectionSpan& target = m_spans[static_cast<size_t>(span)];
    target.section->markChanged();
    if (target.section->dropLine(&line) > 0) {
        --target.headerAndValueCount;
    } else {
        --target.otherCount;
    }
    spliceLines(line.number, 1, 0);
    settle();
}

void DocumentBody::rewriteLine(int span, LineRecord& line, const QString& text)
{
    SectionSpan& target = m_spans[static_cast<size_t>(span)];
    if (target.section->dropLine(&line) > 0) {
        --target.headerAndValueCount;
    } else {
        --target.otherCount;
    }
    line.setText(text);
    offerLine(span, line);
}

int DocumentBody::findSpan(const QString& name) const
{
    if (m_lookupCache.found && m_lookupCache.name == name) {
        return m_lookupCache.span;
    }
    // Positions follow the span order, so the lowest is the first.
    const int found = m_nameIndex.lowest(name);
    m_lookupCache = LookupCache{name, found, found >= 0};
    return found;
}

int DocumentBody::indexedSpan(const QString& name) const
{
    return m_nameIndex.lastAdded(name);
}

int DocumentBody::spanOfLine(quint64 lineNumber) const
{
    for (int i = 0; i < spanCount(); ++i) {
        const SectionSpan& span = m_spans[static_cast<size_t>(i)];
        if (span.section && span.first <= lineNumber && lineNumber < span.end()) {
            return i;
        }
    }
    return -1;
}

LineRecord& DocumentBody::line(quint64 lineNumber)
{
    return m_lines[lineNumber - 1];
}

QList<QStringRef> DocumentBody::sectionNames() const
{
    QList<QStringRef> names;
    names.reserve(spanCount());
    for (const SectionSpan& span : m_spans) {
        names.append(QStringRef(&span.section->name()));
    }
    return names;
}

QList<QStringRef> DocumentBody::sectionNamesOfKind(const QString& kind) const
{
    QVector<int> positions = m_kindIndex.positions(kind);
    std::sort(positions.begin(), positions.end());
    QList<QStringRef> names;
    names.reserve(positions.size());
    for (const int position : qAsConst(positions)) {
        names.append(QStringRef(&span(position).section->name()));
    }
    return names;
}

QString DocumentBody::text() const
{
    return joinLines(1, m_nextLine - 1);
}

QString DocumentBody::sectionText(const QString& name) const
{
    const int found = findSpan(name);
    if (found >= 0) {
        return joinLines(span(found).first, span(found).lineCount());
    }
    const auto removed = std::find_if(m_removed.cbegin(), m_removed.cend(),
                                      [&name](const RemovedSection& entry) { return entry.name == name; });
    return headerText(name, removed != m_removed.cend() && removed->starred);
}

QString DocumentBody::debugString() const
{
    QString text = QStringLiteral("ConfigSystem: \n  Internal State: \n      Sections:\n");
    for (const SectionSpan& span : m_spans) {
        text += QStringLiteral("        ") + span.section->kindWord() + QLatin1Char(' ') + QString::number(span.first) +
                QLatin1Char(':') + QString::number(span.headerAndValueCount) + QLatin1Char('\n');
    }
    text += QLatin1Char('\n');
    return text;
}

QString DocumentBody::headerText(const QString& name, bool starred)
{
    return (starred ? QStringLiteral("[*") : QStringLiteral("[")) + name + QLatin1Char(']');
}

void DocumentBody::markUnmodified()
{
    for (SectionSpan& span : m_spans) {
        span.section->clearChanged();
    }
    m_removed.clear();
    m_modified = false;
}

void DocumentBody::spliceLines(quint64 at, quint64 replacedCount, quint64 insertedCount)
{
    if (replacedCount == insertedCount) {
        return;
    }
    const quint64 reused = std::min(replacedCount, insertedCount);
    const auto position = static_cast<Lines::size_type>(at - 1 + reused);
    if (insertedCount > replacedCount) {
        m_lines.insert(position, static_cast<Lines::size_type>(insertedCount - replacedCount));
    } else {
        m_lines.erase(position, static_cast<Lines::size_type>(replacedCount - insertedCount));
    }
    m_staleFrom = std::min(m_staleFrom, static_cast<Lines::size_type>(at - 1 + reused));
    const quint64 movedFrom = at + replacedCount;
    for (SectionSpan& span : m_spans) {
        if (span.first >= movedFrom) {
            span.first = span.first + insertedCount - replacedCount;
        }
    }
    m_nextLine = m_nextLine + insertedCount - replacedCount;
}

void DocumentBody::settle()
{
    for (auto i = m_staleFrom; i < m_lines.size(); ++i) {
        m_lines[i].number = i + 1;
    }
    m_staleFrom = m_lines.size();
    if (m_deadSpans > 0) {
        compactSpans();
    }
}

void DocumentBody::compactSpans()
{
    std::vector<int> moved(m_spans.size(), -1);
    size_t kept = 0;
    for (size_t i = 0; i < m_spans.size(); ++i) {
        if (!m_spans[i].section) {
            continue;
        }
        moved[i] = static_cast<int>(kept);
        if (kept != i) {
            m_spans[kept] = std::move(m_spans[i]);
        }
        ++kept;
    }
    m_spans.erase(m_spans.begin() + static_cast<std::ptrdiff_t>(kept), m_spans.end());
    m_nameIndex.renumber(moved);
    m_kindIndex.renumber(moved);
    m_deadSpans = 0;
    clearLookupCache();
}

int DocumentBody::createSection(const QString& name, int kind, const SectionSchema& schema, quint64 at,
                                int expectedValues)
{
    SectionSpan span;
    span.section = std::make_unique<Section>(
        name, schema.pattern(kind), schema.anonymousValues(kind), schema.starred(kind), [this] { m_modified = true; },
        &m_memory);
    span.section->reserveValues(expectedValues);
    span.first = at;
    m_spans.push_back(std::move(span));
    clearLookupCache();
    const int position = spanCount() - 1;
    indexSection(position);
    m_removed.erase(std::remove_if(m_removed.begin(), m_removed.end(),
                                   [&name](const RemovedSection& entry) { return entry.name == name; }),
                    m_removed.end());
    return position;
}

void DocumentBody::offerLine(int span, LineRecord& line)
{
    SectionSpan& target = m_spans[static_cast<size_t>(span)];
    if (target.section->offerLine(line)) {
        ++target.headerAndValueCount;
    } else {
        ++target.otherCount;
    }
}

void DocumentBody::indexSection(int span)
{
    const Section& section = *this->span(span).section;
    m_nameIndex.insert(section.name(), span);
    m_kindIndex.insert(section.kindWord().toString(), span);
}

void DocumentBody::unindexSection(int span)
{
    const Section& section = *this->span(span).section;
    m_nameIndex.erase(section.name(), span);
    m_kindIndex.erase(section.kindWord().toString(), span);
}

DocumentBody::Run DocumentBody::runFrom(quint64 number, quint64 stored) const
{
    const LineRecord& line = m_lines[number - 1];
    const QChar* const storageEnd = line.storage.constData() + line.storage.size();
    Run run{line.text.unicode(), line.text.unicode() + line.text.size(), number + 1};
    for (; run.next < stored && run.end != storageEnd && *run.end == QLatin1Char('\n'); ++run.next) {
        const QStringRef& next = m_lines[run.next - 1].text;
        if (next.unicode() != run.end + 1) {
            break;
        }
        run.end = next.unicode() + next.size();
    }
    return run;
}

QString DocumentBody::joinLines(quint64 first, quint64 count) const
{
    if (count == 0) {
        return QLatin1String("");
    }
    const quint64 end = first + count;
    const quint64 stored = std::min(end, m_nextLine);
    std::vector<Run> runs;
    qsizetype size = static_cast<qsizetype>(count) - 1;
    for (quint64 number = first; number < stored; number = runs.back().next) {
        runs.push_back(runFrom(number, stored));
        // A run holds the line feeds between its lines, already counted.
        const auto innerLineFeeds = static_cast<qsizetype>(runs.back().next - number - 1);
        size += runs.back().end - runs.back().start - innerLineFeeds;
    }
    // Lines that are still the whole text they were loaded from are that text.
    if (runs.size() == 1 && stored == end) {
        const QString& storage = m_lines[first - 1].storage;
        if (runs.front().start == storage.constData() && runs.front().end == storage.constData() + storage.size()) {
            return storage;
        }
    }
    // Sized once, then filled in place, run by run.
    QString text(static_cast<int>(size), Qt::Uninitialized);
    QChar* out = text.data();
    for (const Run& run : runs) {
        out = std::copy(run.start, run.end, out);
        if (run.next < end) {
            *out++ = QLatin1Char('\n');
        }
    }
    // Line numbers past the last stored line are empty lines.
    std::fill(out, text.data() + text.size(), QLatin1Char('\n'));
    return text;
}

} // namespace kelp
