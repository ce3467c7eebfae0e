#pragma once

#include <QString>

namespace kelp {

// A section that left the document (removed or renamed) since the last load;
// it keeps the star of its header for the bare header written in its place.
struct RemovedSection
{
    QString name;
    bool starred = false;
};

} // namespace kelp
