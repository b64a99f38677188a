#ifndef OUTPUTFOLDER_H
#define OUTPUTFOLDER_H

#include "mergerequest.h"
#include "mergestate.h"
#include "positionexport.h"
#include "usermessages.h"

#include <QStringList>
#include <functional>

// The new project's folder: <prjDir>//<PrjName>, with its fixed subfolders.

// Which of the preparation's two files were written whole, what the source
// position files gave, and how long the position export took.
struct PreparedFiles
{
    bool listFile = false;
    bool positionFile = false;
    PositionsRead positionsRead;
    qint64 positionExportMs = 0;
};

// Makes the output folder (one level: its parent must exist) or reuses the
// folder there, then rebuilds state.projects and writes the solver input list
// and, when the list was written, the merged position file into it, telling
// through written (if given)
// whether each was written and how long the position export took. positions
// is handed to the position export (makeXyzFile). Returns false, after the
// "Tips" warning "Folder creation failed!", when the folder cannot be made or
// a plain file stands in its place; nothing is written then. folderReady, if
// given, is asked once the folder is there and before anything is written in
// it; false from it (it has told why) ends the preparation the same way.
bool makeq7cListFile(const MergeRequest &request, MergeState &state, UserMessages &messages,
                     PreparedFiles *written = nullptr, MergedPositions positions = MergedPositions::Kept,
                     const std::function<bool()> &folderReady = {});

// The subfolders of a project folder, in the order they are made.
QStringList prjFolderSuffixes();

// Makes each missing subfolder (with any missing parents); those present are
// left as they are. Failures are not reported.
void createPrjFolders(const MergeRequest &request);

#endif // OUTPUTFOLDER_H
