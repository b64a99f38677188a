#ifndef READINESSCHECK_H
#define READINESSCHECK_H

#include "projectentry.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// A look at the source projects' positions before they are merged, read as
// the position export reads them: what each project holds, which images
// each two share (by base name, as the export merges an image once) and how
// far apart their positions lie, and the findings an operator should see
// first. The check writes nothing; its findings are advice. A position file
// that is missing or unreadable is no finding: the merge tells of it.

// One project's positions.
struct ReadinessProject
{
    QString label;         // "project N (base name)", as findings name it
    bool readable = false; // its position file was read whole
    qint64 images = 0;     // usable lines
    double minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0; // zero without images
    qint64 namesTwice = 0; // names listed again after their first line
};

// Two projects that share images: their positions' median and largest
// distance, in the positions' own unit.
struct ReadinessPair
{
    int first = 0; // project indexes, first < second
    int second = 0;
    qint64 shared = 0;
    double median = 0;
    double largest = 0;
};

enum class FindingKind { Unconnected, FarApart, Degrees, NameTwice };

// An image a finding names: where it lies (in the first project it names)
// and the distance to its other position.
struct FindingImage
{
    QString name;
    double distance = 0;
    double x = 0;
    double y = 0;
};

struct ReadinessFinding
{
    FindingKind kind = FindingKind::Unconnected;
    QString text;                     // one sentence, naming the projects
    std::vector<int> projects;        // indexes of the projects it names
    std::vector<FindingImage> images; // up to five
};

// One position as the map draws it.
struct MapPoint
{
    float x = 0;
    float y = 0;
    uint16_t project = 0;
    bool shared = false; // another project lists the image too
};

struct ReadinessReport
{
    double tolerance = 1.0;
    std::vector<ReadinessProject> projects; // in list order
    std::vector<ReadinessPair> pairs;       // the pairs that share images, in list order
    std::vector<ReadinessFinding> findings;
    std::vector<MapPoint> points; // with MapPoints::Kept, every usable line in reading order
};

enum class MapPoints { Kept, Dropped };

// Shared images farther apart than this, in the positions' unit, are findings.
constexpr double defaultTolerance = 1.0;

// The check of the projects' position files, in list order. When `stop`
// answers true before a project is read, the check ends there, its report
// holding the projects read so far and no findings.
ReadinessReport checkReadiness(const std::vector<ProjectEntry> &projects, double tolerance = defaultTolerance,
                               MapPoints points = MapPoints::Dropped, const std::function<bool()> &stop = {});

// The kind's name in the batch program's JSON: "unconnected", "farApart",
// "degrees", "nameTwice".
QString findingKindName(FindingKind kind);

#endif // READINESSCHECK_H
