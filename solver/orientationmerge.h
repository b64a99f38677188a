#ifndef ORIENTATIONMERGE_H
#define ORIENTATIONMERGE_H

#include "orientationtext.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace solver {

// Merges orientation files one after the other into one orientation: cameras
// are appended and renumbered 0..N-1 (each image's camera index follows its
// camera), images are appended and renumbered 0..M-1, and an image whose
// complete base name an earlier image already took is dropped.
class OrientationMerge
{
public:
    // Appends one source. Returns an empty text on success, else what is
    // wrong with it; a source that is wrong changes nothing.
    std::string append(Orientation source);

    // Makes room for this many cameras and images in all, so that appending
    // them moves nothing already merged.
    void reserve(size_t cameras, size_t images);

    const Orientation &merged() const { return result; }
    int projectCount() const { return projects; }
    int droppedCount() const { return dropped; }

private:
    Orientation result;
    std::unordered_set<std::string> takenNames;
    int projects = 0;
    int dropped = 0;
};

// The file name of a path without its folder and without its last extension
// ("/a/b/IMG_1.tif.JPG" gives "IMG_1.tif").
std::string_view completeBaseName(std::string_view path);

} // namespace solver

#endif // ORIENTATIONMERGE_H
