#include "platform.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

qint64 processId()
{
    return qint64(getpid());
}

bool processHasEnded(qint64 pid)
{
    return kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

std::FILE *createNewFile(const QByteArray &path, LineEnds)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return nullptr;
    std::FILE *stream = fdopen(descriptor, "w");
    if (!stream)
        ::close(descriptor);
    return stream;
}

void copyPermissions(std::FILE *stream, unsigned mode)
{
    fchmod(fileno(stream), mode & 07777);
}

bool syncToDisk(std::FILE *stream)
{
    // EINVAL: a file that cannot be synced (a pipe, some special files).
    return fsync(fileno(stream)) == 0 || errno == EINVAL;
}

bool replaceFile(const QByteArray &from, const QByteArray &to)
{
    return std::rename(from.constData(), to.constData()) == 0;
}

bool fileId(const QByteArray &path, FileId &id)
{
    struct stat info;
    if (stat(path.constData(), &info) != 0)
        return false;
    id = {quint64(info.st_dev), quint64(info.st_ino)};
    return true;
}

bool isTerminal(std::FILE *stream)
{
    return isatty(fileno(stream));
}

// On Linux the system's own estimate, which counts the page cache it would
// drop (MemFree alone is small on a machine that has been reading files).
size_t availableMemory()
{
#ifdef __linux__
    if (std::FILE *meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found)
            return size_t(kib) * 1024;
    }
#endif
#ifdef _SC_AVPHYS_PAGES
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return size_t(pages) * size_t(pageSize);
#endif
    return 0;
}

} // namespace platform
