#include "platform.h"

#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

namespace {

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
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
}

} // namespace

qint64 processId()
{
    return qint64(GetCurrentProcessId());
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
    const int translation = lineEnds == LineEnds::Text ? _O_TEXT : _O_BINARY;
    const int descriptor = _open(path.constData(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_NOINHERIT | translation,
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
    return _commit(_fileno(stream)) == 0;
}

bool replaceFile(const QByteArray &from, const QByteArray &to)
{
    if (MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    setErrnoFromLastError();
    return false;
}

bool fileId(const QByteArray &path, FileId &id)
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
    if (known)
        id = {quint64(info.dwVolumeSerialNumber),
              (quint64(info.nFileIndexHigh) << 32) | quint64(info.nFileIndexLow)};
    return known;
}

bool isTerminal(std::FILE *stream)
{
    HANDLE console = HANDLE(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return _isatty(_fileno(stream)) && GetConsoleMode(console, &mode)
           && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

size_t availableMemory()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? size_t(status.ullAvailPhys) : 0;
}

} // namespace platform
