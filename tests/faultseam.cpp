// The fault sweep's seam on Windows, linked into a copy of the batch program
// for the tests (q7prjmerge-cli-faults): the platform layer's calls on the
// files of one folder are counted, and the Nth of one kind fails. It reads the
// environment of tests/faultinject.c, the preloaded library of the sweep
// elsewhere:
//   Q7_FAULT_COUNTS  a file of four 64-bit counters, one a kind (sync,
//                    rename, create, lock); required
//   Q7_FAULT_FOLDER  only paths under this folder count (every sync does)
//   Q7_FAULT_KIND    the kind to fail; without it calls are only counted
//   Q7_FAULT_AT      N, counted from 1
//   Q7_FAULT_ERRNO   the errno to give
//   Q7_FAULT_STICKY  1: every call from the Nth on fails, else only the Nth

#include "platform.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <windows.h>

namespace {

const QStringList kindNames = {"sync", "rename", "create", "lock"};

struct Seam
{
    volatile LONG64 *counters = nullptr;
    int kind = -1;
    quint64 at = 0;
    int error = EIO;
    bool sticky = false;
    QString folder;
};

Seam seam;

bool underFolder(const QByteArray &path)
{
    if (path.isEmpty())
        return true;
    const QString name = QDir::fromNativeSeparators(QString::fromLocal8Bit(path));
    return name.startsWith(seam.folder, Qt::CaseInsensitive)
           && (name.size() == seam.folder.size() || name.at(seam.folder.size()) == '/');
}

// Counts the call; true, with errno set, when it is to fail.
bool faulted(platform::FaultKind kind, const QByteArray &path)
{
    if (!underFolder(path))
        return false;
    const quint64 number = quint64(InterlockedIncrement64(&seam.counters[int(kind)]));
    if (int(kind) != seam.kind || seam.at == 0 || number < seam.at || (!seam.sticky && number != seam.at))
        return false;
    errno = seam.error;
    return true;
}

// The counters file mapped into memory, so that the test reads the counts
// after the program has ended; null when it cannot be.
volatile LONG64 *mappedCounters(const QString &path)
{
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    CloseHandle(file);
    if (!mapping)
        return nullptr;
    void *view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kindNames.size() * sizeof(LONG64));
    CloseHandle(mapping); // the view keeps the mapping
    return static_cast<volatile LONG64 *>(view);
}

// Sets the seam up from the environment before main runs.
[[maybe_unused]] const bool installed = [] {
    const QString counts = qEnvironmentVariable("Q7_FAULT_COUNTS");
    seam.folder = QDir::fromNativeSeparators(qEnvironmentVariable("Q7_FAULT_FOLDER"));
    if (counts.isEmpty() || seam.folder.isEmpty() || !(seam.counters = mappedCounters(counts)))
        return false;
    seam.kind = int(kindNames.indexOf(qEnvironmentVariable("Q7_FAULT_KIND")));
    seam.at = qEnvironmentVariable("Q7_FAULT_AT").toULongLong();
    seam.error = qEnvironmentVariableIntValue("Q7_FAULT_ERRNO");
    seam.sticky = qEnvironmentVariable("Q7_FAULT_STICKY") == "1";
    platform::setFaultSeam(faulted);
    return true;
}();

} // namespace
