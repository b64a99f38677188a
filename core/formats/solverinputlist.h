#ifndef SOLVERINPUTLIST_H
#define SOLVERINPUTLIST_H

#include "projectentry.h"

#include <QString>
#include <QStringList>
#include <vector>

// The solver's input list: the orientation files of the source projects, one
// path a line, in list order. Its path is the solver's "-l" argument and its
// base name names the merged orientation file.

// Rebuilds projects from the list items' texts, in order.
void readList(const QStringList &items, std::vector<ProjectEntry> &projects);

// Appends the entry of the project file at path, unless path is "NULL".
void processPath(QString path, std::vector<ProjectEntry> &projects);

// Writes the list to listPath (the new project's <name>.txt), each project's
// oriFile in the local 8-bit encoding, "%-s\n" a line. Without projects
// nothing is written and the result is true. Returns false when the file
// could not be written whole; the file that was there stays as it was.
bool makeQ7cList(const QString &listPath, const std::vector<ProjectEntry> &projects);

#endif // SOLVERINPUTLIST_H
