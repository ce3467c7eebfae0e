#include "common/logtext.h"

#include <algorithm>

namespace common {

namespace {

bool needsEscape(char16_t c)
{
    return c < 0x20 || c == 0x7f || c == 0x85 || c == 0x2028 || c == 0x2029;
}

QString escape(char16_t c)
{
    switch (c) {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    const bool wide = c > 0xff;
    return (wide ? QStringLiteral("\\u") : QStringLiteral("\\x")) +
           QStringLiteral("%1").arg(static_cast<uint>(c), wide ? 4 : 2, 16, QLatin1Char('0'));
}

} // namespace

QString logText(const QString& text)
{
    // Most texts hold nothing to escape: they are returned without a copy.
    const auto first = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return needsEscape(c.unicode()); });
    if (first == text.cend()) {
        return text;
    }
    QString escaped = text.left(static_cast<int>(first - text.cbegin()));
    for (auto it = first; it != text.cend(); ++it) {
        const char16_t c = it->unicode();
        if (needsEscape(c)) {
            escaped += escape(c);
        } else {
            escaped += *it;
        }
    }
    return escaped;
}

} // namespace common
