#ifndef OUTPUTFOLDER_H
#define OUTPUTFOLDER_H

#include "problem.h"

#include <QString>
#include <QStringList>

// The new project's folder: <prjDir>//<PrjName>, with its fixed subfolders.

// Makes the output folder outDir (one level: its parent must exist) or reuses
// the folder there. When the folder cannot be made or a plain file stands in
// its place, returns why, as the "Tips" warning tells it: "Folder creation
// failed!" and a line naming the folder and the system's reason.
Problem makeq7cListFile(const QString &outDir);

// Why makeq7cListFile would refuse outDir, told before anything is made, in
// the same words; none when the folder is there or its parent folder is one
// that can take it.
Problem outputFolderProblem(const QString &outDir);

// The subfolders of a project folder, in the order they are made.
QStringList prjFolderSuffixes();

// Makes each missing subfolder of outDir (with any missing parents); those
// present are left as they are. Failures are not reported.
void createPrjFolders(const QString &outDir);

#endif // OUTPUTFOLDER_H
