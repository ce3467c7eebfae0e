#pragma once

#include <QString>
#include <QStringRef>
#include <QVector>

namespace kelp {

// A configuration text cut into lines at "\n". A "\n" that is the very first
// character is skipped; in the rest each "\n" ends a line, a text ending in
// "\n" ends with an empty line, and an empty text (so also "\n" alone) has
// none. "\r" stays in its line. The
// lines refer into the object's own copy of the text, so it neither copies
// nor moves; that copy shares the caller's string unless the string does not
// own its characters.
class TextLines
{
public:
    explicit TextLines(const QString& text);
    TextLines(const TextLines&) = delete;
    TextLines& operator=(const TextLines&) = delete;

    int count() const { return m_starts.size(); }
    // The line refers into text().
    QStringRef line(int i) const;
    const QString& text() const { return m_text; }
    // Lines that are neither empty, white space only, nor comments ("#" first
    // after any white space): a guess at how many lines carry content.
    int contentLineCount() const;

    // A header is a line that starts with "[" and holds a "]".
    static bool isHeader(const QStringRef& line);
    // The name between the "[" and the first "]" of a header, as it is.
    static QStringRef headerName(const QStringRef& line);
    // The text before the line's first "=", or the whole line.
    static QStringRef keyPart(const QStringRef& line);

private:
    QString m_text;
    QVector<int> m_starts;
    QVector<int> m_lengths;
};

} // namespace kelp
