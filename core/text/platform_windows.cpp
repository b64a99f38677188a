#include "platform.h"

#include <QRegularExpression>
#include <QString>
#include <cerrno>
#include <clocale>
#include <locale.h>
#include <mutex>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

namespace platform {

namespace {

// The one way from a path in the ANSI code page to the UTF-16 text that
// every file call here is given.
std::wstring widePath(const QByteArray &path)
{
    return QString::fromLocal8Bit(path).toStdWString();
}

// errno for the last Windows error of a file call, as the C library maps the
// common ones.
void setErrnoFromLastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        errno = EEXIST;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
}

FaultSeam faultSeam = nullptr;

bool faulted(FaultKind kind, const QByteArray &path)
{
    return faultSeam && faultSeam(kind, path);
}

} // namespace

void setFaultSeam(FaultSeam seam)
{
    faultSeam = seam;
}

qint64 processId()
{
    return qint64(GetCurrentProcessId());
}

void endWithParent(qint64) {}

// One job for every child, which the system closes when this process ends:
// closing it ends what is in it.
void endWithThisProcess(qint64 pid)
{
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made)
            SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return made;
    }();
    const HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (job && child)
        AssignProcessToJobObject(job, child);
    if (child)
        CloseHandle(child);
}

bool processHasEnded(qint64 pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

std::FILE *createNewFile(const QByteArray &path, LineEnds lineEnds)
{
    if (faulted(FaultKind::Create, path))
        return nullptr;
    const int translation = lineEnds == LineEnds::Text ? _O_TEXT : _O_BINARY;
    const int descriptor = _wopen(widePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_NOINHERIT | translation,
                                 _S_IREAD | _S_IWRITE);
    if (descriptor < 0)
        return nullptr;
    std::FILE *stream = _fdopen(descriptor, lineEnds == LineEnds::Text ? "wt" : "wb");
    if (!stream)
        _close(descriptor);
    return stream;
}

void copyPermissions(std::FILE *, unsigned)
{
}

bool syncToDisk(std::FILE *stream)
{
    // _commit hands the file's buffers to FlushFileBuffers.
    return !faulted(FaultKind::Sync, QByteArray()) && _commit(_fileno(stream)) == 0;
}

bool replaceFile(const QByteArray &from, const QByteArray &to)
{
    if (faulted(FaultKind::Rename, to))
        return false;
    if (MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    setErrnoFromLastError();
    return false;
}

SystemError makeFolder(const QByteArray &path)
{
    if (faulted(FaultKind::Create, path))
        return {errno};
    if (CreateDirectoryW(widePath(path).c_str(), nullptr))
        return {};
    setErrnoFromLastError();
    return {errno};
}

// MoveFileEx with MOVEFILE_WRITE_THROUGH has put the rename on the disk
// before it returns, and a folder cannot be flushed by a user without
// administrator rights.
SystemError syncFolder(const QByteArray &)
{
    return {};
}

// Paths go to the system as wide paths, which take up to 32,767 characters
// with the terminating zero; a character takes at least one byte.
int longestPathBytes()
{
    return 32766;
}

Entry entryAt(const QByteArray &path)
{
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    const EntryKind kind = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? EntryKind::Link
                           : attributes & FILE_ATTRIBUTE_DIRECTORY   ? EntryKind::Folder
                           : attributes & FILE_ATTRIBUTE_DEVICE      ? EntryKind::Other
                                                                     : EntryKind::Regular;
    return {kind, 0};
}

unsigned linkCount(const QByteArray &path)
{
    const HANDLE file = CreateFileW(widePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return known ? unsigned(information.nNumberOfLinks) : 0;
}

bool mayWrite(const QByteArray &path)
{
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        setErrnoFromLastError();
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        errno = EACCES;
        return false;
    }
    return true;
}

namespace {

// The stream of the regular file open as descriptor; null (errno set, the
// descriptor closed) for a device, a pipe or anything else.
std::FILE *regularStream(int descriptor, const char *mode, qint64 *size = nullptr)
{
    if (descriptor < 0)
        return nullptr;
    struct _stat64 info;
    const bool regular = _fstat64(descriptor, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
    std::FILE *stream = regular ? _fdopen(descriptor, mode) : nullptr;
    if (!stream) {
        const int error = regular ? errno : EINVAL;
        _close(descriptor);
        errno = error;
    } else if (size) {
        *size = qint64(info.st_size);
    }
    return stream;
}

} // namespace

std::FILE *openRegularFile(const QByteArray &path)
{
    return regularStream(_wopen(widePath(path).c_str(), _O_RDONLY | _O_NOINHERIT | _O_TEXT), "rt");
}

std::FILE *openRegularForAppend(const QByteArray &path, qint64 &size)
{
    const EntryKind kind = entryAt(path).kind;
    if (kind == EntryKind::Link) {
        errno = ELOOP;
        return nullptr;
    }
    if (kind == EntryKind::Missing && faulted(FaultKind::Create, path))
        return nullptr;
    const int flags = _O_WRONLY | _O_CREAT | _O_APPEND | _O_NOINHERIT | _O_BINARY;
    return regularStream(_wopen(widePath(path).c_str(), flags, _S_IREAD | _S_IWRITE), "ab", &size);
}

bool truncateFile(std::FILE *stream, qint64 size)
{
    const errno_t error = _chsize_s(_fileno(stream), size);
    errno = error;
    return error == 0;
}

qint64 fileSize(std::FILE *stream)
{
    return qint64(_filelengthi64(_fileno(stream)));
}

qint64 filePosition(std::FILE *stream)
{
    return qint64(_ftelli64(stream));
}

bool fileId(const QByteArray &path, FileIdentity &id)
{
    // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access right is asked
    // for, so a file open elsewhere can still be told.
    HANDLE file = CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    // The last write in 100 ns steps since 1601: only compared, never shown.
    const qint64 written =
        qint64((quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    if (known) {
        id.device = uint64_t(info.dwVolumeSerialNumber);
        id.inode = (uint64_t(info.nFileIndexHigh) << 32) | uint64_t(info.nFileIndexLow);
        id.changedNs = written * 100;
    }
    return known;
}

// A named mutex of the folder's file number, made by the first merge into it
// and gone with the last handle, however its process ended. Folders are told
// by their number, so that two spellings of one folder share the lock.
FolderLock lockFolder(const QByteArray &folder)
{
    FileIdentity id;
    if (faulted(FaultKind::Lock, folder) || !fileId(folder, id))
        return FolderLock();
    const std::wstring name = QStringLiteral("Local\\q7prjmerge-%1-%2").arg(id.device).arg(id.inode).toStdWString();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        return FolderLock();
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return FolderLock();
    }
    return FolderLock(qintptr(mutex));
}

void FolderLock::release()
{
    if (handle)
        CloseHandle(HANDLE(*handle));
    handle.reset();
}

bool isTerminal(std::FILE *stream)
{
    HANDLE console = HANDLE(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return _isatty(_fileno(stream)) && GetConsoleMode(console, &mode)
           && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

PeakMemory peakMemory()
{
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return {};
    return {long(counters.PeakWorkingSetSize / 1024), -1};
}

// Quoted as CommandLineToArgvW and the C runtime split it: backslashes are
// doubled only before a quote and at the end.
QString shellQuoted(const QString &argument)
{
    static const QRegularExpression plain("^[A-Za-z0-9_@%+=:,./\\\\-]+$");
    if (plain.match(argument).hasMatch())
        return argument;
    QString quoted = "\"";
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted += QString(c == '"' ? 2 * backslashes + 1 : backslashes, '\\') + c;
        backslashes = 0;
    }
    return quoted + QString(2 * backslashes, '\\') + '"';
}

size_t availableMemory()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? size_t(status.ullAvailPhys) : 0;
}

void adviseHugePages(void *, size_t)
{
}

namespace {

// Windows' C library frees and shares the locales of threads that switch to
// one of their own at the same time: a conversion on one thread then reads
// another's freed decimal point (a crash, or "1234.5678" read as 1234). One
// thread at a time switches, however deeply its own scopes nest.
std::recursive_mutex numbersSwitch;

} // namespace

// The C library keeps one locale per thread once asked to; the thread's
// previous setting and numeric locale come back afterwards. The thread holds
// numbersSwitch from here to its restoreNumbers.
SavedNumbers useCNumbers()
{
    numbersSwitch.lock();
    SavedNumbers saved;
    saved.mode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char *name = std::setlocale(LC_NUMERIC, nullptr);
    saved.name = name ? name : "C";
    std::setlocale(LC_NUMERIC, "C");
    return saved;
}

void restoreNumbers(const SavedNumbers &saved)
{
    std::setlocale(LC_NUMERIC, saved.name.c_str());
    _configthreadlocale(saved.mode);
    numbersSwitch.unlock();
}

const char programSuffix[] = ".exe";
const bool fileNamesIgnoreCase = true;
const char folderSeparators[] = "/\\:";

} // namespace platform
