#ifndef IMAGELISTFILE_H
#define IMAGELISTFILE_H

#include "camerarecords.h"

#include <QString>
#include <vector>

// Writes the image list (".lst"): one line "<name> <camIdx> <focal in pixels>"
// per image, in list order, each ended by LF. The focal length comes from the
// last camera carrying the image's camIdx; an image without such a camera
// repeats the value of the line before it (0 on the first line).
// Returns false, after "Error: Cannot open file" on the debug stream, when
// path cannot be opened; false also when a write failed. The file takes the
// place of the one at path only once it is written whole.
bool writeImageList(QString path, const std::vector<ImageRecord> &imageRecords,
                    const std::vector<CameraRecord> &cameraRecords);

// The camera groups of the image list: one (camIdx, count) pair per run of
// consecutive images with the same camIdx, in list order.
GroupCounts imageGroupCounts(const std::vector<ImageRecord> &imageRecords);

#endif // IMAGELISTFILE_H
