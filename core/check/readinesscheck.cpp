#include "readinesscheck.h"

#include "namesort.h"
#include "pairoffsets.h"
#include "positionfile.h"
#include "projectfile.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

namespace {

// Findings name at most this many images.
constexpr size_t namedImages = 5;

// Every usable line of the projects' position files: base names in one
// buffer, the position (metres once converted) and project of each line.
class CheckPoints
{
public:
    struct Point
    {
        size_t nameOffset;
        uint32_t nameLength;
        uint32_t project;
        double X, Y, Z;
        bool fix; // not written as 0 0 0
    };

    void append(const PositionPoint &point, uint32_t project, bool fix)
    {
        points.push_back({names.size(), uint32_t(point.name.size()), project, point.X, point.Y, point.Z, fix});
        names.insert(names.end(), point.name.begin(), point.name.end());
    }

    size_t size() const { return points.size(); }
    const Point &operator[](size_t i) const { return points[i]; }
    Point &operator[](size_t i) { return points[i]; }
    std::string_view name(size_t i) const
    {
        return std::string_view(names.data() + points[i].nameOffset, points[i].nameLength);
    }

private:
    std::vector<char> names;
    std::vector<Point> points;
};

bool hasFix(const PositionPoint &point)
{
    return !(point.X == 0 && point.Y == 0 && point.Z == 0);
}

void widen(ReadinessProject &project, const PositionPoint &point, bool first)
{
    if (first) {
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

QString projectionOf(const ProjectEntry &entry)
{
    ProjectParams params;
    return readProjectFile(entry.prjFile, params) ? params.map_projection : QString();
}

// The value at fraction (0 to 1) of the way through values' order.
double quantile(std::vector<double> &values, double fraction)
{
    const auto at = values.begin() + std::lround(fraction * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Where most of a project's positions with a fix lie, in their own unit:
// the middle one, and the extent of the middle half, so that strays (even a
// quarter of them) count for neither.
struct Middle
{
    double x = 0, y = 0;
    UnitExtent extent;
};

Middle middleOf(std::vector<double> xs, std::vector<double> ys)
{
    if (xs.empty())
        return {};
    return {quantile(xs, 0.5), quantile(ys, 0.5),
            {quantile(xs, 0.25), quantile(xs, 0.75), quantile(ys, 0.25), quantile(ys, 0.75)}};
}

CheckPoints readProjects(const std::vector<ProjectEntry> &projects, ReadinessReport &report,
                         std::vector<Middle> &middles, const std::function<bool()> &stop)
{
    CheckPoints points;
    for (size_t p = 0; p < projects.size() && !(stop && stop()); ++p) {
        std::vector<double> xs, ys;
        ReadinessProject project;
        project.label = labelOf(projects[p], int(p));
        project.colour = int(p);
        project.projection = projectionOf(projects[p]);
        project.readable = readPositionPoints(projects[p].xyzFile.toLocal8Bit(), [&](const PositionPoint &point) {
                               const bool fix = hasFix(point);
                               points.append(point, uint32_t(p), fix);
                               ++project.images;
                               if (!fix) {
                                   ++project.withoutFix;
                                   return;
                               }
                               xs.push_back(point.X);
                               ys.push_back(point.Y);
                               widen(project, point, project.images - project.withoutFix == 1);
                           }) == PositionFileReading::Read;
        const bool fixes = !xs.empty();
        middles.push_back(middleOf(std::move(xs), std::move(ys)));
        project.unit = unitOf(middles.back().extent, fixes);
        report.projects.push_back(project);
    }
    return points;
}

// The plane of the blocks in degrees touches the earth at the mean of their
// middle positions.
LocalMetres planeOf(const std::vector<ReadinessProject> &projects, const std::vector<Middle> &middles)
{
    double latitude = 0, longitude = 0;
    int degrees = 0;
    for (size_t p = 0; p < projects.size(); ++p) {
        const ReadinessProject &project = projects[p];
        const double x = middles[p].x, y = middles[p].y;
        if (project.unit == PositionUnit::DegreesLonLat) {
            longitude += x;
            latitude += y;
        } else if (project.unit == PositionUnit::DegreesLatLon) {
            latitude += x;
            longitude += y;
        } else {
            continue;
        }
        ++degrees;
    }
    return degrees == 0 ? LocalMetres() : LocalMetres(latitude / degrees, longitude / degrees);
}

void convertToMetres(CheckPoints &points, const std::vector<ReadinessProject> &projects, const LocalMetres &plane)
{
    for (size_t i = 0; i < points.size(); ++i) {
        CheckPoints::Point &point = points[i];
        plane.toMetres(projects[point.project].unit, point.X, point.Y, point.X, point.Y);
    }
}

// A block's horizontal size in metres: twice the diagonal of its middle
// half's extent.
double sizeInMetres(PositionUnit unit, const UnitExtent &extent, const LocalMetres &plane)
{
    double west = 0, south = 0, east = 0, north = 0;
    plane.toMetres(unit, extent.minX, extent.minY, west, south);
    plane.toMetres(unit, extent.maxX, extent.maxY, east, north);
    return 2 * std::hypot(east - west, north - south);
}

// What the walk over the sorted names gathers.
struct Walk
{
    std::map<std::pair<int, int>, PairOffsets> pairs;
    std::vector<std::vector<NamedDistance>> twice; // one per project
    std::vector<bool> shared;                      // per point
    std::vector<size_t> distinct;                  // the first line of each name
};

bool comparable(const CheckPoints::Point &a, const CheckPoints::Point &b, const std::vector<ReadinessProject> &projects)
{
    return a.fix && b.fix && projects[a.project].unit == projects[b.project].unit;
}

double distance(const CheckPoints::Point &a, const CheckPoints::Point &b)
{
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z));
}

// One run of lines with the same name, in project and line order.
void walkRun(const CheckPoints &points, const std::vector<size_t> &run, const std::vector<ReadinessProject> &projects,
             Walk &walk)
{
    walk.distinct.push_back(run.front());
    std::vector<size_t> firsts; // the first line of each project in the run
    for (size_t point : run) {
        const uint32_t project = points[point].project;
        if (!firsts.empty() && points[firsts.back()].project == project) {
            const CheckPoints::Point &first = points[firsts.back()];
            walk.twice[project].push_back(
                {firsts.back(), comparable(first, points[point], projects) ? distance(first, points[point]) : 0});
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
            const CheckPoints::Point &a = points[firsts[i]], &b = points[firsts[j]];
            PairOffsets &pair = walk.pairs[{int(a.project), int(b.project)}];
            pair.addShared();
            if (comparable(a, b, projects))
                pair.add({b.X - a.X, b.Y - a.Y, b.Z - a.Z, firsts[i]});
        }
    }
}

Walk walkSortedNames(const CheckPoints &points, const std::vector<ReadinessProject> &projects)
{
    Walk walk;
    walk.twice.resize(projects.size());
    walk.shared.assign(points.size(), false);
    std::vector<size_t> run;
    visitSortedByName(points, [&](size_t point) {
        if (!run.empty() && points.name(run.front()) != points.name(point)) {
            walkRun(points, run, projects, walk);
            run.clear();
        }
        run.push_back(point);
    });
    if (!run.empty())
        walkRun(points, run, projects, walk);
    return walk;
}

QString nameOf(const CheckPoints &points, size_t point)
{
    const std::string_view name = points.name(point);
    return QString::fromLocal8Bit(name.data(), int(name.size()));
}

std::vector<FindingImage> namedImagesOf(const CheckPoints &points, std::vector<NamedDistance> examples,
                                        bool largestFirst)
{
    if (largestFirst)
        std::stable_sort(examples.begin(), examples.end(),
                         [](const NamedDistance &a, const NamedDistance &b) { return a.distance > b.distance; });
    std::vector<FindingImage> images;
    for (size_t i = 0; i < examples.size() && i < namedImages; ++i) {
        const CheckPoints::Point &point = points[examples[i].point];
        images.push_back({nameOf(points, examples[i].point), examples[i].distance, point.X, point.Y});
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

void add(ReadinessReport &report, FindingKind kind, const QString &text, std::vector<int> projects,
         std::vector<FindingImage> images = {})
{
    report.findings.push_back({kind, text, std::move(projects), std::move(images)});
}

// Units and projections: each project against the first that has them.
void findUnits(ReadinessReport &report)
{
    const std::vector<ReadinessProject> &projects = report.projects;
    const auto first = std::find_if(projects.begin(), projects.end(),
                                    [](const ReadinessProject &p) { return p.unit != PositionUnit::None; });
    for (auto p = first; first != projects.end() && p != projects.end(); ++p) {
        if (p->unit == PositionUnit::None || p->unit == first->unit)
            continue;
        add(report, FindingKind::Degrees,
            QString("The positions of %1 read as %2, those of %3 as %4: one block may be geographic and the "
                    "other projected, or its axes swapped; their distances are not compared.")
                .arg(p->label, unitName(p->unit), first->label, unitName(first->unit)),
            {int(p - projects.begin()), int(first - projects.begin())});
    }
}

void findProjections(ReadinessReport &report)
{
    const std::vector<ReadinessProject> &projects = report.projects;
    const auto first = std::find_if(projects.begin(), projects.end(),
                                    [](const ReadinessProject &p) { return !p.projection.isEmpty(); });
    for (auto p = first; first != projects.end() && p != projects.end(); ++p) {
        if (p->projection.isEmpty() || p->projection == first->projection)
            continue;
        add(report, FindingKind::Projection,
            QString("%1 names the map projection \"%2\", %3 \"%4\".")
                .arg(p->label, p->projection, first->label, first->projection),
            {int(p - projects.begin()), int(first - projects.begin())});
    }
}

void findWithoutPositions(ReadinessReport &report)
{
    for (size_t p = 0; p < report.projects.size(); ++p) {
        const ReadinessProject &project = report.projects[p];
        if (project.images > 0)
            continue;
        add(report, FindingKind::NoPositions,
            QString("%1 has no usable position line (%2): it is left out of the check, and whether the "
                    "other blocks connect through it cannot be told.")
                .arg(project.label, project.readable ? QString("its position file holds none")
                                                     : QString("its position file is missing or unreadable")),
            {int(p)});
    }
}

void findWithoutFix(ReadinessReport &report)
{
    for (size_t p = 0; p < report.projects.size(); ++p) {
        const ReadinessProject &project = report.projects[p];
        if (project.withoutFix == 0)
            continue;
        add(report, FindingKind::NoFix,
            QString("%1 lists %2 without a position fix (0 0 0): left out of the distances and the map.")
                .arg(project.label, imagesCount(project.withoutFix)),
            {int(p)});
    }
}

void findNamesTwice(ReadinessReport &report, const CheckPoints &points, Walk &walk)
{
    for (size_t p = 0; p < walk.twice.size(); ++p) {
        const qint64 count = qint64(walk.twice[p].size());
        report.projects[p].namesTwice = count;
        if (count == 0)
            continue;
        std::vector<FindingImage> images = namedImagesOf(points, std::move(walk.twice[p]), false);
        const QString text = QString("The position file of %1 lists %2 again; the first line of each name is "
                                     "kept, its distance to the later one: %3.")
                                 .arg(report.projects[p].label)
                                 .arg(count == 1 ? QString("1 image name") : QString("%1 image names").arg(count))
                                 .arg(imageList(images, count));
        add(report, FindingKind::NameTwice, text, {int(p)}, std::move(images));
    }
}

// Names that differ only in case, which name the same file on Windows: the
// distinct names by a hash of their lower case, then each run of one hash
// compared.
void findCaseNames(ReadinessReport &report, const CheckPoints &points, const Walk &walk)
{
    std::vector<std::pair<uint64_t, size_t>> hashed;
    hashed.reserve(walk.distinct.size());
    for (size_t point : walk.distinct)
        hashed.push_back({lowerCaseHash(points.name(point)), point});
    std::sort(hashed.begin(), hashed.end());
    std::map<std::pair<int, int>, QStringList> found;
    for (size_t i = 1; i < hashed.size(); ++i) {
        const size_t a = hashed[i - 1].second, b = hashed[i].second;
        if (hashed[i - 1].first != hashed[i].first || !sameIgnoringCase(points.name(a), points.name(b)))
            continue;
        const int first = int(std::min(points[a].project, points[b].project));
        const int second = int(std::max(points[a].project, points[b].project));
        found[{first, second}] << nameOf(points, a) + " / " + nameOf(points, b);
    }
    for (const auto &[key, names] : found) {
        const QString where = key.first == key.second
                                  ? report.projects[size_t(key.first)].label
                                  : report.projects[size_t(key.first)].label + " and "
                                        + report.projects[size_t(key.second)].label;
        const int count = int(names.size()), shown = std::min(count, int(namedImages));
        add(report, FindingKind::CaseNames,
            QString("%1 list %2 that differ only in case (%3%4): on Windows they name the same file.")
                .arg(where)
                .arg(count == 1 ? QString("1 pair of image names") : QString("%1 pairs of image names").arg(count))
                .arg(names.mid(0, shown).join(", "))
                .arg(count > shown ? QString(", and %1 more").arg(count - shown) : QString()),
            key.first == key.second ? std::vector<int>{key.first} : std::vector<int>{key.first, key.second});
    }
}

QString pairLabels(const ReadinessReport &report, const ReadinessPair &pair)
{
    return report.projects[size_t(pair.first)].label + " and " + report.projects[size_t(pair.second)].label;
}

void findOffset(ReadinessReport &report, const ReadinessPair &pair, const PairVerdict &verdict)
{
    const QString first = report.projects[size_t(pair.first)].label;
    const QString second = report.projects[size_t(pair.second)].label;
    const double horizontal = std::hypot(pair.east, pair.north);
    QStringList where;
    if (verdict.horizontalOffset)
        where << QString("%1 %2 of").arg(distanceText(horizontal), compassPoint(pair.east, pair.north));
    if (verdict.verticalOffset)
        where << QString("%1 %2 than").arg(distanceText(std::fabs(pair.up)), pair.up > 0 ? "higher" : "lower");
    const QString cause = verdict.horizontalOffset ? "another coordinate system or datum?"
                                                   : "ellipsoidal against geoid heights?";
    add(report, FindingKind::Offset,
        QString("%1's shared images lie %2 %3's (spread %4): %5")
            .arg(second, where.join(" and "), first, distanceText(pair.spread), cause),
        {pair.first, pair.second});
}

void findSameNames(ReadinessReport &report, const ReadinessPair &pair, const PairVerdict &verdict, double blocks)
{
    const QString why = verdict.farBeyondBlocks
                            ? QString("far more than the blocks are large (%1)").arg(distanceText(blocks))
                            : QString("with no offset in common (spread %1)").arg(distanceText(pair.spread));
    add(report, FindingKind::SameNames,
        QString("%1 share %2 whose positions lie %3 apart in the median, %4: these are different photos with "
                "the same names. The merge keeps %5's and drops %6 of %7.")
            .arg(pairLabels(report, pair), imagesCount(pair.shared).replace("image", "image name"),
                 distanceText(pair.median), why, report.projects[size_t(pair.first)].label,
                 imagesCount(pair.shared).replace("image", "photo"), report.projects[size_t(pair.second)].label),
        {pair.first, pair.second});
}

void findMoved(ReadinessReport &report, const ReadinessPair &pair, const CheckPoints &points,
               std::vector<NamedDistance> moved, bool offset)
{
    const qint64 count = qint64(moved.size());
    std::vector<FindingImage> images = namedImagesOf(points, std::move(moved), true);
    const QString text = QString("%1 share %2 whose positions lie more than %3 m across or %4 m in height "
                                 "apart%5 (the first project's are merged): %6.")
                             .arg(pairLabels(report, pair), imagesCount(count))
                             .arg(report.tolerance)
                             .arg(report.verticalTolerance)
                             .arg(offset ? QString(" beyond their common offset") : QString())
                             .arg(imageList(images, count));
    add(report, FindingKind::FarApart, text, {pair.first, pair.second}, std::move(images));
}

void findUnconnected(ReadinessReport &report)
{
    const std::vector<ReadinessProject> &projects = report.projects;
    // Without a project's positions, whether the others connect cannot be told.
    if (projects.size() < 2 || std::any_of(projects.begin(), projects.end(),
                                           [](const ReadinessProject &p) { return p.images == 0; }))
        return;
    std::vector<bool> connected(projects.size(), false);
    for (const ReadinessPair &pair : report.pairs)
        connected[size_t(pair.first)] = connected[size_t(pair.second)] = true;
    for (size_t p = 0; p < connected.size(); ++p) {
        if (!connected[p])
            add(report, FindingKind::Unconnected,
                QString("%1 shares no image with any other project: it would be merged unconnected.")
                    .arg(projects[p].label),
                {int(p)});
    }
}

struct PairResult
{
    ReadinessPair pair;
    PairVerdict verdict;
    std::vector<NamedDistance> moved;
    double blocks = 0; // the larger block's size, metres
};

std::vector<PairResult> comparePairs(ReadinessReport &report, Walk &walk, const LocalMetres &plane,
                                     const std::vector<Middle> &middles)
{
    std::vector<PairResult> results;
    const Tolerances tolerances{report.tolerance, report.verticalTolerance};
    for (auto &[key, offsets] : walk.pairs) {
        PairResult result;
        const auto size = [&](int p) {
            return sizeInMetres(report.projects[size_t(p)].unit, middles[size_t(p)].extent, plane);
        };
        result.blocks = std::max(size(key.first), size(key.second));
        result.pair = {key.first, key.second, offsets.shared()};
        result.verdict = offsets.judge(tolerances, result.blocks, result.pair, result.moved);
        report.pairs.push_back(result.pair);
        results.push_back(std::move(result));
    }
    return results;
}

void findPairs(ReadinessReport &report, const CheckPoints &points, std::vector<PairResult> &results)
{
    for (const PairResult &result : results) {
        if (result.verdict.horizontalOffset || result.verdict.verticalOffset)
            findOffset(report, result.pair, result.verdict);
    }
    for (const PairResult &result : results) {
        if (result.verdict.sameNames)
            findSameNames(report, result.pair, result.verdict, result.blocks);
    }
    for (PairResult &result : results) {
        if (!result.moved.empty())
            findMoved(report, result.pair, points, std::move(result.moved),
                      result.verdict.horizontalOffset || result.verdict.verticalOffset);
    }
}

void keepMapPoints(ReadinessReport &report, const CheckPoints &points, const Walk &walk)
{
    report.points.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].fix)
            report.points.push_back(
                {float(points[i].X), float(points[i].Y), uint16_t(points[i].project), walk.shared[i]});
    }
}

} // namespace

ReadinessReport checkReadiness(const std::vector<ProjectEntry> &projects, Tolerances tolerances, MapPoints points,
                               const std::function<bool()> &stop)
{
    ReadinessReport report;
    report.tolerance = tolerances.horizontal;
    report.verticalTolerance = tolerances.vertical;
    std::vector<Middle> middles;
    CheckPoints read = readProjects(projects, report, middles, stop);
    if (report.projects.size() < projects.size())
        return report;
    const LocalMetres plane = planeOf(report.projects, middles);
    convertToMetres(read, report.projects, plane);
    Walk walk = walkSortedNames(read, report.projects);
    std::vector<PairResult> pairs = comparePairs(report, walk, plane, middles);
    // The causes first, then what follows from them.
    findUnits(report);
    findProjections(report);
    findWithoutPositions(report);
    findWithoutFix(report);
    findNamesTwice(report, read, walk);
    findCaseNames(report, read, walk);
    findPairs(report, read, pairs);
    findUnconnected(report);
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
    case FindingKind::Projection:
        return "projection";
    case FindingKind::NoPositions:
        return "noPositions";
    case FindingKind::NoFix:
        return "noFix";
    case FindingKind::CaseNames:
        return "caseNames";
    case FindingKind::Offset:
        return "offset";
    case FindingKind::SameNames:
        return "sameNames";
    }
    return QString();
}
