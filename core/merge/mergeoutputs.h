#ifndef MERGEOUTPUTS_H
#define MERGEOUTPUTS_H

#include "mergerequest.h"

#include <QString>

// The files a merge writes into the new project's folder, known from the
// request alone, before anything is made. Joined with "//" like every path of
// a merge; the project file alone with "/".
struct MergeOutputs
{
    QString listFile;        // the solver input list, <name>.txt
    QString positionFile;    // <name>_xyz.txt
    QString orientationFile; // the solver's Adjustment//<list's base name>_ori.q7c
    QString cameraFile;      // <name>.cmr
    QString imageList;       // <name>.lst
    QString projectFile;     // <name>.Q7D
    QString database;        // <name>.temp
};

MergeOutputs mergeOutputs(const MergeRequest &request);

#endif // MERGEOUTPUTS_H
