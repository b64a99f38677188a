#include "imagelistfile.h"

#include "atomicfile.h"

#include <QDebug>
#include <QTextStream>
#include <charconv>
#include <cstdio>
#include <string>
#include <unordered_map>

namespace {

// What the list holds after each camIdx: the focal length in pixels of the
// last camera carrying it, as a QTextStream writes a double by default (six
// significant digits, C locale). Formatted once per camera.
std::unordered_map<int32_t, std::string> focalTexts(const std::vector<CameraRecord> &cameras)
{
    std::unordered_map<int32_t, std::string> texts;
    for (const CameraRecord &camera : cameras) {
        QString text;
        QTextStream(&text) << camera.focal / camera.pixelSize;
        texts[camera.camIdx] = text.toStdString();
    }
    return texts;
}

// Lines gather in memory and go out in pieces of about this size.
constexpr size_t pieceSize = size_t(1) << 20;

// A failed write shows in the stream's error state, which commit() checks.
void writePiece(std::FILE *file, std::string &piece)
{
    std::fwrite(piece.data(), 1, piece.size(), file);
    piece.clear();
}

} // namespace

bool writeImageList(QString path, const std::vector<ImageRecord> &imageRecords,
                    const std::vector<CameraRecord> &cameraRecords)
{
    AtomicFile imageList(path.toLocal8Bit());
    std::FILE *file = imageList.open(platform::LineEnds::Unchanged);
    if (!file) {
        qDebug().noquote() << "Error: Cannot open file";
        return false;
    }

    // Names go out byte for byte as the orientation file held them, whatever
    // the locale's encoding.
    const std::unordered_map<int32_t, std::string> focals = focalTexts(cameraRecords);
    const std::string noFocal = "0";
    const std::string *focal = &noFocal;
    std::string piece;
    piece.reserve(pieceSize + 1024);
    for (const ImageRecord &image : imageRecords) {
        const auto camera = focals.find(image.camIdx);
        if (camera != focals.end())
            focal = &camera->second;
        piece.append(image.name, qstrnlen(image.name, sizeof image.name));
        piece += ' ';
        char digits[16];
        piece.append(digits, std::to_chars(digits, digits + sizeof digits, image.camIdx).ptr);
        piece += ' ';
        piece += *focal;
        piece += '\n';
        if (piece.size() >= pieceSize)
            writePiece(file, piece);
    }
    writePiece(file, piece);
    return imageList.commit();
}

GroupCounts imageGroupCounts(const std::vector<ImageRecord> &imageRecords)
{
    GroupCounts groupCounts;
    for (const ImageRecord &image : imageRecords) {
        if (groupCounts.empty() || groupCounts.back().first != image.camIdx)
            groupCounts.emplace_back(image.camIdx, 1);
        else
            ++groupCounts.back().second;
    }
    return groupCounts;
}
