#include "orientationfilereader.h"

#include "numericlocale.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace {

// Every line the format allows fits here with its line end and terminator.
constexpr int lineBufferSize = 1024;
using LineBuffer = char[lineBufferSize];

static_assert(sizeof(ImageRecord::name) == 512, "the name scan below is \"%511s\"");

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Reads the next line into line, cut to what the buffer holds; the rest of a
// longer line is skipped so that the next read starts on the next line.
// Returns false at the end of the file.
bool readLine(std::FILE *file, LineBuffer &line)
{
    if (!std::fgets(line, lineBufferSize, file))
        return false;
    const size_t length = std::strlen(line);
    if (length == lineBufferSize - 1 && line[length - 1] != '\n') {
        int c;
        do {
            c = std::getc(file);
        } while (c != '\n' && c != EOF);
    }
    return true;
}

// Whether the rest of the file can hold the announced records: a camera takes
// a line, an image four, and the shortest line is one byte. A file that is
// merely cut short passes (its missing records are defaults); counts that no
// file of this size could hold are not taken as sizes to allocate.
bool countsFitFile(std::FILE *file, int imageCount, int cameraCount)
{
    struct stat info;
    const long position = std::ftell(file);
    if (position < 0 || fstat(fileno(file), &info) != 0)
        return false;
    const long long lines = static_cast<long long>(cameraCount) + 4LL * imageCount;
    return lines <= static_cast<long long>(info.st_size) - position;
}

// The header's image and camera counts; false unless it holds three integers,
// neither count is negative and the file can hold what they announce.
bool readHeader(std::FILE *file, int &imageCount, int &cameraCount)
{
    LineBuffer line;
    int ignored = 0;
    return readLine(file, line)
           && std::sscanf(line, "%d %d %d", &imageCount, &cameraCount, &ignored) == 3
           && imageCount >= 0 && cameraCount >= 0
           && countsFitFile(file, imageCount, cameraCount);
}

// Columns: camIdx width height pixelSize focal x0 y0 distortion[0..7]. A line
// that ends early leaves the fields it does not reach at their values.
void scanCamera(const char *line, CameraRecord &camera)
{
    double *d = camera.distortion;
    std::sscanf(line, "%d %d %d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf",
                &camera.camIdx, &camera.width, &camera.height, &camera.pixelSize,
                &camera.focal, &camera.x0, &camera.y0,
                &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7]);
    camera.sensorWidth = double(camera.width) * camera.pixelSize;
    camera.sensorHeight = double(camera.height) * camera.pixelSize;
}

void readCameras(std::FILE *file, int count, std::vector<CameraRecord> &cameras)
{
    cameras.assign(count, CameraRecord());
    LineBuffer line;
    for (CameraRecord &camera : cameras) {
        if (!readLine(file, line))
            return;
        scanCamera(line, camera);
    }
}

// The four lines of one image. Returns false at the end of the file, leaving
// the fields of the missing lines at their values.
bool readImage(std::FILE *file, ImageRecord &image)
{
    LineBuffer line;
    if (!readLine(file, line))
        return false;
    std::sscanf(line, "%d %d %d", &image.imageIdx, &image.camIdx, &image.stripNo);
    if (!readLine(file, line))
        return false;
    std::sscanf(line, "%511s", image.name);
    if (!readLine(file, line))
        return false;
    double *r = image.rotation;
    std::sscanf(line, "%lf %lf %lf %lf %lf %lf %lf %lf %lf ",
                &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8]);
    if (!readLine(file, line))
        return false;
    std::sscanf(line, "%lf %lf %lf ", &image.X, &image.Y, &image.Z);
    return true;
}

void readImages(std::FILE *file, int count, std::vector<ImageRecord> &images)
{
    images.assign(count, ImageRecord());
    for (ImageRecord &image : images) {
        if (!readImage(file, image))
            return;
    }
}

} // namespace

QByteArray orientationFilePath(const QByteArray &path)
{
    const int nameStart = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1;
    const int extensionStart = path.lastIndexOf('.');
    const QByteArray stem = extensionStart >= nameStart ? path.left(extensionStart) : path;
    return stem + ".q7c";
}

int OrientationFileReader::readOrientationFile(QByteArray path,
                                               std::vector<CameraRecord> *cameraRecords,
                                               std::vector<ImageRecord> *imageRecords)
{
    const QByteArray filePath = orientationFilePath(path);
    const FilePointer file(std::fopen(filePath.constData(), "r"));
    if (!file) {
        std::printf("can not open %s!\n", filePath.constData());
        std::fflush(stdout);
        return -1;
    }

    const CNumericLocale cLocale;
    int imageCount = 0;
    int cameraCount = 0;
    if (!readHeader(file.get(), imageCount, cameraCount)) {
        std::printf("ERROR: wrong format: %s!\n", filePath.constData());
        std::fflush(stdout);
        return -1;
    }
    if (!cameraRecords)
        return -1;

    readCameras(file.get(), cameraCount, *cameraRecords);
    if (!imageRecords)
        return 2;

    readImages(file.get(), imageCount, *imageRecords);
    return 4;
}
