#pragma once

#include "configsystem/configsystemerror.h"
#include "configsystem/removedsection.h"
#include "configsystem/section.h"
#include "configsystem/sectionkind.h"
#include "configsystem/sectionschema.h"
#include "configsystem/valueiterator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringRef>

#include <memory>
#include <utility>

namespace kelp {

class ChangeListener;
class DocumentBody;

// A server configuration kept as its verbatim text lines, grouped into named
// sections, with an index of sections and key=value values laid over the
// lines. Writing an unedited document gives back the text it was loaded from.
//
// Section names must match a kind of the document's schema, which its creator
// fills through addSectionKind(). Misuse throws one of the ConfigSystemError
// exceptions before anything changes. Every QStringRef handed out refers into
// the document's lines and names: it is valid until the next replacing load
// (or until its section or line goes). One thread at a time; the name pattern
// cache the document uses is shared and locked.
class ConfigSystem
{
public:
    using ValueLine = ValueIterator<QStringRef, QStringRef>::LineWrapper;

    ConfigSystem();
    ~ConfigSystem();
    ConfigSystem(const ConfigSystem&) = delete;
    ConfigSystem& operator=(const ConfigSystem&) = delete;

    // Schema. Kinds are tried in the order they were added.
    void addSectionKind(const SectionKind& pattern, bool anonymousValues, bool starred);
    // Adds a kind starting with the single piece (text, patternName) and returns
    // it for more pieces; the reference is valid until the next kind is added.
    SectionKind& addSectionKind(const QString& text, const QString& patternName, bool anonymousValues, bool starred);
    // Told at the end of every loadText().
    void setChangeListener(std::unique_ptr<ChangeListener> listener);

    // Loading. A replacing load (merge false) leaves the document as a new one
    // loaded with text (reusing its line storage); with keepModified false it
    // is then unmodified. Should memory run out half-way, it is left empty. A merging load replaces
    // the sections the text names, in place, and appends the others. A header
    // naming no kind throws ConfigSystemBadSection and nothing changes.
    void loadText(const QString& text, bool merge, bool keepModified);
    // Throws the ConfigSystemBadSection that loadText(text, merge, ...) would
    // throw, reading the text only as far as the load does before it changes
    // anything; changes nothing.
    void checkText(const QString& text, bool merge) const;
    // Replacing load of size bytes of UTF-8; a final 0 byte is left out.
    void loadText(const char* utf8, int size);
    // Appends the lines at the end as they are (sections already present are
    // added again). Throws ConfigSystemBadSection before anything changes.
    void appendText(const char* utf8, int size);
    // Replaces section name by text (which starts with its header) at the same
    // place. For each of preservedKeys the document's current line of that key
    // (keys compared ignoring case) takes the place of text's line of that key.
    void replaceSection(const QString& name, const QString& text, const QStringList& preservedKeys);

    // Writing.
    QString toText() const;
    // The section's lines; for a section not held, its bare header.
    QString sectionText(const QString& name) const;
    QString debugString() const;
    // Rewrites the value line lineNumber of the section, keeping its layout;
    // when the section has no value on that line, the line becomes key=value
    // (a new line at the section's end if lineNumber is not one of its lines
    // after the header).
    void setValue(const QString& key, const QString& value, const QString& sectionName, quint64 lineNumber);

    // Sections.
    QList<QStringRef> sectionNamesOfKind(const QString& kind) const;
    QList<QStringRef> sectionNames() const;
    bool hasSection(const QString& name) const;
    // The section of that name added last, or nullptr.
    const Section* section(const QString& name) const;
    // (created, section): the section of that name, added at the end if absent.
    std::pair<bool, const Section&> ensureSection(const QString& name);
    void removeSection(const QString& name);
    void renameSection(const QString& oldName, const QString& newName);
    // Renames prefix_0x<oldId> to prefix_0x<newId> (lower-case hexadecimal)
    // when the first exists.
    void renameSectionInstance(const QString& prefix, quint32 oldId, quint32 newId);
    // Sections removed or renamed since the last load, oldest first.
    QList<RemovedSection> removedSections() const;

    // Lines. lineNumber runs from 1 to lineCount() + 1 (append); otherwise
    // ConfigSystemOutOfRange. With attach, the line joins the section whose
    // lines end just before it or surround it.
    void insertLine(quint64 lineNumber, const QString& text, bool attach);
    quint64 lineCount() const;

    // Values. A section or key not held gives a null reference.
    QStringRef value(const QString& sectionName, const QString& key, bool caseInsensitive = false) const;
    // The values of key in line order (empty when the section is not held).
    QVector<ValueLine> values(const QString& sectionName, const QString& key, bool caseInsensitive) const;
    // Removes the index-th value of key (ignoring case) in line order; the
    // section goes as a whole when it held only that value.
    void removeValue(const QString& sectionName, const QString& key, int index);
    // Removes the index-th value of the section, all keys together.
    void removeValueAt(const QString& sectionName, int index);
    // Gives the first value of oldKey (ignoring case) the key newKey.
    void renameKey(const QString& sectionName, const QString& oldKey, const QString& newKey);
    // Removes the value read from that line.
    void removeValueLine(quint64 lineNumber);

    // Whether anything changed since the last replacing load without keepModified.
    bool isModified() const;

private:
    // The span position of the section named (through the name index);
    // throws ConfigSystemBadSection when there is none.
    int requireSpan(const QString& sectionName) const;
    void removeValueOf(int span, const QVector<ValueLine>& candidates, int index);
    void removeValueLineOf(int span, LineRecord& line);

    SectionSchema m_schema;
    std::unique_ptr<DocumentBody> m_body;
    std::unique_ptr<ChangeListener> m_changeListener;
};

} // namespace kelp
