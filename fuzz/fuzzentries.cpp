#include "fuzzentries.h"

#include "inputlist.h"
#include "orientationfilereader.h"
#include "orientationmerge.h"
#include "orientationtext.h"
#include "positionfile.h"
#include "projectfile.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {
namespace {

// The file every input of one reader is written to: made once per process in
// a folder of its own, in memory (/dev/shm) where there is such a folder, and
// removed with it at the end.
class ScratchFile
{
public:
    explicit ScratchFile(const char *name)
        : folder((QFileInfo("/dev/shm").isWritable() ? QString("/dev/shm") : QDir::tempPath()) + "/q7fuzz-XXXXXX")
    {
        if (!folder.isValid()) {
            std::fprintf(stderr, "cannot make the scratch folder: %s\n", qPrintable(folder.errorString()));
            std::abort();
        }
        path = QFile::encodeName(folder.filePath(name));
    }

    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    // Replaces the file's contents by the input.
    const QByteArray &holding(const uint8_t *data, size_t size)
    {
        std::FILE *file = std::fopen(path.constData(), "wb");
        const bool written = file && std::fwrite(data, 1, size, file) == size;
        if (!file || std::fclose(file) != 0 || !written) {
            std::perror("cannot write the scratch file");
            std::abort();
        }
        return path;
    }

    QTemporaryDir folder;
    QByteArray path;
};

bool terminated(const char *name, size_t capacity)
{
    return strnlen(name, capacity) < capacity;
}

bool sameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

template <size_t n>
bool sameNumbers(const double (&a)[n], const double (&b)[n])
{
    return std::equal(a, a + n, b, sameNumber);
}

bool sameOrientation(const solver::Orientation &a, const solver::Orientation &b)
{
    const auto sameCamera = [](const solver::Camera &x, const solver::Camera &y) {
        return x.camIdx == y.camIdx && x.width == y.width && x.height == y.height && sameNumbers(x.values, y.values);
    };
    const auto sameImage = [](const solver::Image &x, const solver::Image &y) {
        return x.imageIdx == y.imageIdx && x.camIdx == y.camIdx && x.stripNo == y.stripNo && x.name == y.name
               && sameNumbers(x.rotation, y.rotation) && sameNumbers(x.position, y.position);
    };
    return std::equal(a.cameras.begin(), a.cameras.end(), b.cameras.begin(), b.cameras.end(), sameCamera)
           && std::equal(a.images.begin(), a.images.end(), b.images.begin(), b.images.end(), sameImage);
}

// Cameras and images numbered 0.. in merged order, each image on a camera of the merge.
bool renumbered(const solver::Orientation &merged)
{
    for (size_t i = 0; i < merged.cameras.size(); ++i)
        if (merged.cameras[i].camIdx != int(i))
            return false;
    for (size_t i = 0; i < merged.images.size(); ++i) {
        const solver::Image &image = merged.images[i];
        if (image.imageIdx != int(i) || image.camIdx < 0 || size_t(image.camIdx) >= merged.cameras.size())
            return false;
    }
    return true;
}

} // namespace

const char *positionFile(const uint8_t *data, size_t size)
{
    static ScratchFile file("input_xyz.txt");
    std::vector<ImageRecord> positions;
    if (readXyzFile(file.holding(data, size), &positions) != PositionFileReading::Read)
        return "an existing position file was not read";
    for (const ImageRecord &record : positions) {
        if (!terminated(record.name, sizeof record.name))
            return "a name fills its whole field";
        const size_t length = strnlen(record.name, sizeof record.name);
        if (std::memchr(record.name, '/', length) || std::memchr(record.name, '\\', length))
            return "a name kept its folder";
        if (!(record.X >= -999999 && record.Y >= -999999 && record.Z >= -999999))
            return "a position below -999999 was kept";
    }
    return nullptr;
}

const char *orientationFile(const uint8_t *data, size_t size)
{
    static ScratchFile file("input_ori.q7c");
    constexpr int marker = 0x51C7;
    std::vector<CameraRecord> cameras(1);
    std::vector<ImageRecord> images(1);
    cameras[0].camIdx = marker;
    images[0].imageIdx = marker;

    const OrientationRead result = OrientationFileReader().readOrientationFile(file.holding(data, size), &cameras, &images);
    if (result == OrientationRead::NotOpened || result == OrientationRead::WrongFormat) {
        const bool untouched = cameras.size() == 1 && cameras[0].camIdx == marker && images.size() == 1
                               && images[0].imageIdx == marker;
        return untouched ? nullptr : "a file refused changed the lists";
    }
    if (result != OrientationRead::Complete)
        return "the result is neither a refusal nor a complete read";
    if (cameras.size() + 4 * images.size() > size)
        return "the lists hold more records than the file has room for";
    for (const ImageRecord &image : images)
        if (!terminated(image.name, sizeof image.name))
            return "an image name fills its whole field";
    return nullptr;
}

const char *projectFile(const uint8_t *data, size_t size)
{
    static ScratchFile file("input.Q7D");
    ProjectParams params;
    readProjectFile(QString::fromLocal8Bit(file.holding(data, size)), params);
    return params.prj_name == QLatin1String("input") ? nullptr : "the project name is not the file's";
}

const char *solverInputList(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string> paths = solver::parseInputList(text);
    if (paths.size() > size_t(std::count(text.begin(), text.end(), '\n')) + 1)
        return "more paths than lines";
    for (const std::string &path : paths)
        if (path.empty() || path.find('\n') != std::string::npos)
            return "a path is empty or spans lines";
    return nullptr;
}

const char *solverOrientation(const uint8_t *data, size_t size)
{
    solver::Orientation source;
    if (!solver::parseOrientation(std::string_view(reinterpret_cast<const char *>(data), size), source).empty())
        return nullptr;

    solver::OrientationMerge merge;
    if (!merge.append(source).empty())
        return merge.merged().cameras.empty() && merge.merged().images.empty() ? nullptr
                                                                              : "a source refused changed the merge";
    const size_t images = merge.merged().images.size();
    // The same source again: its cameras are added, its images all taken.
    if (!merge.append(source).empty())
        return "a source taken once was refused the second time";
    const solver::Orientation &merged = merge.merged();
    if (merged.cameras.size() != 2 * source.cameras.size() || merged.images.size() != images
        || images > source.images.size())
        return "the merge holds the wrong number of records";
    if (!renumbered(merged))
        return "the merge is not numbered in order";

    solver::Orientation again;
    if (!solver::parseOrientation(solver::formatOrientation(merged), again).empty())
        return "the merged orientation file does not read back";
    return sameOrientation(merged, again) ? nullptr : "the merged orientation file reads back different";
}

void silenceReaders()
{
    if (!std::freopen("/dev/null", "w", stdout))
        std::perror("standard output stays open");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

} // namespace fuzzing
