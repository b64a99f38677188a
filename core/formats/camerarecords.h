#ifndef CAMERARECORDS_H
#define CAMERARECORDS_H

#include <cstdint>
#include <utility>
#include <vector>

// One camera of an orientation file. A plain fixed-size value, copied
// bytewise; a default record is named "NULL" and zero everywhere else.
struct CameraRecord
{
    char name[256] = "NULL";
    int32_t camIdx = 0;
    double x0 = 0.0;
    double y0 = 0.0;
    double focal = 0.0; // in the length unit of pixelSize
    double pixelSize = 0.0;
    double sensorWidth = 0.0;  // width * pixelSize, set by the orientation reader
    double sensorHeight = 0.0; // height * pixelSize, set by the orientation reader
    int32_t width = 0;
    int32_t height = 0;
    double distortion[8] = {}; // k0 k1 k2 k3 p1 p2, then two carried-only terms
};

// One image of an orientation file, or one line of a position file.
struct ImageRecord
{
    char name[512] = "NULL";
    int32_t imageIdx = 0;
    int32_t camIdx = 0;
    int32_t stripNo = 0;
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    double rotation[9] = {}; // 3 x 3 orientation matrix in file order
    double omega = 0.0;
    double phi = 0.0;
    double kappa = 0.0;
};

// (camera index, image count) for each run of consecutive images that share a
// camera, in image order.
using GroupCounts = std::vector<std::pair<int32_t, int32_t>>;

#endif // CAMERARECORDS_H
