#pragma once

#include "configsystem/linerecord.h"
#include "configsystem/sectionkind.h"

#include <QRegExp>
#include <QString>
#include <QStringRef>
#include <QVector>

#include <functional>
#include <memory_resource>
#include <vector>

namespace kelp {

// One named section of a document and the index of its values. The lines
// themselves belong to the document; a section only refers into them, so it
// lives no longer than the document body that owns it.
class Section
{
public:
    // One value and the stored line it was read from. key and value refer into
    // that line (or to shared constants for the "__anonymous__" key and for an
    // empty value).
    struct SingleValue
    {
        LineRecord* line = nullptr;
        QStringRef key;
        QStringRef value;
    };
    // Orders values by key, case-sensitively; also finds them by a bare key.
    struct ByKey
    {
        bool operator()(const SingleValue& a, const SingleValue& b) const { return a.key < b.key; }
        bool operator()(const SingleValue& a, const QStringRef& key) const { return a.key < key; }
        bool operator()(const QStringRef& key, const SingleValue& b) const { return key < b.key; }
    };
    // The values ordered by key (each carries its key); among equal keys the
    // value added last comes first. Kept in the document's memory pool.
    using Values = std::pmr::vector<SingleValue>;

    // changeCallback runs once, on the section's first change; creation is
    // that first change. memory serves the value index and must outlive
    // the section.
    Section(const QString& name, const SectionKind& pattern, bool anonymousValues, bool starred,
            std::function<void()> changeCallback, std::pmr::memory_resource* memory);

    const QString& name() const { return m_name; }
    // The text of the piece that names the kind, without a leading "*".
    QStringRef kindWord() const;
    bool isStarred() const { return m_starred; }
    bool hasAnonymousValues() const { return m_anonymousValues; }
    bool isChanged() const { return m_changed; }
    // The values in key order. New values are put in order when the index is
    // next read, not one by one: loading a document costs no sorting at all.
    const Values& values() const;

    // The key used for lines without one: no "=", or "=" as first character.
    static const QString& anonymousKey();

    // Gives the section another name and the pieces of its new kind.
    void rename(const QString& name, const SectionKind& pattern);
    void markChanged();
    void clearChanged() { m_changed = false; }
    // Splits line into key and value and keeps it as a value unless this
    // section does not take keyless lines. Marks the section changed.
    // Returns whether the line became a value.
    bool offerLine(LineRecord& line);
    void reserveValues(int count);
    // Forgets every value read from line; returns how many there were.
    int dropLine(const LineRecord* line);
    // The value read from line, or nullptr.
    const SingleValue* valueOfLine(const LineRecord* line) const;

private:
    struct Piece
    {
        QString text;
        const QRegExp* expression = nullptr; // null for a literal piece
    };

    void buildPieces(const SectionKind& pattern);
    // Sorts the values added since the last call into the ordered ones.
    void sortValues() const;

    QVector<Piece> m_pieces;
    QString m_name;
    bool m_starred;
    mutable Values m_values;
    // The first m_sortedCount values are in order; the rest in the order added.
    mutable Values::size_type m_sortedCount = 0;
    quint16 m_kindWordIndex = 0;
    bool m_anonymousValues;
    bool m_changed = false;
    std::function<void()> m_changeCallback;
};

} // namespace kelp
