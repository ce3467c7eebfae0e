#pragma once

#include "configsystem/linerecord.h"
#include "configsystem/sectionkind.h"

#include <QMultiMap>
#include <QRegExp>
#include <QString>
#include <QStringRef>
#include <QVector>

#include <functional>

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
    // By key, case-sensitively; among equal keys the value added last first.
    using Values = QMultiMap<QStringRef, SingleValue>;

    // changeCallback runs once, on the section's first change; creation is
    // that first change.
    Section(const QString& name, const SectionKind& pattern, bool anonymousValues, bool starred,
            std::function<void()> changeCallback);

    const QString& name() const { return m_name; }
    // The text of the piece that names the kind, without a leading "*".
    QStringRef kindWord() const;
    bool isStarred() const { return m_starred; }
    bool hasAnonymousValues() const { return m_anonymousValues; }
    bool isChanged() const { return m_changed; }
    const Values& values() const { return m_values; }

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

    QVector<Piece> m_pieces;
    QString m_name;
    bool m_starred;
    Values m_values;
    quint16 m_kindWordIndex = 0;
    bool m_anonymousValues;
    bool m_changed = false;
    std::function<void()> m_changeCallback;
};

} // namespace kelp
