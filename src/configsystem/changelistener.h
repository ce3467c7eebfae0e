#pragma once

namespace kelp {

// Installed by a document's creator to hear about every finished load.
class ChangeListener
{
public:
    virtual ~ChangeListener();
    virtual void documentLoaded() = 0;
};

} // namespace kelp
