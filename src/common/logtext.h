#pragma once

#include <QString>

namespace common {

// The text as it may go into one line of a log, a report or the SDK log:
// every control character (U+0000 to U+001F, U+007F) is shown as an escape
// ("\n", "\r", "\t", otherwise "\x" and two lower-case hex digits), and so are
// the Unicode line and paragraph breaks ("\x85", "\u2028", "\u2029"), so a text that comes from a server or a CSV field
// can never break the line it is in, start a forged one or steer a terminal. A backslash is kept as it is: Windows
// paths in the log stay readable, at the price that a server name holding a backslash and an "n" reads like an escaped
// line feed.
QString logText(const QString& text);

} // namespace common
