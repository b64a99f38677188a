#ifndef MERGEOUTPUTS_H
#define MERGEOUTPUTS_H

#include "mergerequest.h"
#include "projectentry.h"

#include <QString>
#include <vector>

// The files a merge writes into the new project's folder, known from the
// request alone, before anything is made. Joined with "//" like every path of
// a merge; the project file alone with "/".
struct MergeOutputs
{
    QString folder;          // <prjDir>//<name>, the new project's folder
    QString adjustment;      // its Adjustment folder, the solver's "-d"
    QString listFile;        // the solver input list, <name>.txt
    QString positionFile;    // <name>_xyz.txt
    QString orientationFile; // the solver's Adjustment//<list's base name>_ori.q7c
    QString cameraFile;      // <name>.cmr
    QString imageList;       // <name>.lst
    QString projectFile;     // <name>.Q7D
    QString database;        // <name>.temp
    QString mergeLog;        // Log//merge.log, the record of every merge into the folder
};

MergeOutputs mergeOutputs(const MergeRequest &request);

// A file with what it is to the user ("camera file", "position file"...).
struct NamedFile
{
    QString what;
    QString path;
};

// The outputs in the order a merge writes them, the record last.
std::vector<NamedFile> namedFiles(const MergeOutputs &outputs);
// A source project's project file, position file and orientation file.
std::vector<NamedFile> namedFiles(const ProjectEntry &project);

#endif // MERGEOUTPUTS_H
