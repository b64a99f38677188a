#ifndef PROJECTENTRY_H
#define PROJECTENTRY_H

#include <QString>

// One source project: its project file and the two companions derived from it.
struct ProjectEntry
{
    QString prjFile; // the project file's path, exactly as listed
    QString xyzFile; // <folder>//<complete base name>_xyz.txt
    QString oriFile; // <folder>//Adjustment//<complete base name>_ori.q7c
};

// Derives the entry of the project file at prjFile. The paths are joined with
// "//" and never normalised; only the last extension of the file name is dropped.
ProjectEntry makeProjectEntry(const QString &prjFile);

#endif // PROJECTENTRY_H
