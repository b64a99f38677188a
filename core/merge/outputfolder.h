#ifndef OUTPUTFOLDER_H
#define OUTPUTFOLDER_H

#include "usermessages.h"

#include <QString>
#include <QStringList>

// The new project's folder: <prjDir>//<PrjName>, with its fixed subfolders.

// Makes the output folder outDir (one level: its parent must exist) or reuses
// the folder there. Returns false, after the "Tips" warning "Folder creation
// failed!", when the folder cannot be made or a plain file stands in its
// place.
bool makeq7cListFile(const QString &outDir, UserMessages &messages);

// Why makeq7cListFile would refuse outDir, told before anything is made: its
// warning's text, or an empty text when the folder is there or its parent
// folder is one that can take it.
QString outputFolderProblem(const QString &outDir);

// The subfolders of a project folder, in the order they are made.
QStringList prjFolderSuffixes();

// Makes each missing subfolder of outDir (with any missing parents); those
// present are left as they are. Failures are not reported.
void createPrjFolders(const QString &outDir);

#endif // OUTPUTFOLDER_H
