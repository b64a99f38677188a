#include "positionfile.h"

#include "atomicfile.h"
#include "numericlocale.h"

#include <QDebug>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// One line of a position file and its terminator.
constexpr int lineBufferSize = 1024;
using LineBuffer = char[lineBufferSize];

// A name of at most 511 bytes, then six reals and the optional strip number.
constexpr char lineFormat[] = "%511s%n %lf %lf %lf %lf %lf %lf %d";
static_assert(sizeof(ImageRecord::name) == 512, "the width in lineFormat must fit the name");

constexpr char recordFormat[] =
    "%-s %20.9lf %20.9lf %20.9lf%20.9lf %20.9lf %20.9lf %5d\n";

// Positions further below than this are placeholders, not measurements.
constexpr double lowestCoordinate = -999999.0;

enum class LineRead { Line, TooLong, End };

// Reads the next line into line, without its newline. A line that does not
// fit is read up to its end and reported as TooLong, so that its tail never
// passes for a line of its own.
LineRead readLine(FILE *file, LineBuffer &line)
{
    int length = 0;
    bool tooLong = false;
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
        if (length < lineBufferSize - 1)
            line[length++] = char(c);
        else
            tooLong = true;
    }
    line[length] = '\0';
    if (tooLong)
        return LineRead::TooLong;
    if (c == EOF && length == 0)
        return LineRead::End;
    return LineRead::Line;
}

// TooLong: the line, or the name in it, is longer than a record can hold.
enum class LineScan { Record, Unusable, TooLong };

LineScan scanLine(const char *line, ImageRecord &record)
{
    int nameEnd = 0;
    const int count = std::sscanf(line, lineFormat, record.name, &nameEnd, &record.X,
                                  &record.Y, &record.Z, &record.omega, &record.phi,
                                  &record.kappa, &record.stripNo);
    if (count < 7)
        return LineScan::Unusable;
    // The name stopped at the width limit, not at a blank: the rest of it
    // would have been taken for the numbers.
    if (line[nameEnd] != '\0' && !std::isspace(static_cast<unsigned char>(line[nameEnd])))
        return LineScan::TooLong;
    if (count == 7)
        record.stripNo = -1;
    return LineScan::Record;
}

void keepBaseName(ImageRecord &record)
{
    QByteArray drive, dir, baseName, ext;
    splitFilePath(QByteArray(record.name), drive, dir, baseName, ext);
    // The base name is part of the name, so it fits; nothing stays behind it.
    std::memset(record.name, 0, sizeof(record.name));
    std::memcpy(record.name, baseName.constData(), size_t(baseName.size()));
}

// False also for coordinates that are not numbers.
bool withinBounds(const ImageRecord &record)
{
    return record.X >= lowestCoordinate && record.Y >= lowestCoordinate
        && record.Z >= lowestCoordinate;
}

bool nameLess(const ImageRecord *a, const ImageRecord *b)
{
    return std::strncmp(a->name, b->name, sizeof(a->name)) < 0;
}

// Sorts records by name in byte order and keeps the first of each name. The
// records themselves are copied once: the sort orders pointers, and it is
// stable, so the first record of a name in reading order is the one kept.
void sortUniqueByName(std::vector<ImageRecord> &records)
{
    std::vector<const ImageRecord *> order;
    order.reserve(records.size());
    for (const ImageRecord &record : records)
        order.push_back(&record);
    std::stable_sort(order.begin(), order.end(), nameLess);

    std::vector<ImageRecord> unique;
    unique.reserve(order.size());
    for (const ImageRecord *record : order) {
        if (unique.empty() || nameLess(&unique.back(), record))
            unique.push_back(*record);
    }
    records.swap(unique);
}

bool writePositions(const QByteArray &path, const std::vector<ImageRecord> &records)
{
    AtomicFile positionFile(path);
    FILE *file = positionFile.open();
    if (!file)
        return false;
    const CNumericLocale cLocale;
    for (const ImageRecord &r : records)
        std::fprintf(file, recordFormat, r.name, r.X, r.Y, r.Z, r.omega, r.phi, r.kappa,
                     r.stripNo);
    return positionFile.commit();
}

} // namespace

bool makeXyzFile(const MergeRequest &request, MergeState &state)
{
    const QString outDir = request.outputFolder();
    state.positions.clear();
    for (const ProjectEntry &entry : state.projects)
        readXyzFile(entry.xyzFile.toLocal8Bit(), &state.positions);
    sortUniqueByName(state.positions);
    qDebug() << state.positions.size();

    state.posFilePath = outDir + "//" + request.prjName + "_xyz.txt";
    return writePositions(state.posFilePath.toLocal8Bit(), state.positions);
}

int readXyzFile(QByteArray path, std::vector<ImageRecord> *positions)
{
    FILE *file = std::fopen(path.constData(), "r");
    if (!file)
        return 0;
    const CNumericLocale cLocale;
    LineBuffer line;
    int lineNumber = 0;
    for (LineRead read; (read = readLine(file, line)) != LineRead::End;) {
        ++lineNumber;
        ImageRecord record;
        const LineScan scan =
            read == LineRead::Line ? scanLine(line, record) : LineScan::TooLong;
        if (scan == LineScan::TooLong)
            qDebug().noquote() << "readXyzFile: line" << lineNumber << "of"
                               << QString::fromLocal8Bit(path) << "is too long, skipped";
        if (scan != LineScan::Record)
            continue;
        keepBaseName(record);
        if (withinBounds(record))
            positions->push_back(record);
    }
    std::fclose(file);
    return 1;
}

void splitFilePath(QByteArray path, QByteArray &drive, QByteArray &dir,
                   QByteArray &baseName, QByteArray &ext)
{
    const int driveEnd = path.indexOf(':') + 1; // 0 without a drive
    const int separator = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    const int nameStart = separator + 1;         // 0 without a separator
    const int dot = path.lastIndexOf('.');

    drive = path.left(driveEnd);
    dir = separator >= driveEnd ? path.mid(driveEnd, nameStart - driveEnd) : QByteArray();
    if (dot < 0) {
        baseName = path.mid(nameStart);
        ext.clear();
        return;
    }
    ext = path.mid(dot);
    // A dot in a folder name, not in the file name: the name runs to the end.
    baseName = dot > separator ? path.mid(nameStart, dot - nameStart) : path.mid(nameStart);
}
