#pragma once

#include "configsystem/section.h"

#include <memory>

namespace kelp {

// Where a section's lines are: its header line number, the number of header
// and value lines and the number of its other lines (blank, comment, keyless).
// The section covers first .. first + headerAndValueCount + otherCount - 1.
struct SectionSpan
{
    std::unique_ptr<Section> section;
    quint64 first = 0;
    quint64 headerAndValueCount = 1;
    quint64 otherCount = 0;

    quint64 lineCount() const { return headerAndValueCount + otherCount; }
    quint64 end() const { return first + lineCount(); }
};

} // namespace kelp
