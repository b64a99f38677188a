#ifndef OUTPUTFOLDER_H
#define OUTPUTFOLDER_H

#include "mergerequest.h"
#include "mergestate.h"
#include "positionfile.h"
#include "usermessages.h"

#include <QStringList>

// The new project's folder: <prjDir>//<PrjName>, with its fixed subfolders.

// Makes the output folder (one level: its parent must exist) or reuses the
// folder there, then rebuilds state.projects and writes the solver input list
// and the merged position file into it. Returns false, after the "Tips"
// warning "Folder creation failed!", when the folder cannot be made or a plain
// file stands in its place; nothing is written then. positions is handed to
// the position export (makeXyzFile). When positionExportMs is given, it
// receives the milliseconds the position export took.
bool makeq7cListFile(const MergeRequest &request, MergeState &state, UserMessages &messages,
                     MergedPositions positions = MergedPositions::Kept, qint64 *positionExportMs = nullptr);

// The subfolders of a project folder, in the order they are made.
QStringList prjFolderSuffixes();

// Makes each missing subfolder (with any missing parents); those present are
// left as they are. Failures are not reported.
void createPrjFolders(const MergeRequest &request);

#endif // OUTPUTFOLDER_H
