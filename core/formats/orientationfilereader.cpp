#include "orientationfilereader.h"

#include "bulkrecords.h"
#include "numericlocale.h"
#include "plainfields.h"
#include "textlines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The longest line of an orientation file, without its line end.
constexpr size_t maxLineLength = 1023;

static_assert(sizeof(ImageRecord::name) == 512, "the name scan below is \"%511s\"");

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Whether the rest of the file can hold the announced records: a camera takes
// a line, an image four, and the shortest line is one byte. A file that is
// merely cut short passes (its missing records are defaults); counts that no
// file of this size could hold are not taken as sizes to allocate.
bool countsFitFile(const TextLines &lines, int imageCount, int cameraCount)
{
    const long long announcedLines = static_cast<long long>(cameraCount) + 4LL * imageCount;
    return announcedLines <= lines.bytesLeft();
}

// The header's image and camera counts; false unless it holds three integers,
// neither count is negative and the file can hold what they announce.
bool readHeader(TextLines &lines, OrientationHeader &header)
{
    TextLines::Line line;
    if (!lines.next(line))
        return false;
    int ignored = 0;
    int count = scanPlainFields(line.text, header.images, header.cameras, ignored);
    if (count == notPlain)
        count = std::sscanf(line.text, "%d %d %d", &header.images, &header.cameras, &ignored);
    return count == 3 && header.images >= 0 && header.cameras >= 0
           && countsFitFile(lines, header.images, header.cameras);
}

// Columns: camIdx width height pixelSize focal x0 y0 distortion[0..7]. A line
// that ends early leaves the fields it does not reach at their values.
void scanCamera(const char *line, CameraRecord &camera)
{
    double *d = camera.distortion;
    if (scanPlainFields(line, camera.camIdx, camera.width, camera.height, camera.pixelSize,
                        camera.focal, camera.x0, camera.y0,
                        d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]) == notPlain)
        std::sscanf(line, "%d %d %d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf",
                    &camera.camIdx, &camera.width, &camera.height, &camera.pixelSize,
                    &camera.focal, &camera.x0, &camera.y0,
                    &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7]);
    camera.sensorWidth = double(camera.width) * camera.pixelSize;
    camera.sensorHeight = double(camera.height) * camera.pixelSize;
}

void readCameras(TextLines &lines, int count, std::vector<CameraRecord> &cameras)
{
    assignDefaultRecords(cameras, size_t(count));
    TextLines::Line line;
    for (CameraRecord &camera : cameras) {
        if (!lines.next(line))
            return;
        scanCamera(line.text, camera);
    }
}

void scanIndices(const char *line, ImageRecord &image)
{
    if (scanPlainFields(line, image.imageIdx, image.camIdx, image.stripNo) == notPlain)
        std::sscanf(line, "%d %d %d", &image.imageIdx, &image.camIdx, &image.stripNo);
}

void scanName(const char *line, ImageRecord &image)
{
    if (PlainFields(line).readWord(image.name, sizeof image.name) == PlainFields::NotPlain)
        std::sscanf(line, "%511s", image.name);
}

void scanRotation(const char *line, ImageRecord &image)
{
    double *r = image.rotation;
    if (scanPlainFields(line, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8]) == notPlain)
        std::sscanf(line, "%lf %lf %lf %lf %lf %lf %lf %lf %lf ",
                    &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8]);
}

void scanPosition(const char *line, ImageRecord &image)
{
    if (scanPlainFields(line, image.X, image.Y, image.Z) == notPlain)
        std::sscanf(line, "%lf %lf %lf ", &image.X, &image.Y, &image.Z);
}

// The four lines of one image. Returns false at the end of the file, leaving
// the fields of the missing lines at their values.
bool readImage(TextLines &lines, ImageRecord &image)
{
    TextLines::Line line;
    for (auto scan : {scanIndices, scanName, scanRotation, scanPosition}) {
        if (!lines.next(line))
            return false;
        scan(line.text, image);
    }
    return true;
}

void readImages(TextLines &lines, int count, std::vector<ImageRecord> &images)
{
    assignDefaultRecords(images, size_t(count));
    for (ImageRecord &image : images) {
        if (!readImage(lines, image))
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
    TextLines lines(file.get(), maxLineLength);
    OrientationHeader header;
    if (!readHeader(lines, header)) {
        std::printf("ERROR: wrong format: %s!\n", filePath.constData());
        std::fflush(stdout);
        return -1;
    }
    if (!cameraRecords)
        return -1;

    readCameras(lines, header.cameras, *cameraRecords);
    if (!imageRecords)
        return 2;

    readImages(lines, header.images, *imageRecords);
    return 4;
}

bool readOrientationHeader(const QByteArray &path, OrientationHeader &header)
{
    const FilePointer file(std::fopen(orientationFilePath(path).constData(), "r"));
    if (!file)
        return false;
    const CNumericLocale cLocale;
    TextLines lines(file.get(), maxLineLength);
    return readHeader(lines, header);
}
