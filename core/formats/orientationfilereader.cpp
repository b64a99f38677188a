#include "orientationfilereader.h"

#include "bulkrecords.h"
#include "numericlocale.h"
#include "plainfields.h"
#include "platform.h"
#include "textlines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

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

// Up to count records of the file, each read in place by readOne. The records
// the file lacks follow at their defaults, so the file's count is what the
// list comes to in any case: the room for it is taken once, before reading,
// and no record is moved as the list grows. False when there is no memory for
// them (counts of a wrong or sparse file).
template <typename Record, typename ReadOne>
bool readRecords(int count, std::vector<Record> &records, ReadOne readOne)
{
    try {
        reserveLarge(records, size_t(count));
    } catch (const std::bad_alloc &) {
        return false;
    }
    while (records.size() < size_t(count)) {
        records.emplace_back();
        if (!readOne(records.back())) {
            records.pop_back();
            break;
        }
    }
    records.resize(size_t(count));
    return true;
}

bool readCameras(TextLines &lines, int count, std::vector<CameraRecord> &cameras)
{
    return readRecords(count, cameras, [&](CameraRecord &camera) {
        TextLines::Line line;
        if (!lines.next(line))
            return false;
        scanCamera(line.text, camera);
        return true;
    });
}

void scanIndices(const TextLines::Line &line, ImageRecord &image)
{
    if (scanPlainFields(line.text, image.imageIdx, image.camIdx, image.stripNo) == notPlain)
        std::sscanf(line.text, "%d %d %d", &image.imageIdx, &image.camIdx, &image.stripNo);
}

void scanName(const TextLines::Line &line, ImageRecord &image)
{
    if (PlainFields(line.text, line.length).readWord(image.name, sizeof image.name) == PlainFields::NotPlain)
        std::sscanf(line.text, "%511s", image.name);
}

void scanRotation(const TextLines::Line &line, ImageRecord &image)
{
    double *r = image.rotation;
    if (scanPlainFields(line.text, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8]) == notPlain)
        std::sscanf(line.text, "%lf %lf %lf %lf %lf %lf %lf %lf %lf ",
                    &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8]);
}

void scanPosition(const TextLines::Line &line, ImageRecord &image)
{
    if (scanPlainFields(line.text, image.X, image.Y, image.Z) == notPlain)
        std::sscanf(line.text, "%lf %lf %lf ", &image.X, &image.Y, &image.Z);
}

// The four lines of one image; false when the file ends before its first.
// The fields of lines missing after it keep their values.
bool readImage(TextLines &lines, ImageRecord &image)
{
    TextLines::Line line;
    bool any = false;
    for (auto scan : {scanIndices, scanName, scanRotation, scanPosition}) {
        if (!lines.next(line))
            return any;
        scan(line, image);
        any = true;
    }
    return true;
}

bool readImages(TextLines &lines, int count, std::vector<ImageRecord> &images)
{
    return readRecords(count, images, [&](ImageRecord &image) { return readImage(lines, image); });
}

bool allFinite(std::initializer_list<const double *> values, size_t each)
{
    for (const double *value : values) {
        if (!std::all_of(value, value + each, [](double v) { return std::isfinite(v); }))
            return false;
    }
    return true;
}

// The first line (counted from 1) holding a value that is not a finite
// number, 0 when none does: a camera a line after the header, an image four
// (indices, name, rotation, position).
long long firstNonFiniteLine(const std::vector<CameraRecord> &cameras, const std::vector<ImageRecord> &images)
{
    for (size_t i = 0; i < cameras.size(); ++i) {
        const CameraRecord &c = cameras[i];
        if (!allFinite({&c.pixelSize, &c.focal, &c.x0, &c.y0}, 1) || !allFinite({c.distortion}, 8))
            return 2 + (long long)i;
    }
    const long long imagesStart = 2 + (long long)cameras.size();
    for (size_t i = 0; i < images.size(); ++i) {
        const ImageRecord &image = images[i];
        if (!allFinite({image.rotation}, 9))
            return imagesStart + 4 * (long long)i + 2;
        if (!allFinite({&image.X, &image.Y, &image.Z}, 1))
            return imagesStart + 4 * (long long)i + 3;
    }
    return 0;
}

OrientationRead wrongFormat(const QByteArray &filePath)
{
    std::printf("ERROR: wrong format: %s!\n", filePath.constData());
    std::fflush(stdout);
    return OrientationRead::WrongFormat;
}

} // namespace

QByteArray orientationFilePath(const QByteArray &path)
{
    const int nameStart = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1;
    const int extensionStart = path.lastIndexOf('.');
    const QByteArray stem = extensionStart >= nameStart ? path.left(extensionStart) : path;
    return stem + ".q7c";
}

OrientationRead OrientationFileReader::readOrientationFile(QByteArray path,
                                                           std::vector<CameraRecord> *cameraRecords,
                                                           std::vector<ImageRecord> *imageRecords)
{
    const QByteArray filePath = orientationFilePath(path);
    const FilePointer file(platform::openRegularFile(filePath));
    if (!file) {
        std::printf("can not open %s!\n", filePath.constData());
        std::fflush(stdout);
        return OrientationRead::NotOpened;
    }

    const CNumericLocale cLocale;
    TextLines lines(file.get(), maxLineLength);
    OrientationHeader header;
    if (!readHeader(lines, header))
        return wrongFormat(filePath);
    if (!cameraRecords)
        return OrientationRead::NoList;

    // Read aside: a file refused for want of memory leaves the lists as they were.
    std::vector<CameraRecord> cameras;
    if (!readCameras(lines, header.cameras, cameras))
        return wrongFormat(filePath);
    if (!imageRecords) {
        cameraRecords->swap(cameras);
        return OrientationRead::CamerasOnly;
    }

    std::vector<ImageRecord> images;
    images.swap(imageRoom);
    images.clear();
    if (!readImages(lines, header.images, images))
        return wrongFormat(filePath);
    // A camera or image of no number would go on into every file of the merge.
    if (const long long line = firstNonFiniteLine(cameras, images)) {
        std::printf("ERROR: line %lld of %s holds a value that is no finite number\n", line, filePath.constData());
        return wrongFormat(filePath);
    }
    cameraRecords->swap(cameras);
    imageRecords->swap(images);
    return OrientationRead::Complete;
}

bool readOrientationHeader(const QByteArray &path, OrientationHeader &header)
{
    const FilePointer file(platform::openRegularFile(orientationFilePath(path)));
    if (!file)
        return false;
    const CNumericLocale cLocale;
    TextLines lines(file.get(), maxLineLength);
    return readHeader(lines, header);
}
