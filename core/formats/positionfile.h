#ifndef POSITIONFILE_H
#define POSITIONFILE_H

#include "camerarecords.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <string_view>
#include <vector>

// Position files "_xyz.txt": one image a line, its name, X, Y, Z, omega, phi,
// kappa and, optionally, its strip number.

// What the position files of a merge gave.
struct PositionsRead
{
    qint64 lines = 0;         // usable lines, over all files
    qint64 merged = 0;        // images left after merging, one per name
    QStringList unreadable;   // files that could not be opened or read whole
    QStringList withoutLines; // files read whole that gave no usable line
    // Files with a line longer than any position line can be: their lines
    // before it are used, and they are named damaged from that line on. Also
    // files with a line whose values are not all finite numbers: that line
    // alone (the first such) is named and left out (onward false).
    struct Damaged
    {
        QString file;
        int fromLine = 0;
        bool onward = true;
    };
    std::vector<Damaged> damaged;
};

// Reads the position files at xyzFiles in order, sorts their records by name
// in byte order, keeps the first of each name (in file and line order) and
// writes them to outPath. With read given, it learns what the files gave. A file that cannot be read is passed over.
// Returns false when the file could not be written whole; the file that was
// there stays as it was.
bool writeMergedPositions(const QStringList &xyzFiles, const QString &outPath, PositionsRead *read = nullptr);

// How reading a position file went: read to its end; not opened (missing,
// unreadable or no regular file); failed part way (a folder, an I/O error);
// damaged from a line on, the lines before it read.
enum class PositionFileReading { Read, NotOpened, FailedPartWay, Damaged };

// Appends the usable lines of the position file at path (local 8-bit) to
// positions, and tells how reading went.
// Lines without a name and six reals, lines longer than 1023 bytes, names longer
// than 511 bytes, records with X, Y or Z below -999999 and values that are not
// finite numbers are left out. A UTF-8 byte-order mark before the first line
// is no part of it.
PositionFileReading readXyzFile(QByteArray path, std::vector<ImageRecord> *positions);

// One usable line of a position file: the image's base name (as the merge
// takes it) and its position.
struct PositionPoint
{
    std::string_view name;
    double X, Y, Z;
};

// Hands the usable lines of the position file at path (local 8-bit) to take,
// in file order, read as writeMergedPositions reads them; point.name lives
// only for the call. Tells how reading went; of a damaged file the points
// before the damage were handed on.
PositionFileReading readPositionPoints(const QByteArray &path, const std::function<void(const PositionPoint &)> &take);

// Splits path into drive (up to the first ':'), directory (up to the last '/'
// or '\'), base name and extension (from the last '.').
void splitFilePath(QByteArray path, QByteArray &drive, QByteArray &dir,
                   QByteArray &baseName, QByteArray &ext);

#endif // POSITIONFILE_H
