#ifndef READINESSCHECK_H
#define READINESSCHECK_H

#include "positionunits.h"
#include "projectentry.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// A look at the source projects' positions before they are merged, read as
// the position export reads them: what each project holds, which images
// each two share (by base name, as the export merges an image once), how far
// apart their positions lie in metres, and the findings an operator should
// see first, the cause before its consequences. The check writes nothing;
// its findings are advice.

// One project's positions.
struct ReadinessProject
{
    QString label;         // "project N (base name)", as findings name it
    bool readable = false; // its position file was read whole
    qint64 images = 0;     // usable lines
    double minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0; // over positions with a fix; zero without
    qint64 namesTwice = 0; // names listed again after their first line
    qint64 withoutFix = 0; // usable lines at 0 0 0
    PositionUnit unit = PositionUnit::None;
    QString projection; // the project file's map_projection, empty when unread
    int colour = 0;     // its colour on the map (projectColour): its index, unless the list keeps another
};

// Two projects that share images, compared in metres where their units agree.
struct ReadinessPair
{
    int first = 0; // project indexes, first < second
    int second = 0;
    qint64 shared = 0;
    bool compared = false; // both in the same unit, with fixes: the figures below hold
    double median = 0;     // the shared images' distance apart, median and largest
    double largest = 0;
    double east = 0, north = 0, up = 0; // the median offset of the second project's images
    double spread = 0; // the median distance of the images from that offset
};

enum class FindingKind {
    Unconnected,
    FarApart, // images moved apart from their pair's offset
    Degrees,  // blocks in different units
    NameTwice,
    Projection,
    NoPositions,
    NoFix,
    CaseNames,
    Offset,    // every shared image moved alike
    SameNames, // different photos under the same names
};

// An image a finding names: where it lies (in the first project it names)
// and the distance in metres that makes it one.
struct FindingImage
{
    QString name;
    double distance = 0;
    double x = 0; // in the map's plane, as MapPoint
    double y = 0;
};

struct ReadinessFinding
{
    FindingKind kind = FindingKind::Unconnected;
    QString text;                     // one sentence, naming the projects
    std::vector<int> projects;        // indexes of the projects it names
    std::vector<FindingImage> images; // up to five
};

// One position as the map draws it: metres east and north, in the block's
// projection or (a block in degrees) on the plane around the blocks' centre.
struct MapPoint
{
    float x = 0;
    float y = 0;
    uint16_t project = 0;
    bool shared = false; // another project lists the image too
};

// The distances beyond which shared images are a finding, in metres.
struct Tolerances
{
    double horizontal = 1.0;
    double vertical = 1.0;
};

struct ReadinessReport
{
    double tolerance = 1.0;         // horizontal, metres
    double verticalTolerance = 1.0; // metres
    bool finished = true;           // false when the check was cut short (a stopped merge)
    std::vector<ReadinessProject> projects; // in list order
    std::vector<ReadinessPair> pairs;       // the pairs that share images, in list order
    std::vector<ReadinessFinding> findings;
    std::vector<MapPoint> points; // with MapPoints::Kept, every line with a fix in reading order
};

enum class MapPoints { Kept, Dropped };

// Two adjustments of the same images differ by well under a metre.
constexpr double defaultTolerance = 1.0;

// The check of the projects' position files, in list order. When `stop`
// answers true before a project is read, the check ends there, its report
// holding the projects read so far and no findings.
ReadinessReport checkReadiness(const std::vector<ProjectEntry> &projects, Tolerances tolerances = {},
                               MapPoints points = MapPoints::Dropped, const std::function<bool()> &stop = {});

// The kind's name in the batch program's JSON: "unconnected", "farApart",
// "degrees", "nameTwice", "projection", "noPositions", "noFix", "caseNames",
// "offset", "sameNames".
QString findingKindName(FindingKind kind);

#endif // READINESSCHECK_H
