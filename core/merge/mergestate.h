#ifndef MERGESTATE_H
#define MERGESTATE_H

#include "camerarecords.h"
#include "projectentry.h"

#include <QString>
#include <vector>

// Everything one merge works on. Owned by whoever drives merges (the dialog or
// the batch program) for its whole life; each merge empties and refills the
// lists it uses, so nothing of an earlier merge reaches a later one.
struct MergeState
{
    std::vector<ProjectEntry> projects;     // one per source project, in list order
    std::vector<ImageRecord> positions;     // merged positions of the source projects
    std::vector<CameraRecord> cameraRecords; // cameras of the merged orientation file
    std::vector<ImageRecord> imageRecords;   // images of the merged orientation file
    GroupCounts groupCounts;                 // camera runs of the image list
    QString posFilePath;                     // merged position file handed to the solver
    QString listFilePath;                    // solver input list
};

#endif // MERGESTATE_H
