#ifndef CAMERAFILE_H
#define CAMERAFILE_H

#include "camerarecords.h"

#include <QString>
#include <vector>

// Writes the camera file (".cmr"): one XML element "C_<camIdx>" per camera, in
// list order and without a common root, each holding 13 empty elements with a
// "value" and a "name" attribute. The focal length is written in pixels.
// The file takes the place of the one at path only once it is written whole.
// Returns false, after "Error: Cannot open file" on the debug stream, when
// path cannot be opened for writing; false also when a write failed, leaving
// the file that was there as it was.
bool writeCameraFile(QString path, const std::vector<CameraRecord> &cameraRecords);

#endif // CAMERAFILE_H
