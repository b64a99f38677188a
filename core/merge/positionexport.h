#ifndef POSITIONEXPORT_H
#define POSITIONEXPORT_H

#include "mergerequest.h"
#include "mergestate.h"
#include "positionfile.h"

// Whether makeXyzFile leaves the merged positions in state.positions. A merge
// needs only their file: at 100,000 images the records take 62 MB.
enum class MergedPositions { Kept, Dropped };

// Reads the position files of state.projects into state.positions, sorts them
// by name in byte order, keeps the first of each name (in project and line
// order) and writes them to <output folder>//<PrjName>_xyz.txt, whose path goes
// into state.posFilePath. Returns false when the file could not be written
// whole; the file that was there stays as it was, and posFilePath names it
// all the same. With MergedPositions::Dropped, state.positions is left empty.
// read, if given, learns what the source files gave (writeMergedPositions).
bool makeXyzFile(const MergeRequest &request, MergeState &state,
                 MergedPositions positions = MergedPositions::Kept, PositionsRead *read = nullptr);

#endif // POSITIONEXPORT_H
