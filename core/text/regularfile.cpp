#include "regularfile.h"

// POSIX only for now (O_NONBLOCK, fcntl): the Windows equivalent is still
// to be put behind platform.h.

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE *openRegularFile(const QByteArray &path)
{
    // Without blocking: opening a pipe with no writer would wait for one.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat info;
    const bool regular = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    const int flags = fcntl(descriptor, F_GETFL);
    std::FILE *file = regular && flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0
                          ? fdopen(descriptor, "r")
                          : nullptr;
    if (!file) {
        const int error = regular ? errno : EINVAL;
        ::close(descriptor);
        errno = error;
    }
    return file;
}
