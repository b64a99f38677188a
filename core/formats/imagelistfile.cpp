#include "imagelistfile.h"

#include "atomicfile.h"

#include <QDebug>
#include <QTextStream>
#include <unordered_map>

namespace {

// camIdx -> focal length in pixels of the last camera with that camIdx.
std::unordered_map<int32_t, double> focalLengthsInPixels(const std::vector<CameraRecord> &cameras)
{
    std::unordered_map<int32_t, double> focalLengths;
    for (const CameraRecord &camera : cameras)
        focalLengths[camera.camIdx] = camera.focal / camera.pixelSize;
    return focalLengths;
}

void countInRuns(GroupCounts &groupCounts, int32_t camIdx)
{
    if (groupCounts.empty() || groupCounts.back().first != camIdx)
        groupCounts.emplace_back(camIdx, 1);
    else
        ++groupCounts.back().second;
}

} // namespace

bool writeImageList(QString path, const std::vector<ImageRecord> &imageRecords,
                    const std::vector<CameraRecord> &cameraRecords, GroupCounts &groupCounts)
{
    groupCounts.clear();
    AtomicFile imageList(path.toLocal8Bit());
    QFile file;
    if (!imageList.open(file, QIODevice::WriteOnly)) {
        qDebug().noquote() << "Error: Cannot open file";
        return false;
    }

    // Names go out byte for byte as the orientation file held them, whatever
    // the locale's encoding; numbers in the stream's default format.
    QTextStream stream(&file);
    stream.setCodec("ISO 8859-1");
    const std::unordered_map<int32_t, double> focalLengths = focalLengthsInPixels(cameraRecords);
    double focal = 0.0;
    for (const ImageRecord &image : imageRecords) {
        const auto camera = focalLengths.find(image.camIdx);
        if (camera != focalLengths.end())
            focal = camera->second;
        const QString name = QString::fromLatin1(image.name, int(qstrnlen(image.name, sizeof(image.name))));
        stream << name << ' ' << image.camIdx << ' ' << focal << '\n';
        countInRuns(groupCounts, image.camIdx);
    }
    stream.flush();
    return stream.status() == QTextStream::Ok && imageList.commit(file);
}
