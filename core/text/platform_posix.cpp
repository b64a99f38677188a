#include "platform.h"

#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdint>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/mman.h>
#include <sys/prctl.h>
#endif

namespace platform {

qint64 processId()
{
    return qint64(getpid());
}

bool processHasEnded(qint64 pid)
{
    return kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void endWithParent(qint64 parent)
{
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (getppid() != pid_t(parent))
        _exit(127);
}

void endWithThisProcess(qint64) {}

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

SystemError makeFolder(const QByteArray &path)
{
    return {::mkdir(path.constData(), 0777) == 0 ? 0 : errno};
}

SystemError syncFolder(const QByteArray &folder)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return {errno};
    const SystemError error{fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno};
    ::close(descriptor);
    return error;
}

// PATH_MAX counts the terminating zero byte.
int longestPathBytes()
{
    return PATH_MAX - 1;
}

Entry entryAt(const QByteArray &path)
{
    struct stat info;
    if (lstat(path.constData(), &info) != 0)
        return {};
    const EntryKind kind = S_ISLNK(info.st_mode)   ? EntryKind::Link
                           : S_ISDIR(info.st_mode) ? EntryKind::Folder
                           : S_ISREG(info.st_mode) ? EntryKind::Regular
                                                   : EntryKind::Other;
    return {kind, unsigned(info.st_mode)};
}

unsigned linkCount(const QByteArray &path)
{
    struct stat info;
    return lstat(path.constData(), &info) == 0 ? unsigned(info.st_nlink) : 0;
}

bool mayWrite(const QByteArray &path)
{
    return access(path.constData(), W_OK) == 0;
}

namespace {

// The stream of the regular file open as descriptor, blocking again; null
// (errno set, the descriptor closed) for anything else.
std::FILE *regularStream(int descriptor, const char *mode, qint64 *size = nullptr)
{
    if (descriptor < 0)
        return nullptr;
    struct stat info;
    const bool regular = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    const int flags = fcntl(descriptor, F_GETFL);
    std::FILE *stream = regular && flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0
                            ? fdopen(descriptor, mode)
                            : nullptr;
    if (!stream) {
        const int error = regular ? errno : EINVAL;
        ::close(descriptor);
        errno = error;
    } else if (size) {
        *size = qint64(info.st_size);
    }
    return stream;
}

} // namespace

// Without blocking: opening a pipe with no writer would wait for one.
std::FILE *openRegularFile(const QByteArray &path)
{
    return regularStream(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), "r");
}

std::FILE *openRegularForAppend(const QByteArray &path, qint64 &size)
{
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    return regularStream(::open(path.constData(), flags, 0666), "a", &size);
}

bool truncateFile(std::FILE *stream, qint64 size)
{
    return ftruncate(fileno(stream), off_t(size)) == 0;
}

qint64 fileSize(std::FILE *stream)
{
    struct stat info;
    return fstat(fileno(stream), &info) == 0 ? qint64(info.st_size) : -1;
}

qint64 filePosition(std::FILE *stream)
{
    return qint64(ftello(stream));
}

bool fileId(const QByteArray &path, FileIdentity &id)
{
    struct stat info;
    if (stat(path.constData(), &info) != 0)
        return false;
    id.device = uint64_t(info.st_dev);
    id.inode = uint64_t(info.st_ino);
    id.changedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + int64_t(info.st_mtim.tv_nsec);
    return true;
}

// The lock is on the folder itself, so nothing is added to it, and it goes
// with the descriptor, however the process ends.
FolderLock lockFolder(const QByteArray &folder)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0 && flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        return FolderLock(descriptor);
    if (descriptor >= 0)
        ::close(descriptor);
    return FolderLock();
}

void FolderLock::release()
{
    if (handle)
        ::close(int(*handle));
    handle.reset();
}

bool isTerminal(std::FILE *stream)
{
    return isatty(fileno(stream));
}

// On Linux the system's own estimate, which counts the page cache it would
// drop (MemFree alone is small on a machine that has been reading files).
PeakMemory peakMemory()
{
    rusage self{};
    rusage children{};
    if (getrusage(RUSAGE_SELF, &self) != 0 || getrusage(RUSAGE_CHILDREN, &children) != 0)
        return {};
    return {self.ru_maxrss, children.ru_maxrss};
}

QString shellQuoted(const QString &argument)
{
    static const QRegularExpression plain("^[A-Za-z0-9_@%+=:,./-]+$");
    if (plain.match(argument).hasMatch())
        return argument;
    return "'" + QString(argument).replace("'", "'\\''") + "'";
}

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

void adviseHugePages(void *data, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t hugePage = uintptr_t(2) << 20;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE); // advice only
#else
    (void)data;
    (void)bytes;
#endif
}

// The thread's current locale with its numeric category replaced by "C", or
// null when the C library cannot make it (out of memory): the conversions
// then run under the current locale unchanged.
SavedNumbers useCNumbers()
{
    SavedNumbers saved;
    const locale_t base = duplocale(uselocale(nullptr));
    if (!base)
        return saved;
    const locale_t made = newlocale(LC_NUMERIC_MASK, "C", base);
    if (!made) {
        freelocale(base);
        return saved;
    }
    saved.made = made;
    saved.locale = uselocale(made);
    return saved;
}

void restoreNumbers(const SavedNumbers &saved)
{
    if (!saved.made)
        return;
    uselocale(static_cast<locale_t>(saved.locale));
    freelocale(static_cast<locale_t>(saved.made));
}

const char programSuffix[] = "";
const bool fileNamesIgnoreCase = false;
const char folderSeparators[] = "/";

} // namespace platform
