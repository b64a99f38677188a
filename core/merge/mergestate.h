#ifndef MERGESTATE_H
#define MERGESTATE_H

#include "camerarecords.h"

#include <vector>

// The records one step of a merge hands on to the later ones. Owned by
// whoever drives merges (the dialog or the batch program) for its whole life;
// each merge empties and refills them, so nothing of an earlier merge reaches
// a later one.
struct MergeState
{
    std::vector<CameraRecord> cameraRecords; // cameras of the merged orientation file
    std::vector<ImageRecord> imageRecords;   // images of the merged orientation file
    GroupCounts groupCounts;                 // camera runs of the images, for the groups table
};

#endif // MERGESTATE_H
