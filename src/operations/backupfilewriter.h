#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Writes one backup file so that it appears whole or not at all and never
// replaces another file. The contents go into a hidden temporary file beside
// the target, owner read/write only whatever the umask, and are flushed to
// disk; only then is the file published under its name by a rename that fails
// rather than replace anything. A name found taken at that moment moves the
// choice on to the next free name. Whatever fails, the temporary file is
// removed again and no file is left under any name.
class BackupFileWriter final
{
public:
    enum class Status
    {
        Written,
        // Nothing could be written into the directory, or publishing failed
        // for another reason than a taken name.
        CouldNotCreate,
        // The chooser had no name left.
        NamesExhausted
    };

    struct Result
    {
        Status status;
        // Written: the name the file was published under.
        QString path;
    };

    // Asked for the name to publish under, first once and again after each
    // name that turned out to be taken; empty when none is left. Names are in
    // the directory of the write's path.
    using NameChooser = std::function<QString()>;

    // Writes contents beside path (a file path in an existing directory, whose
    // file name also names the temporary file) and publishes it.
    static Result write(const QString& path, const QByteArray& contents, const NameChooser& chooseName);

    // Whether anything, even a symbolic link that leads nowhere, holds path.
    static bool isTaken(const QString& path);
};
