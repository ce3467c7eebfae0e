#pragma once

#include <QString>

#include <stdexcept>

namespace kelp {

// Common base of every exception the configuration document throws, so that a
// caller can catch the whole family at once. The document throws before it
// changes anything: whoever catches one finds the document as it was.
class ConfigSystemError
{
public:
    virtual ~ConfigSystemError();
};

// Ties one standard exception class to the family: an instance is caught as E
// (and E's bases) as well as ConfigSystemError. what() is the message as given.
template <typename E> class ConfigSystemErrorCategory : public E, public virtual ConfigSystemError
{
public:
    explicit ConfigSystemErrorCategory(const QString& message) : E(message.toStdString()) {}
};

// A section name that names no section kind of the document, or a section the
// document does not hold.
class ConfigSystemBadSection : public ConfigSystemErrorCategory<std::domain_error>
{
public:
    explicit ConfigSystemBadSection(const QString& name);
};

// A rename into a section kind whose flags differ from the section's own.
class ConfigSystemEditError : public ConfigSystemErrorCategory<std::logic_error>
{
public:
    ConfigSystemEditError(const QString& oldName, const QString& newName);
};

// An index past the values there are (0 and 0 when there is no value at all).
class ConfigSystemOutOfRange : public ConfigSystemErrorCategory<std::out_of_range>
{
public:
    ConfigSystemOutOfRange(int index, int count);
};

} // namespace kelp
