#include "configsystem/textlines.h"

#include <algorithm>

namespace kelp {

TextLines::TextLines(const QString& text) : m_text(text)
{
    if (m_text.isEmpty()) {
        return;
    }
    // Lines share this text and may outlive the caller's: a string over a
    // buffer it does not own (QString::fromRawData) is copied.
    if (m_text.capacity() < m_text.size()) {
        m_text = QString(m_text.constData(), m_text.size());
    }
    const int lineCount = static_cast<int>(std::count(m_text.cbegin(), m_text.cend(), QLatin1Char('\n'))) + 1;
    m_starts.reserve(lineCount);
    m_lengths.reserve(lineCount);
    int start = m_text.startsWith(QLatin1Char('\n')) ? 1 : 0;
    // Without its leading line feed the text is read like any other: one
    // that is nothing but that line feed is empty and has no lines.
    if (start == m_text.size()) {
        return;
    }
    for (;;) {
        const int end = m_text.indexOf(QLatin1Char('\n'), start);
        m_starts.append(start);
        if (end < 0) {
            m_lengths.append(m_text.size() - start);
            break;
        }
        m_lengths.append(end - start);
        start = end + 1;
    }
}

QStringRef TextLines::line(int i) const
{
    return QStringRef(&m_text, m_starts.at(i), m_lengths.at(i));
}

int TextLines::contentLineCount() const
{
    int lines = 0;
    for (int i = 0; i < count(); ++i) {
        const QChar* it = m_text.constData() + m_starts.at(i);
        const QChar* const end = it + m_lengths.at(i);
        while (it != end && it->isSpace()) {
            ++it;
        }
        if (it != end && *it != QLatin1Char('#')) {
            ++lines;
        }
    }
    return lines;
}

bool TextLines::isHeader(const QStringRef& line)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char('[') && line.indexOf(QLatin1Char(']')) > 0;
}

QStringRef TextLines::headerName(const QStringRef& line)
{
    return line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
}

QStringRef TextLines::keyPart(const QStringRef& line)
{
    const int equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? line : line.left(equals);
}

} // namespace kelp
