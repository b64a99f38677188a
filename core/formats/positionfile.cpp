#include "positionfile.h"

#include "atomicfile.h"
#include "bulkrecords.h"
#include "fixednumber.h"
#include "namesort.h"
#include "numericlocale.h"
#include "plainfields.h"
#include "platform.h"
#include "textlines.h"

#include <QDebug>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The longest line of a position file, without its newline.
constexpr size_t maxLineLength = 1023;
// A line longer than this is no position line cut short but a damaged or
// wrong file: reading it ends there, without a search for its end.
constexpr size_t endlessLineLength = 64 * 1024;

// A name of at most 511 bytes, then six reals and the optional strip number.
constexpr char lineFormat[] = "%511s%n %lf %lf %lf %lf %lf %lf %d";
static_assert(sizeof(ImageRecord::name) == 512, "the width in lineFormat must fit the name");

// Positions further below than this are placeholders, not measurements.
constexpr double lowestCoordinate = -999999.0;

// TooLong: the line, or the name in it, is longer than a record can hold.
enum class LineScan { Record, Unusable, TooLong };

LineScan scanned(int count, ImageRecord &record)
{
    if (count < 7)
        return LineScan::Unusable;
    if (count == 7)
        record.stripNo = -1;
    return LineScan::Record;
}

// The line as sscanf reads it, for the lines that are not plain.
LineScan scanLineWithFormat(const char *line, ImageRecord &record)
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
    return scanned(count, record);
}

// The line of length bytes at line.
LineScan scanLine(const char *line, size_t length, ImageRecord &record)
{
    PlainFields fields(line, length);
    const PlainFields::Result name = fields.readWord(record.name, sizeof(record.name));
    if (name == PlainFields::End)
        return LineScan::Unusable;
    if (name == PlainFields::Read) {
        const int count = scanPlainFields(fields, record.X, record.Y, record.Z, record.omega,
                                          record.phi, record.kappa, record.stripNo);
        if (count != notPlain)
            return scanned(1 + count, record);
    }
    return scanLineWithFormat(line, record);
}

// The base name as splitFilePath yields it: the text after the last '/' or
// '\', up to its last '.'.
std::string_view baseNameOf(std::string_view path)
{
    // What each byte is to a path: most are plain, a few divide it.
    enum PathByte : uint8_t { Plain, Dot, Separator };
    static constexpr std::array<uint8_t, 256> pathBytes = [] {
        std::array<uint8_t, 256> kinds{};
        kinds['.'] = Dot;
        kinds['/'] = kinds['\\'] = Separator;
        return kinds;
    }();
    // One pass back from the end: the first '.' met there, if any comes
    // before a separator, ends the name.
    size_t nameEnd = path.size();
    size_t nameStart = path.size();
    for (; nameStart > 0; --nameStart) {
        const uint8_t kind = pathBytes[static_cast<unsigned char>(path[nameStart - 1])];
        if (kind == Plain)
            continue;
        if (kind == Separator)
            break;
        if (nameEnd == path.size())
            nameEnd = nameStart - 1;
    }
    return path.substr(nameStart, nameEnd - nameStart);
}

// Coordinates that are not numbers are not within bounds either.
bool withinBounds(const ImageRecord &record)
{
    return record.X >= lowestCoordinate && record.Y >= lowestCoordinate
        && record.Z >= lowestCoordinate;
}

bool allFinite(const ImageRecord &record)
{
    for (const double value : {record.X, record.Y, record.Z, record.omega, record.phi, record.kappa}) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

// The line without the UTF-8 byte-order mark a Windows editor puts before
// a file's first line.
std::string_view withoutByteOrderMark(const TextLines::Line &line, int lineNumber)
{
    const std::string_view text(line.text, line.length);
    return lineNumber == 1 && text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

// Where a position file is damaged: from a line on (a line without end), and
// its first line of values that are not finite numbers; 0 for none.
struct Damage
{
    int fromLine = 0;
    int nonFiniteLine = 0;
};

// The usable lines of position files in reading order: base names in one
// buffer, and the values of each line.
class PositionLines
{
public:
    // fileBytes: the size of the files to be read, a hint for the first room
    // taken, which never exceeds 8 MiB.
    explicit PositionLines(qint64 fileBytes)
        : firstBytes(size_t(std::clamp<qint64>(fileBytes, 4096, qint64(8) << 20)))
    {
    }

    struct Line
    {
        size_t nameOffset;
        size_t nameLength;
        double X, Y, Z, omega, phi, kappa;
        int32_t stripNo;
    };

    void append(const ImageRecord &record)
    {
        const std::string_view baseName = baseNameOf(record.name);
        makeRoom(lines, 1);
        makeRoom(names, baseName.size());
        lines.push_back({names.size(), baseName.size(), record.X, record.Y, record.Z,
                         record.omega, record.phi, record.kappa, record.stripNo});
        names.insert(names.end(), baseName.begin(), baseName.end());
    }

    size_t size() const { return lines.size(); }
    const Line &operator[](size_t i) const { return lines[i]; }

    std::string_view name(size_t i) const
    {
        return std::string_view(names.data() + lines[i].nameOffset, lines[i].nameLength);
    }

    // Line i as a record of its own.
    void copyTo(size_t i, ImageRecord &record) const
    {
        const Line &line = lines[i];
        std::memset(record.name, 0, sizeof "NULL");
        if (line.nameLength > 0) // an empty name may have no buffer behind it
            std::memcpy(record.name, names.data() + line.nameOffset, line.nameLength);
        record.X = line.X;
        record.Y = line.Y;
        record.Z = line.Z;
        record.omega = line.omega;
        record.phi = line.phi;
        record.kappa = line.kappa;
        record.stripNo = line.stripNo;
    }

private:
    // The arrays grow with what was read, never with what a file's size
    // suggests: a sparse or wrong file may announce any size. They start at
    // up to 8 MiB, as fresh memory is costly to fill bit by bit, and double,
    // on huge pages where the system has them.
    template <typename Value>
    void makeRoom(std::vector<Value> &values, size_t more) const
    {
        const size_t needed = values.size() + more;
        if (needed > values.capacity())
            reserveLarge(values, std::max({needed, 2 * values.capacity(), firstBytes / sizeof(Value)}));
    }

    const size_t firstBytes;

    std::vector<char> names;
    std::vector<Line> lines;
};

// Hands the usable lines of the position file at path to take, in file
// order, and tells how reading went; damaged, it is so from line damage's
// fromLine on, and the lines before were handed on. With damage given it
// learns where the file is damaged.
template <typename Take>
PositionFileReading readUsableLines(const QByteArray &path, Take take, Damage *damage = nullptr)
{
    FILE *file = platform::openRegularFile(path);
    if (!file)
        return PositionFileReading::NotOpened;
    const CNumericLocale cLocale;
    TextLines text(file, maxLineLength, endlessLineLength);
    ImageRecord record;
    int lineNumber = 0;
    int nonFiniteLine = 0;
    bool endless = false;
    for (TextLines::Line line; !endless && text.next(line);) {
        ++lineNumber;
        endless = line.endless;
        const std::string_view content = withoutByteOrderMark(line, lineNumber);
        const LineScan scan = line.overlong ? LineScan::TooLong : scanLine(content.data(), content.size(), record);
        if (scan == LineScan::TooLong)
            qDebug().noquote() << "readXyzFile: line" << lineNumber << "of"
                               << QString::fromLocal8Bit(path) << (endless ? "runs on without end, reading ends" : "is too long, skipped");
        if (scan != LineScan::Record)
            continue;
        if (!allFinite(record)) {
            if (nonFiniteLine == 0)
                nonFiniteLine = lineNumber;
        } else if (withinBounds(record)) {
            take(record);
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (damage)
        *damage = {endless ? lineNumber : 0, nonFiniteLine};
    return failed ? PositionFileReading::FailedPartWay
           : endless ? PositionFileReading::Damaged
                     : PositionFileReading::Read;
}

PositionFileReading readPositionLines(const QByteArray &path, PositionLines &lines, Damage *damage = nullptr)
{
    return readUsableLines(path, [&lines](const ImageRecord &record) { lines.append(record); }, damage);
}

// The lines sorted by name in byte order, of each name the first in reading
// order only.
std::vector<size_t> sortedUniqueByName(const PositionLines &lines)
{
    std::vector<size_t> order;
    order.reserve(lines.size());
    visitSortedByName(lines, [&](size_t line) {
        if (order.empty() || lines.name(order.back()) != lines.name(line))
            order.push_back(line);
    });
    return order;
}

// Writes text right-aligned in width characters at out; returns the end.
char *rightAligned(char *out, const char *text, size_t length, size_t width)
{
    if (length < width) {
        std::memset(out, ' ', width - length);
        out += width - length;
    }
    std::memcpy(out, text, length);
    return out + length;
}

// value as "%<width>.9lf" writes it.
char *formatReal(char *out, double value, size_t width)
{
    char digits[maxFixed9Length];
    return rightAligned(out, digits, formatFixed9(value, digits), width);
}

// value as "%<width>d" writes it.
char *formatInteger(char *out, int32_t value, size_t width)
{
    char digits[16];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    return rightAligned(out, digits, size_t(result.ptr - digits), width);
}

// The longest line: a name of 511 bytes, six reals of the largest magnitude
// and the strip number, with blanks and the line feed.
constexpr size_t longestRecordLine = 511 + 6 * (1 + maxFixed9Length) + 1 + 11 + 1;

// One line as "%-s %20.9lf %20.9lf %20.9lf%20.9lf %20.9lf %20.9lf %5d\n"
// writes it (no blank between Z and omega); returns its end.
char *formatLine(char *out, std::string_view name, const PositionLines::Line &line)
{
    std::memcpy(out, name.data(), name.size());
    out += name.size();
    for (double value : {line.X, line.Y, line.Z}) {
        *out++ = ' ';
        out = formatReal(out, value, 20);
    }
    out = formatReal(out, line.omega, 20);
    for (double value : {line.phi, line.kappa}) {
        *out++ = ' ';
        out = formatReal(out, value, 20);
    }
    *out++ = ' ';
    out = formatInteger(out, line.stripNo, 5);
    *out++ = '\n';
    return out;
}

// Writes the lines in the given order as the merged position file; false
// when it could not be written whole.
bool writePositions(const QByteArray &path, const PositionLines &lines, const std::vector<size_t> &order)
{
    AtomicFile positionFile(path);
    FILE *file = positionFile.open(platform::LineEnds::Text);
    if (!file)
        return false;
    constexpr size_t block = 1 << 20;
    std::vector<char> text(block + longestRecordLine);
    char *end = text.data();
    for (size_t line : order) {
        end = formatLine(end, lines.name(line), lines[line]);
        if (size_t(end - text.data()) >= block) {
            std::fwrite(text.data(), 1, size_t(end - text.data()), file);
            end = text.data();
        }
    }
    std::fwrite(text.data(), 1, size_t(end - text.data()), file);
    return positionFile.commit();
}

} // namespace

bool writeMergedPositions(const QStringList &xyzFiles, const QString &outPath, PositionsRead *read)
{
    qint64 fileBytes = 0;
    for (const QString &xyzFile : xyzFiles)
        fileBytes += QFileInfo(xyzFile).size();
    PositionLines lines(fileBytes);
    PositionsRead counts;
    for (const QString &xyzFile : xyzFiles) {
        const size_t before = lines.size();
        Damage damage;
        const PositionFileReading result = readPositionLines(xyzFile.toLocal8Bit(), lines, &damage);
        if (damage.nonFiniteLine > 0)
            counts.damaged.push_back({xyzFile, damage.nonFiniteLine, false});
        if (result == PositionFileReading::Damaged)
            counts.damaged.push_back({xyzFile, damage.fromLine});
        else if (result != PositionFileReading::Read)
            counts.unreadable << xyzFile;
        else if (lines.size() == before)
            counts.withoutLines << xyzFile;
    }
    const std::vector<size_t> order = sortedUniqueByName(lines);
    counts.lines = qint64(lines.size());
    counts.merged = qint64(order.size());
    if (read)
        *read = counts;
    qDebug() << order.size();
    return writePositions(outPath.toLocal8Bit(), lines, order);
}

PositionFileReading readPositionPoints(const QByteArray &path, const std::function<void(const PositionPoint &)> &take)
{
    return readUsableLines(path, [&take](const ImageRecord &record) {
        take({baseNameOf(record.name), record.X, record.Y, record.Z});
    });
}

PositionFileReading readXyzFile(QByteArray path, std::vector<ImageRecord> *positions)
{
    PositionLines lines(QFileInfo(QString::fromLocal8Bit(path)).size());
    const PositionFileReading result = readPositionLines(path, lines);
    positions->reserve(positions->size() + lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        positions->emplace_back();
        lines.copyTo(i, positions->back());
    }
    return result;
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
    const std::string_view base = baseNameOf(std::string_view(path.constData(), size_t(path.size())));
    baseName = QByteArray(base.data(), int(base.size()));
    ext = dot < 0 ? QByteArray() : path.mid(dot);
}
