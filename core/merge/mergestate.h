#ifndef MERGESTATE_H
#define MERGESTATE_H

#include "camerarecords.h"

#include <vector>

// The records one step of a merge hands on to the later ones, in its
// MergeContext: they live as long as the merge and go when it ends.
struct MergeState
{
    std::vector<CameraRecord> cameraRecords; // cameras of the merged orientation file
    std::vector<ImageRecord> imageRecords;   // images of the merged orientation file
    GroupCounts groupCounts;                 // camera runs of the images, for the groups table
};

#endif // MERGESTATE_H
