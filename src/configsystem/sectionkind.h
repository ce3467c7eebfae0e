#pragma once

#include <QPair>
#include <QString>
#include <QVector>

namespace kelp {

// (text, pattern name). An empty pattern name makes a literal piece whose text
// must appear as it is; otherwise the pattern name is a regular expression from
// the PatternCache and the text is only shown.
using PatternPiece = QPair<QString, QString>;
// The pieces a section name must match, in order, as a prefix of the name.
using SectionKind = QVector<PatternPiece>;

} // namespace kelp
