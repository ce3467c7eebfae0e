#pragma once

#include "configsystem/linelist.h"
#include "configsystem/linerecord.h"
#include "configsystem/nodepool.h"
#include "configsystem/removedsection.h"
#include "configsystem/sectionindex.h"
#include "configsystem/sectionspan.h"

#include <QList>
#include <QString>
#include <QStringRef>
#include <QVector>

#include <memory_resource>
#include <vector>

namespace kelp {

class SectionSchema;
class TextLines;

// The content of one document: its lines, the spans of its sections and the
// indexes over them. A replacing load empties the body and refills it,
// reusing its line records. Line records never move, so
// sections keep references into them.
//
// Lines are inserted and removed in blocks, and the numbers of the lines after
// a block are brought up to date once, by settle(), however many blocks went
// in or out before; a section taken out leaves an empty span behind until
// then, so no other span moves. Finding a section by name goes through a
// hashed index: a merge stays linear. Line records and value lists come from
// a pool of the body's own, freed with it at once.
class DocumentBody
{
public:
    // A header line of a text and the section kind its name matches.
    struct HeaderLine
    {
        int line;
        int kind;
    };
    // The lines first .. first + count - 1 of a text, with the headers of
    // the whole text as findHeaders() gives them; firstHeader is the index of
    // the first of them at or after first (headers->size() when none), so
    // that placing a block costs the same wherever it lies in a large text.
    struct LineBlock
    {
        static LineBlock whole(const TextLines& lines, const QVector<HeaderLine>& headers);

        const TextLines* lines;
        const QVector<HeaderLine>* headers;
        int first;
        int count;
        int firstHeader;
    };

    explicit DocumentBody(int lineCapacity);
    ~DocumentBody();
    DocumentBody(const DocumentBody&) = delete;
    DocumentBody& operator=(const DocumentBody&) = delete;

    // The headers of lines with their kinds; throws ConfigSystemBadSection for
    // the first header whose name matches no kind.
    static QVector<HeaderLine> findHeaders(const TextLines& lines, const SectionSchema& schema);
    // Puts the block's lines at line number at in place of replacedCount
    // lines: headers open sections, other lines join the section they follow.
    // The lines share the text's storage.
    void place(const LineBlock& block, quint64 at, quint64 replacedCount, const SectionSchema& schema);

    // Gives the body the content of lines as a freshly loaded body would
    // have it (no sections removed, unmodified until its sections were made),
    // reusing line records. headers come from findHeaders().
    void reload(const TextLines& lines, const QVector<HeaderLine>& headers, int lineCapacity,
                const SectionSchema& schema);
    // Room for lineCount more lines and sectionCount more sections.
    void reserve(quint64 lineCount, int sectionCount);
    // One line at at; with attach it joins the section whose lines reach the
    // line before it.
    void insertLine(quint64 at, const QString& text, bool attach);
    // A new section with its header line at at; returns its span position.
    int addSection(const QString& name, int kind, const SectionSchema& schema, quint64 at);
    void removeSection(int span);
    // Records the section as removed and puts the block's lines in place of
    // its lines; the block's header opens it again, last in span order. The
    // numbers of the lines after it and the span positions are left for
    // settle().
    void replaceSection(int span, const LineBlock& block, const SectionSchema& schema);
    void renameSection(int span, const QString& newName, int kind, const SectionSchema& schema);
    // Removes one value line of the section.
    void removeValueLine(int span, LineRecord& line);
    // Gives line (of the section) a new text and splits it into a value again.
    void rewriteLine(int span, LineRecord& line, const QString& text);

    // The first span (in span order) of that name, through the look-up cache; -1 when none.
    int findSpan(const QString& name) const;
    // The span of that name added last, through the name index; -1 when none.
    int indexedSpan(const QString& name) const;
    bool hasSection(const QString& name) const { return indexedSpan(name) >= 0; }
    // The first span whose lines include lineNumber; -1 when none.
    int spanOfLine(quint64 lineNumber) const;
    int spanCount() const { return static_cast<int>(m_spans.size()); }
    const SectionSpan& span(int i) const { return m_spans[static_cast<size_t>(i)]; }
    LineRecord& line(quint64 lineNumber);

    QList<QStringRef> sectionNames() const;
    QList<QStringRef> sectionNamesOfKind(const QString& kind) const;
    const QList<RemovedSection>& removedSections() const { return m_removed; }

    QString text() const;
    QString sectionText(const QString& name) const;
    QString debugString() const;
    static QString headerText(const QString& name, bool starred);

    // Renumbers the line records after the first block inserted or removed
    // since the last call and drops the spans of sections taken out, which
    // moves the later spans up. Every operation that changes lines or
    // sections ends with it; until then spans are addressed by the positions
    // they had.
    void settle();

    quint64 nextLine() const { return m_nextLine; }
    bool isModified() const { return m_modified; }
    // Clears the modified flag, every changed mark and the removed list.
    void markUnmodified();

private:
    using Lines = LineList;

    struct LookupCache
    {
        QString name;
        int span = -1;
        bool found = false;
    };

    // Deletes the section, leaving its span empty until settle(), takes it out
    // of the name index and records it as removed, leaving its lines where
    // they are for a replacement to reuse.
    void detachSection(int span);
    void compactSpans();
    // The span's lines that are stored: a span may reach past the last line.
    quint64 storedLineCount(int span) const;
    // Makes room for insertedCount lines at at in place of replacedCount lines
    // (reusing as many records as it can) and moves the spans after them. The
    // record numbers after them are left for settle().
    void spliceLines(quint64 at, quint64 replacedCount, quint64 insertedCount);
    // The section for a header already in place at line at, with room for
    // expectedValues values.
    int createSection(const QString& name, int kind, const SectionSchema& schema, quint64 at, int expectedValues = 0);
    void offerLine(int span, LineRecord& line);
    void indexSection(int span);
    void unindexSection(int span);
    // Lines from number on (before stored) that still lie one after the other
    // in the text the first of them was loaded from, "\n" between them: the
    // characters they span there and the number after the last of them.
    struct Run
    {
        const QChar* start;
        const QChar* end;
        quint64 next;
    };
    Run runFrom(quint64 number, quint64 stored) const;
    QString joinLines(quint64 first, quint64 count) const;
    void clearLookupCache() { m_lookupCache = LookupCache(); }

    NodePool m_memory;
    std::vector<SectionSpan> m_spans;
    QList<RemovedSection> m_removed;
    SectionIndex m_nameIndex;
    SectionIndex m_kindIndex;
    Lines m_lines;
    mutable LookupCache m_lookupCache;
    quint64 m_nextLine = 1;
    // Spans whose section was taken out since the last settle().
    int m_deadSpans = 0;
    // Index of the first record whose number may be out of date.
    Lines::size_type m_staleFrom = 0;
    bool m_modified = false;
};

} // namespace kelp
