#pragma once

#include <QString>
#include <QtGlobal>

namespace kelp {

// One stored line of a document: its text exactly as read, without the line
// break, and its current 1-based line number. Records live in a container whose
// elements never move, so keys and values can refer into the text.
struct LineRecord
{
    QString text;
    quint64 number = 0;
};

} // namespace kelp
