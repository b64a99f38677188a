#ifndef POSITIONEXPORT_H
#define POSITIONEXPORT_H

#include "positionfile.h"
#include "projectentry.h"

#include <QString>
#include <vector>

// Reads the position files of projects, sorts their records by name in byte
// order, keeps the first of each name (in project and line order) and writes
// them to positionPath (the new project's <name>_xyz.txt). Returns false when
// the file could not be written whole; the file that was there stays as it
// was. read learns what the source files gave.
bool makeXyzFile(const std::vector<ProjectEntry> &projects, const QString &positionPath, PositionsRead &read);

#endif // POSITIONEXPORT_H
