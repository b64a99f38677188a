#ifndef ORIENTATIONTEXT_H
#define ORIENTATIONTEXT_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The solver's own view of an orientation file ("_ori.q7c"):
//   line 1            number of images, number of cameras, a third integer
//   one line a camera camIdx width height pixelSize focal x0 y0 d0 .. d7
//   four lines each image:
//                     imageIdx camIdx stripNo
//                     name (first token of the line)
//                     the nine entries of the rotation matrix
//                     X Y Z
namespace solver {

struct Camera
{
    int camIdx = 0;
    int width = 0;
    int height = 0;
    double values[12] = {}; // pixelSize focal x0 y0, then eight distortion terms
};

struct Image
{
    int imageIdx = 0;
    int camIdx = 0;
    int stripNo = 0;
    std::string name;
    double rotation[9] = {};
    double position[3] = {};
};

struct Orientation
{
    std::vector<Camera> cameras;
    std::vector<Image> images;
};

// Reads the text of an orientation file strictly: every line must hold what
// its place in the file calls for. A camera line may stop after y0 (the
// distortion terms are then zero). Returns an empty text on success, else
// what is wrong and on which line.
std::string parseOrientation(std::string_view text, Orientation &orientation);

// The image and camera counts that the first line of an orientation file's
// text announces. Returns an empty text on success, else what is wrong.
std::string parseOrientationHeader(std::string_view text, size_t &images, size_t &cameras);

// The longest image name a reader of the merged file can hold.
constexpr size_t maxImageNameLength = 511;

// Writes an orientation file's text with header "images cameras 0". Every
// number is written in its shortest form that reads back to the same value.
std::string formatOrientation(const Orientation &orientation);

// The same text, handed to write in pieces of about a megabyte, in order, so
// that a large orientation need not be held as one text.
void formatOrientation(const Orientation &orientation,
                       const std::function<void(std::string_view)> &write);

} // namespace solver

#endif // ORIENTATIONTEXT_H
