#include "durablewrite.h"

// POSIX only for now (O_NOFOLLOW, fsync of a folder): the Windows
// equivalents are still to be put behind platform.h.

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int descriptor, const char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        bytes += written;
        size -= size_t(written);
    }
    return 0;
}

int synced(int descriptor)
{
    return fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
}

// Opens the regular file at path for appending, made when missing; -1 with
// errno set for anything else. Without blocking, so that a pipe is refused
// rather than waited on.
int openRegularForAppend(const QByteArray &path, off_t &size)
{
    const int descriptor =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return -1;
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        errno = EINVAL;
        return -1;
    }
    size = info.st_size;
    return descriptor;
}

} // namespace

int syncFolderOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    const int error = synced(descriptor);
    ::close(descriptor);
    return error;
}

int appendWhole(const QByteArray &path, const QByteArray &bytes)
{
    off_t earlier = 0;
    const int descriptor = openRegularForAppend(path, earlier);
    if (descriptor < 0)
        return errno;
    int error = writeAll(descriptor, bytes.constData(), size_t(bytes.size()));
    if (!error)
        error = synced(descriptor);
    if (error && ftruncate(descriptor, earlier) == 0)
        synced(descriptor);
    if (::close(descriptor) != 0 && !error)
        error = errno;
    return error ? error : syncFolderOf(path);
}
