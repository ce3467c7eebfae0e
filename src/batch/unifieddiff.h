#pragma once

#include <QString>

// A unified diff ("diff -u" layout, three lines of context) between two texts,
// compared line by line with the dtl library. A last line without a line end
// is followed by "\ No newline at end of file", as GNU diff writes it, so that
// adding or removing the final line end shows as a change.
class UnifiedDiff final
{
public:
    // The "--- " and "+++ " header lines carrying the two labels, then the
    // hunks; every line ends with "\n". Empty when the texts are equal.
    static QString format(const QString& before, const QString& after, const QString& beforeLabel,
                          const QString& afterLabel);
};
