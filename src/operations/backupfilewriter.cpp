#include "operations/backupfilewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The part of the target's file name that goes into the temporary file's
// name: enough to tell whose it is, short enough for the file system's limit.
constexpr int kTemporaryStemLength = 64;

QByteArray temporaryTemplate(const QString& path)
{
    const QFileInfo target(path);
    return QFile::encodeName(target.dir().filePath(QLatin1Char('.') + target.fileName().left(kTemporaryStemLength) +
                                                   QStringLiteral(".XXXXXX")));
}

// Owner read/write exactly (the umask narrows what mkostemp creates), the
// whole contents, and on the disk before the file gets its name.
bool fillFile(int fd, const QByteArray& contents)
{
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        return false;
    }
    const char* data = contents.constData();
    std::size_t left = static_cast<std::size_t>(contents.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return ::fsync(fd) == 0;
}

// Gives the temporary file the name target unless something holds that name
// already. 0 when it is published, else the errno of the failure.
int publish(const QByteArray& temporary, const QByteArray& target)
{
    if (::syscall(SYS_renameat2, AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A kernel or file system without the no-replace rename: a hard link never replaces anything either.
    if (::link(temporary.constData(), target.constData()) != 0) {
        return errno;
    }
    ::unlink(temporary.constData());
    return 0;
}

// The new name itself reaches the disk too; a failure here loses no data.
void syncDirectory(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

BackupFileWriter::Result publishUnderFreeName(const QByteArray& temporary,
                                              const BackupFileWriter::NameChooser& chooseName)
{
    for (QString name = chooseName(); !name.isEmpty(); name = chooseName()) {
        const int error = publish(temporary, QFile::encodeName(name));
        if (error == 0) {
            return {BackupFileWriter::Status::Written, name};
        }
        // Taken since it was chosen: another run writing the same name, say.
        if (error != EEXIST) {
            return {BackupFileWriter::Status::CouldNotCreate, QString()};
        }
    }
    return {BackupFileWriter::Status::NamesExhausted, QString()};
}

} // namespace

BackupFileWriter::Result BackupFileWriter::write(const QString& path, const QByteArray& contents,
                                                 const NameChooser& chooseName)
{
    QByteArray temporary = temporaryTemplate(path);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return {Status::CouldNotCreate, QString()};
    }
    const bool filled = fillFile(fd, contents);
    const bool closed = ::close(fd) == 0;
    const Result result =
        filled && closed ? publishUnderFreeName(temporary, chooseName) : Result{Status::CouldNotCreate, QString()};
    if (result.status != Status::Written) {
        ::unlink(temporary.constData());
        return result;
    }
    syncDirectory(result.path);
    return result;
}

bool BackupFileWriter::isTaken(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}
