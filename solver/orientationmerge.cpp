#include "orientationmerge.h"

#include <unordered_map>

namespace solver {

std::string_view completeBaseName(std::string_view path)
{
#ifdef _WIN32
    const size_t slash = path.find_last_of("/\\");
#else
    const size_t slash = path.find_last_of('/');
#endif
    std::string_view fileName = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = fileName.find_last_of('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

void OrientationMerge::reserve(size_t cameras, size_t images)
{
    result.cameras.reserve(cameras);
    result.images.reserve(images);
    takenNames.reserve(images);
}

std::string OrientationMerge::append(Orientation source)
{
    // Where each of the source's camera indices lands in the merged list.
    std::unordered_map<int, int> newIndex;
    const int firstCamera = int(result.cameras.size());
    for (size_t i = 0; i < source.cameras.size(); ++i) {
        if (!newIndex.emplace(source.cameras[i].camIdx, firstCamera + int(i)).second)
            return "camera " + std::to_string(source.cameras[i].camIdx) + " is defined twice";
    }
    for (const Image &image : source.images) {
        if (newIndex.find(image.camIdx) == newIndex.end())
            return "image " + image.name + " refers to camera " + std::to_string(image.camIdx)
                   + ", which the file does not define";
    }

    for (Camera &camera : source.cameras) {
        camera.camIdx = newIndex[camera.camIdx];
        result.cameras.push_back(camera);
    }
    for (Image &image : source.images) {
        if (!takenNames.emplace(completeBaseName(image.name)).second) {
            ++dropped;
            continue;
        }
        image.camIdx = newIndex[image.camIdx];
        image.imageIdx = int(result.images.size());
        result.images.push_back(std::move(image));
    }
    ++projects;
    return {};
}

} // namespace solver
