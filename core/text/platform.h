#ifndef PLATFORM_H
#define PLATFORM_H

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstdio>

// The few calls into the operating system that differ between POSIX systems
// and Windows, one implementation per system (platform_posix.cpp,
// platform_windows.cpp). Paths are in the local 8-bit encoding (on Windows
// the ANSI code page).
namespace platform {

qint64 processId();
// True only when no process pid runs any more (not when it merely cannot be
// asked about).
bool processHasEnded(qint64 pid);

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

// Which file a path names, so that two paths can be told to be the same file
// (through links and, on Windows, case and short names); false when there is
// none.
struct FileId
{
    quint64 volume = 0;
    quint64 file = 0;
};
bool fileId(const QByteArray &path, FileId &id);

// Whether stream is a terminal that takes the VT100 control sequences (on
// Windows, a console that could be switched to them).
bool isTerminal(std::FILE *stream);

// The memory the system could give now without swapping, 0 when unknown.
size_t availableMemory();

} // namespace platform

#endif // PLATFORM_H
