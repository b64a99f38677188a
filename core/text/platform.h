#ifndef PLATFORM_H
#define PLATFORM_H

#include "fileidentity.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

// The few calls into the operating system that differ between POSIX systems
// and Windows, one implementation per system (platform_posix.cpp,
// platform_windows.cpp). Paths are in the local 8-bit encoding (on Windows
// the ANSI code page).
namespace platform {

// What went wrong in a call into the system: its errno value, 0 when nothing
// did. True when something went wrong.
struct SystemError
{
    int code = 0;

    explicit operator bool() const { return code != 0; }
    // The system's words for it.
    QString reason() const { return QString::fromLocal8Bit(std::strerror(code)); }
};

qint64 processId();
// True only when no process pid runs any more (not when it merely cannot be
// asked about).
bool processHasEnded(qint64 pid);

// Called in a child process after it was made and before it runs its
// program (async-signal-safe calls only): the child ends when the process
// parent ends, however that ends (on Linux the parent-death signal). A
// parent already gone ends the child at once. Nothing on Windows, where no
// child is made this way.
void endWithParent(qint64 parent);
// Called in the parent once the child pid runs: on Windows the child joins a
// job that ends it when this process ends, however that ends; nothing
// elsewhere.
void endWithThisProcess(qint64 pid);

enum class LineEnds { Unchanged, Text };
// A new file at path, made only when none is there, with the permissions a
// new file gets; not inherited by programs started meanwhile. Null (errno
// set) when it cannot be made. With LineEnds::Text the stream writes the
// system's text line ends (CR LF on Windows) for '\n'.
std::FILE *createNewFile(const QByteArray &path, LineEnds lineEnds);
// Gives the file open as stream the permission bits mode (a stat st_mode);
// on Windows, where a file the user can write has no more to it, nothing.
void copyPermissions(std::FILE *stream, unsigned mode);
// Puts what was written to stream on the disk. False (errno set) on failure.
bool syncToDisk(std::FILE *stream);
// Renames from to to, replacing a file there, on the disk when it returns.
// False (errno set) on failure.
bool replaceFile(const QByteArray &from, const QByteArray &to);
// Makes the folder at path, one level only; ENOENT when the folder it would
// be in is missing.
SystemError makeFolder(const QByteArray &path);
// Puts on the disk the entries of the folder (a rename or a new file in it),
// so that a power cut keeps the files under their names.
SystemError syncFolder(const QByteArray &folder);

// The longest path, in bytes, that the system takes.
int longestPathBytes();

// What is at a path, a symbolic link (or, on Windows, any reparse point)
// not followed.
enum class EntryKind { Missing, Regular, Folder, Link, Other };
struct Entry
{
    EntryKind kind = EntryKind::Missing;
    unsigned mode = 0; // the permission bits, for copyPermissions
};
Entry entryAt(const QByteArray &path);
// How many names (hard links) the file at path has, a symbolic link not
// followed; 0 when there is none.
unsigned linkCount(const QByteArray &path);
// Whether the user may write to the file at path; errno set when not.
bool mayWrite(const QByteArray &path);

// Opens the file at path for reading as a C stream (in text mode on
// Windows), only when it is a regular file after links: a pipe, a device or
// a folder would hold a reader up for ever or give endless bytes. Null, with
// errno set, when it cannot be opened or is no regular file.
std::FILE *openRegularFile(const QByteArray &path);
// Opens the regular file at path for appending in binary mode, made when
// missing, and tells its length in size. Null (errno set) for a symbolic
// link, a folder, a pipe or anything else that is no regular file; a pipe is
// refused without waiting for a reader.
std::FILE *openRegularForAppend(const QByteArray &path, qint64 &size);
// Cuts the open file back to size bytes. False (errno set) on failure.
bool truncateFile(std::FILE *stream, qint64 size);
// The length of the open file and the stream's place in it; -1 when unknown.
qint64 fileSize(std::FILE *stream);
qint64 filePosition(std::FILE *stream);

// Which file a path names, so that two paths can be told to be the same file
// (through links and, on Windows, case and short names), and when it last
// changed: fills id's device, inode and changedNs. False when there is none.
bool fileId(const QByteArray &path, FileIdentity &id);

// A lock on a folder, held from lockFolder until it is let go (release, the
// lock's end or the process's end): a second lock on the same folder, from
// this process or another, is refused. Made empty, or moved from, it holds
// nothing.
class FolderLock
{
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(FolderLock &&other) noexcept : handle(std::exchange(other.handle, std::nullopt)) {}
    FolderLock &operator=(FolderLock &&other) noexcept
    {
        if (this != &other) {
            release();
            handle = std::exchange(other.handle, std::nullopt);
        }
        return *this;
    }

    bool held() const { return handle.has_value(); }
    // Lets the lock go; nothing when none is held.
    void release();

private:
    friend FolderLock lockFolder(const QByteArray &folder);
    explicit FolderLock(qintptr system) : handle(system) {}

    std::optional<qintptr> handle; // the system's descriptor or handle
};

// Takes the lock on the existing folder; a lock that holds nothing when it
// is held elsewhere or the folder cannot be opened.
FolderLock lockFolder(const QByteArray &folder);

// Whether stream is a terminal that takes the VT100 control sequences (on
// Windows, a console that could be switched to them).
bool isTerminal(std::FILE *stream);

#ifdef Q_OS_WIN
// The seam of the fault sweep on Windows, where no library can be preloaded
// into a program: a test build of the batch program sets it, and then every
// folder made, file made, sync, replacing rename and folder lock asks it
// first whether to fail (with errno set). The path is empty for a sync.
enum class FaultKind { Sync, Rename, Create, Lock };
using FaultSeam = bool (*)(FaultKind kind, const QByteArray &path);
void setFaultSeam(FaultSeam seam);
#endif

// The memory the system could give now without swapping, 0 when unknown.
size_t availableMemory();
// Asks the system to back the memory at data with huge pages. Only whole huge
// pages inside the range are affected; a small range, or a system without
// them, is left as it is.
void adviseHugePages(void *data, size_t bytes);

// The calling thread's C number conventions (printf, scanf and strtod
// families) as they were before useCNumbers set them to "C"; restoreNumbers
// gives them back, on the same thread. Each system keeps what it needs of
// them. On Windows one thread at a time is between the two: another waits.
struct SavedNumbers
{
    void *locale = nullptr; // POSIX: the thread's earlier locale
    void *made = nullptr;   // POSIX: the "C" one made for it, null when none could be
    int mode = 0;           // Windows: the earlier per-thread setting
    std::string name;       // Windows: the earlier numeric locale
};
SavedNumbers useCNumbers();
void restoreNumbers(const SavedNumbers &saved);

// How the system names files: the ending of a program's file (".exe" on
// Windows, else none); whether names differing only in case name one file;
// the characters that end a folder's name in a path ('/', and on Windows
// also '\' and a drive's ':').
extern const char programSuffix[];
extern const bool fileNamesIgnoreCase;
extern const char folderSeparators[];

// The peak memory of this process (its largest resident set; on Windows its
// peak working set) and of the largest program it ran and waited for, in KiB;
// -1 where the system does not tell (Windows keeps no count of ended
// children).
struct PeakMemory
{
    long self = -1;
    long children = -1;
};
PeakMemory peakMemory();

// The argument as the system's shell reads it back as one word: unchanged
// when it is plain, else quoted (for a POSIX shell in single quotes, for
// cmd.exe and the C runtime's splitting in double quotes).
QString shellQuoted(const QString &argument);

} // namespace platform

#endif // PLATFORM_H
