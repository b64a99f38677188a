#ifndef ORIENTATIONFILEREADER_H
#define ORIENTATIONFILEREADER_H

#include "camerarecords.h"

#include <QByteArray>
#include <utility>
#include <vector>

// Reads the orientation file (".q7c") the solver writes: a header line
// "<images> <cameras> <any integer>", one line per camera, then four lines per
// image (indices, name, rotation matrix, position).
// How a read went.
enum class OrientationRead {
    Complete,    // cameras and images read
    CamerasOnly, // cameras read; no list was given for the images
    NotOpened,   // the file cannot be opened
    WrongFormat, // its header or records are not an orientation file's
    NoList,      // no list was given for the cameras; nothing read
};

class OrientationFileReader
{
public:
    // Reads the ".q7c" file of path's folder and base name (path in the local
    // 8-bit encoding; its extension, if any, is ignored) into the two lists,
    // which end up with the sizes the header announces, in file order.
    // A header that is not three integers with non-negative counts the file
    // can hold (a camera takes at least one byte, an image four) is the
    // wrong format; a file merely cut short gets default records for what is
    // missing. Unless the read is Complete or CamerasOnly the lists are
    // untouched. A file not opened or of the wrong format is reported on
    // standard output.
    OrientationRead readOrientationFile(QByteArray path, std::vector<CameraRecord> *cameraRecords,
                                        std::vector<ImageRecord> *imageRecords);

    // Room for the images of the next read, made ahead (see touchedRoom): the
    // read fills it, when it is large enough, instead of fresh memory.
    void setImageRoom(std::vector<ImageRecord> room) { imageRoom = std::move(room); }

private:
    std::vector<ImageRecord> imageRoom;
};

// The counts of an orientation file's header.
struct OrientationHeader
{
    int images = 0;
    int cameras = 0;
};

// Reads only the header of the orientation file the reader opens for path,
// judged as readOrientationFile judges it; prints nothing. False when the file
// cannot be opened or its header would make readOrientationFile fail.
bool readOrientationHeader(const QByteArray &path, OrientationHeader &header);

// The file the reader opens for path: its folder and base name with ".q7c" in
// place of the extension ("/" and "\" both separate folders).
QByteArray orientationFilePath(const QByteArray &path);

#endif // ORIENTATIONFILEREADER_H
