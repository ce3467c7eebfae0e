#pragma once

#include <QString>

namespace kelp {

// Common interface of the SDK's error values.
class ErrorInterface
{
public:
    virtual ~ErrorInterface() = default;
    virtual QString toString() const = 0;
    virtual int errorId() const = 0;
    virtual void reset() = 0;
    virtual bool hasError() const = 0;
};

} // namespace kelp
