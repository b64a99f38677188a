#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>

// Temporary folders and whole-file reading and writing for the file suites.

// How long a test waits for a program or an event that an idle machine gives
// in seconds: minutes, so that a loaded machine (several builds on two cores)
// fails no test without a fault. A real hang ends with the suite's time limit.
constexpr int patientMs = 10 * 60 * 1000;

// Replaces dir by a new temporary folder and returns its path (empty when it
// could not be made), so that each test function starts from an empty one.
inline QString freshTempDir(std::unique_ptr<QTemporaryDir> &dir)
{
    dir = std::make_unique<QTemporaryDir>();
    return dir->isValid() ? dir->path() : QString();
}

// A path as people are shown it, written with single "/" in a test: with
// the system's separators (a backslash on Windows).
inline QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What a test expects on this system: `windows` on Windows, else `posix`.
inline QString onThisSystem(const QString &posix, const QString &windows)
{
#ifdef Q_OS_WIN
    Q_UNUSED(posix)
    return windows;
#else
    Q_UNUSED(windows)
    return posix;
#endif
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A file written in text mode as a text-mode reader sees it: with '\n' for
// the system's text line end (CR LF on Windows; elsewhere the bytes as they are).
inline QByteArray readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : QByteArray("<unreadable>");
}

// A path as the project file names it: with the system's separators.
inline QByteArray nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toUtf8();
}

// The ending of the image list as the project file names it.
#ifdef Q_OS_WIN
constexpr char imageListEnding[] = ".Lst";
#else
constexpr char imageListEnding[] = ".lst";
#endif

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file and folder under folder, by its path relative to folder, with
// its bytes ("<dir>" for a folder).
inline std::map<QString, QByteArray> snapshot(const QString &folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = it.fileInfo().isFile() ? readBytes(path) : QByteArray("<dir>");
    }
    return files;
}

// Leaves out of a snapshot the maps a merge draws beside its record
// (Log/merge-<time>.svg); returns how many there were.
inline int eraseMergeMaps(std::map<QString, QByteArray> &files)
{
    int erased = 0;
    for (auto it = files.begin(); it != files.end();) {
        const bool map = it->first.startsWith("Log/merge-") && it->first.endsWith(".svg");
        it = map ? files.erase(it) : std::next(it);
        erased += map ? 1 : 0;
    }
    return erased;
}

#endif // TESTFILES_H
