#ifndef ATOMICFILE_H
#define ATOMICFILE_H

#include "platform.h"

#include <QByteArray>
#include <QFile>
#include <cstdio>

// Writes a file whole or not at all, for the writers that use the C library's
// streams. The text goes to a new file beside the target; commit() checks that
// every byte was written (a full disk, a file size limit and an I/O error all
// show there), puts it on the disk and renames it into place. Until then, and
// whenever a write failed, the file that was at the target stays as it was.
//
// Like Qt's QSaveFile, an existing target keeps its permissions, and a folder
// or a read-only file at the target is not replaced; unlike it, neither is a
// symbolic link, which is never written through. After the rename the folder
// is put on the disk too, so that a power cut keeps the new file. The new
// files that writers killed part way left beside the target (named after a
// process that no longer runs) are removed when the next one opens, so they
// do not pile up.
class AtomicFile
{
public:
    explicit AtomicFile(QByteArray path); // in the local 8-bit encoding
    // Removes the new file unless it was committed.
    ~AtomicFile();

    // The most the new file's name adds to the target's: ".part", the
    // process id and "-" with a counter, each number of at most 10 digits.
    static constexpr int longestSiblingSuffixBytes = 5 + 10 + 1 + 10;

    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // The stream to write the new file through, or null when it cannot be
    // made. Call once. A Text stream writes '\n' as the system's text line
    // end (CR LF on Windows), an Unchanged one as it is.
    std::FILE *open(platform::LineEnds lineEnds);
    // True when the whole file is in place of the target. The stream is
    // closed either way.
    bool commit();

    // The same for writers that go through Qt's devices: device is opened
    // on the new file's stream, and closed by commit.
    bool open(QFile &device, QIODevice::OpenMode mode);
    bool commit(QFile &device);

private:
    void discard();

    QByteArray target;
    QByteArray temporary;
    std::FILE *file = nullptr;
};

#endif // ATOMICFILE_H
