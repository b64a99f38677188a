#ifndef POSITIONFILE_H
#define POSITIONFILE_H

#include "camerarecords.h"
#include "mergerequest.h"
#include "mergestate.h"

#include <QByteArray>
#include <vector>

// Position files "_xyz.txt": one image a line, its name, X, Y, Z, omega, phi,
// kappa and, optionally, its strip number.

// Whether makeXyzFile leaves the merged positions in state.positions. A merge
// needs only their file: at 100,000 images the records take 62 MB.
enum class MergedPositions { Kept, Dropped };

// Reads the position files of state.projects into state.positions, sorts them
// by name in byte order, keeps the first of each name (in project and line
// order) and writes them to <output folder>//<PrjName>_xyz.txt, whose path goes
// into state.posFilePath. Returns false when the file could not be written
// whole; the file that was there stays as it was, and posFilePath names it
// all the same. With MergedPositions::Dropped, state.positions is left empty.
bool makeXyzFile(const MergeRequest &request, MergeState &state,
                 MergedPositions positions = MergedPositions::Kept);

// Appends the usable lines of the position file at path (local 8-bit) to
// positions. Returns 1 when the file was read, 0 when it cannot be opened.
// Lines without a name and six reals, lines longer than 1023 bytes, names longer
// than 511 bytes and records with X, Y or Z below -999999 are left out.
int readXyzFile(QByteArray path, std::vector<ImageRecord> *positions);

// Splits path into drive (up to the first ':'), directory (up to the last '/'
// or '\'), base name and extension (from the last '.').
void splitFilePath(QByteArray path, QByteArray &drive, QByteArray &dir,
                   QByteArray &baseName, QByteArray &ext);

#endif // POSITIONFILE_H
