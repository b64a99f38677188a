#include "readinesscheck.h"

#include "namesort.h"
#include "positionfile.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

namespace {

// Findings name at most this many images.
constexpr size_t namedImages = 5;

// Degrees: longitude within ±180, latitude within ±90.
constexpr double degreesX = 180.0;
constexpr double degreesY = 90.0;

// Every usable line of the projects' position files: base names in one
// buffer, the position and project of each line.
class CheckPoints
{
public:
    struct Point
    {
        size_t nameOffset;
        uint32_t nameLength;
        uint32_t project;
        double X, Y, Z;
    };

    void append(const PositionPoint &point, uint32_t project)
    {
        points.push_back({names.size(), uint32_t(point.name.size()), project, point.X, point.Y, point.Z});
        names.insert(names.end(), point.name.begin(), point.name.end());
    }

    size_t size() const { return points.size(); }
    const Point &operator[](size_t i) const { return points[i]; }
    std::string_view name(size_t i) const
    {
        return std::string_view(names.data() + points[i].nameOffset, points[i].nameLength);
    }

private:
    std::vector<char> names;
    std::vector<Point> points;
};

double distance(const CheckPoints::Point &a, const CheckPoints::Point &b)
{
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z));
}

void widen(ReadinessProject &project, const PositionPoint &point)
{
    if (project.images++ == 0) {
        project.minX = project.maxX = point.X;
        project.minY = project.maxY = point.Y;
        project.minZ = project.maxZ = point.Z;
        return;
    }
    project.minX = std::min(project.minX, point.X);
    project.maxX = std::max(project.maxX, point.X);
    project.minY = std::min(project.minY, point.Y);
    project.maxY = std::max(project.maxY, point.Y);
    project.minZ = std::min(project.minZ, point.Z);
    project.maxZ = std::max(project.maxZ, point.Z);
}

QString labelOf(const ProjectEntry &entry, int index)
{
    return QString("project %1 (%2)").arg(index + 1).arg(QFileInfo(entry.prjFile).completeBaseName());
}

// An image a finding names, with the distance between two of its lines.
struct Example
{
    double distance;
    size_t point; // where it lies in the first project named
};

// What the walk over the sorted names gathers of two projects, or of one
// project's names listed twice.
struct Gathered
{
    std::vector<double> distances;
    std::vector<Example> examples; // of the finding: far apart, or listed twice
    qint64 count = 0;
};

struct Walk
{
    std::map<std::pair<int, int>, Gathered> pairs;
    std::vector<Gathered> twice; // one per project
    std::vector<bool> shared;    // per point
};

// One run of lines with the same name, in project and line order.
void walkRun(const CheckPoints &points, const std::vector<size_t> &run, double tolerance, Walk &walk)
{
    std::vector<size_t> firsts; // the first line of each project in the run
    for (size_t point : run) {
        const uint32_t project = points[point].project;
        if (!firsts.empty() && points[firsts.back()].project == project) {
            Gathered &twice = walk.twice[project];
            ++twice.count;
            twice.examples.push_back({distance(points[firsts.back()], points[point]), firsts.back()});
            continue;
        }
        firsts.push_back(point);
    }
    if (firsts.size() < 2)
        return;
    for (size_t point : run)
        walk.shared[point] = true;
    for (size_t i = 0; i < firsts.size(); ++i) {
        for (size_t j = i + 1; j < firsts.size(); ++j) {
            const double apart = distance(points[firsts[i]], points[firsts[j]]);
            Gathered &pair = walk.pairs[{int(points[firsts[i]].project), int(points[firsts[j]].project)}];
            pair.distances.push_back(apart);
            if (apart > tolerance) {
                ++pair.count;
                pair.examples.push_back({apart, firsts[i]});
            }
        }
    }
}

Walk walkSortedNames(const CheckPoints &points, int projects, double tolerance)
{
    Walk walk;
    walk.twice.resize(size_t(projects));
    walk.shared.assign(points.size(), false);
    std::vector<size_t> run;
    visitSortedByName(points, [&](size_t point) {
        if (!run.empty() && points.name(run.front()) != points.name(point)) {
            walkRun(points, run, tolerance, walk);
            run.clear();
        }
        run.push_back(point);
    });
    if (!run.empty())
        walkRun(points, run, tolerance, walk);
    return walk;
}

double median(std::vector<double> values)
{
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    return (*std::max_element(values.begin(), values.begin() + long(middle)) + upper) / 2;
}

std::vector<FindingImage> namedImagesOf(const CheckPoints &points, std::vector<Example> examples, bool largestFirst)
{
    if (largestFirst)
        std::stable_sort(examples.begin(), examples.end(),
                         [](const Example &a, const Example &b) { return a.distance > b.distance; });
    std::vector<FindingImage> images;
    for (size_t i = 0; i < examples.size() && i < namedImages; ++i) {
        const CheckPoints::Point &point = points[examples[i].point];
        const std::string_view name = points.name(examples[i].point);
        images.push_back({QString::fromLocal8Bit(name.data(), int(name.size())), examples[i].distance,
                          point.X, point.Y});
    }
    return images;
}

QString imagesCount(qint64 count)
{
    return count == 1 ? QString("1 image") : QString("%1 images").arg(count);
}

QString imageList(const std::vector<FindingImage> &images, qint64 count)
{
    QStringList named;
    for (const FindingImage &image : images)
        named << QString("%1 %2").arg(image.name).arg(image.distance, 0, 'f', 3);
    if (count > qint64(images.size()))
        named << QString("and %1 more").arg(count - qint64(images.size()));
    return named.join(", ");
}

bool inDegrees(const ReadinessProject &project)
{
    return project.images > 0 && std::fabs(project.minX) <= degreesX && std::fabs(project.maxX) <= degreesX
        && std::fabs(project.minY) <= degreesY && std::fabs(project.maxY) <= degreesY;
}

void findUnconnected(ReadinessReport &report)
{
    if (report.projects.size() < 2)
        return;
    std::vector<bool> connected(report.projects.size(), false);
    for (const ReadinessPair &pair : report.pairs)
        connected[size_t(pair.first)] = connected[size_t(pair.second)] = true;
    // A project without positions (its file missing) is told of as missing.
    for (size_t p = 0; p < connected.size(); ++p) {
        if (!connected[p] && report.projects[p].images > 0)
            report.findings.push_back(
                {FindingKind::Unconnected,
                 QString("%1 shares no image with any other project: it would be merged unconnected.")
                     .arg(report.projects[p].label),
                 {int(p)},
                 {}});
    }
}

void findDegrees(ReadinessReport &report)
{
    const auto metres = std::find_if(report.projects.begin(), report.projects.end(), [](const ReadinessProject &p) {
        return p.images > 0 && !inDegrees(p);
    });
    if (metres == report.projects.end())
        return;
    for (size_t p = 0; p < report.projects.size(); ++p) {
        if (!inDegrees(report.projects[p]))
            continue;
        report.findings.push_back(
            {FindingKind::Degrees,
             QString("All positions of %1 lie within ±180 in X and ±90 in Y, as degrees do, while those of %2 "
                     "do not: one block may be geographic and the other projected.")
                 .arg(report.projects[p].label, metres->label),
             {int(p), int(metres - report.projects.begin())},
             {}});
    }
}

void findFarApart(ReadinessReport &report, const CheckPoints &points, Walk &walk)
{
    for (auto &[key, gathered] : walk.pairs) {
        if (gathered.count == 0)
            continue;
        std::vector<FindingImage> images = namedImagesOf(points, std::move(gathered.examples), true);
        const QString text =
            QString("%1 and %2 share %3 whose positions lie more than %4 apart (the first project's "
                    "are merged): %5.")
                .arg(report.projects[size_t(key.first)].label, report.projects[size_t(key.second)].label)
                .arg(imagesCount(gathered.count))
                .arg(report.tolerance)
                .arg(imageList(images, gathered.count));
        report.findings.push_back({FindingKind::FarApart, text, {key.first, key.second}, std::move(images)});
    }
}

void findNamesTwice(ReadinessReport &report, const CheckPoints &points, Walk &walk)
{
    for (size_t p = 0; p < walk.twice.size(); ++p) {
        Gathered &twice = walk.twice[p];
        report.projects[p].namesTwice = twice.count;
        if (twice.count == 0)
            continue;
        std::vector<FindingImage> images = namedImagesOf(points, std::move(twice.examples), false);
        const QString text = QString("The position file of %1 lists %2 again; the first line of each name is "
                                     "kept, its distance to the later one: %3.")
                                 .arg(report.projects[p].label)
                                 .arg(twice.count == 1 ? QString("1 image name") : QString("%1 image names").arg(twice.count))
                                 .arg(imageList(images, twice.count));
        report.findings.push_back({FindingKind::NameTwice, text, {int(p)}, std::move(images)});
    }
}

CheckPoints readProjects(const std::vector<ProjectEntry> &projects, ReadinessReport &report,
                         const std::function<bool()> &stop)
{
    CheckPoints points;
    for (size_t p = 0; p < projects.size() && !(stop && stop()); ++p) {
        ReadinessProject project;
        project.label = labelOf(projects[p], int(p));
        project.readable = readPositionPoints(projects[p].xyzFile.toLocal8Bit(), [&](const PositionPoint &point) {
                               points.append(point, uint32_t(p));
                               widen(project, point);
                           }) == PositionFileReading::Read;
        report.projects.push_back(project);
    }
    return points;
}

void gatherPairs(ReadinessReport &report, const Walk &walk)
{
    for (const auto &[key, gathered] : walk.pairs) {
        report.pairs.push_back({key.first, key.second, qint64(gathered.distances.size()), median(gathered.distances),
                                *std::max_element(gathered.distances.begin(), gathered.distances.end())});
    }
}

void keepMapPoints(ReadinessReport &report, const CheckPoints &points, const Walk &walk)
{
    report.points.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        report.points.push_back({float(points[i].X), float(points[i].Y), uint16_t(points[i].project), walk.shared[i]});
}

} // namespace

ReadinessReport checkReadiness(const std::vector<ProjectEntry> &projects, double tolerance, MapPoints points,
                               const std::function<bool()> &stop)
{
    ReadinessReport report;
    report.tolerance = tolerance;
    const CheckPoints read = readProjects(projects, report, stop);
    if (report.projects.size() < projects.size())
        return report;
    Walk walk = walkSortedNames(read, int(projects.size()), tolerance);
    gatherPairs(report, walk);
    findUnconnected(report);
    findFarApart(report, read, walk);
    findDegrees(report);
    findNamesTwice(report, read, walk);
    if (points == MapPoints::Kept)
        keepMapPoints(report, read, walk);
    return report;
}

QString findingKindName(FindingKind kind)
{
    switch (kind) {
    case FindingKind::Unconnected:
        return "unconnected";
    case FindingKind::FarApart:
        return "farApart";
    case FindingKind::Degrees:
        return "degrees";
    case FindingKind::NameTwice:
        return "nameTwice";
    }
    return QString();
}
