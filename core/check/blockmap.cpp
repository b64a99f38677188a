#include "blockmap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

uint32_t projectColour(int slot)
{
    static constexpr uint32_t palette[projectColours] = {
        0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf,
        0xaec7e8, 0xffbb78, 0x98df8a, 0xff9896, 0xc5b0d5, 0xc49c94, 0xf7b6d2, 0x6b6ecf, 0xdbdb8d, 0x9edae5,
        0x393b79, 0xe6550d, 0x637939, 0x843c39, 0x7b4173, 0x3182bd, 0xfdae6b, 0x31a354, 0xad494a, 0xa55194,
        0x8ca252, 0xbd9e39, 0x6baed6, 0xfd8d3c, 0x74c476, 0xe7969c, 0xce6dbd, 0x5254a3, 0xe7ba52, 0x969696};
    return palette[((slot % projectColours) + projectColours) % projectColours];
}

namespace {

// Blocks whose extents lie closer than this many times the larger one's
// size (at least linkMetres) belong to one group on the map.
constexpr double linkFactor = 3.0;
constexpr double linkMetres = 100.0;
// A block's positions farther from its median centre than this many times
// their median distance from it (at least linkMetres) are strays, left out
// of its extent.
constexpr double strayFactor = 10.0;

struct Box
{
    double minX = std::numeric_limits<double>::max(), maxX = std::numeric_limits<double>::lowest();
    double minY = minX, maxY = maxX;
    size_t points = 0;

    void widen(double x, double y)
    {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        ++points;
    }
    double size() const { return points ? std::hypot(maxX - minX, maxY - minY) : 0; }
    double gap(const Box &other) const
    {
        return std::hypot(std::max({0.0, other.minX - maxX, minX - other.maxX}),
                          std::max({0.0, other.minY - maxY, minY - other.maxY}));
    }
};

double middle(std::vector<double> values)
{
    const auto at = values.begin() + long(values.size() / 2);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Each project's extent in the map's metres, its strays left out.
std::vector<Box> projectBoxes(const std::vector<MapPoint> &points, size_t projects)
{
    std::vector<std::vector<double>> xs(projects), ys(projects);
    for (const MapPoint &point : points) {
        if (point.project < projects) {
            xs[point.project].push_back(point.x);
            ys[point.project].push_back(point.y);
        }
    }
    std::vector<Box> boxes(projects);
    for (size_t p = 0; p < projects; ++p) {
        if (xs[p].empty())
            continue;
        const double cx = middle(xs[p]), cy = middle(ys[p]);
        std::vector<double> distances(xs[p].size());
        for (size_t i = 0; i < xs[p].size(); ++i)
            distances[i] = std::hypot(xs[p][i] - cx, ys[p][i] - cy);
        const double reach = std::max(strayFactor * middle(distances), linkMetres);
        for (size_t i = 0; i < xs[p].size(); ++i) {
            if (distances[i] <= reach)
                boxes[p].widen(xs[p][i], ys[p][i]);
        }
    }
    return boxes;
}

int root(std::vector<int> &parent, int p)
{
    while (parent[size_t(p)] != p)
        p = parent[size_t(p)] = parent[size_t(parent[size_t(p)])];
    return p;
}

// The projects the map frames: with a focus those alone; else the largest
// group (most positions) of blocks in the first unit whose extents (boxes,
// one a project) lie within a few block sizes of each other, the others
// being far away.
std::vector<bool> framedProjects(const ReadinessReport &report, const std::vector<int> &focus,
                                 const std::vector<Box> &boxes)
{
    const size_t count = report.projects.size();
    std::vector<bool> framed(count, false);
    for (int project : focus)
        framed[size_t(project)] = true;
    if (!focus.empty())
        return framed;
    const auto first = std::find_if(report.projects.begin(), report.projects.end(),
                                    [](const ReadinessProject &p) { return p.unit != PositionUnit::None; });
    if (first == report.projects.end())
        return framed;
    std::vector<int> parent(count);
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t a = 0; a < count; ++a) {
        for (size_t b = a + 1; b < count; ++b) {
            const bool sameUnit = report.projects[a].unit == report.projects[b].unit;
            const double reach = linkFactor * std::max({boxes[a].size(), boxes[b].size(), linkMetres});
            if (sameUnit && boxes[a].points && boxes[b].points && boxes[a].gap(boxes[b]) <= reach)
                parent[size_t(root(parent, int(a)))] = root(parent, int(b));
        }
    }
    // The group with the most positions among those in the first unit.
    std::vector<size_t> groupPoints(count, 0);
    for (size_t p = 0; p < count; ++p) {
        if (report.projects[p].unit == first->unit)
            groupPoints[size_t(root(parent, int(p)))] += boxes[p].points;
    }
    const int largest = int(std::max_element(groupPoints.begin(), groupPoints.end()) - groupPoints.begin());
    for (size_t p = 0; p < count; ++p)
        framed[p] = report.projects[p].unit == first->unit && root(parent, int(p)) == largest;
    return framed;
}

} // namespace

std::vector<QPointF> ringCentres(const BlockMapGrid &grid, const std::vector<FindingImage> &images, double cellUnits,
                                 std::vector<QPointF> &drawn)
{
    std::vector<QPointF> kept;
    for (const FindingImage &image : images) {
        double x = 0, y = 0;
        if (!grid.toCell(image.x, image.y, x, y))
            continue;
        const QPointF centre(x * cellUnits - 0.5, y * cellUnits - 0.5);
        const bool overlaps = std::any_of(drawn.begin(), drawn.end(), [&](const QPointF &other) {
            return std::hypot(other.x() - centre.x(), other.y() - centre.y()) < 2 * ringRadius;
        });
        if (overlaps)
            continue;
        drawn.push_back(centre);
        kept.push_back(centre);
    }
    return kept;
}

double roundScaleLength(double metres)
{
    if (!(metres > 0))
        return 0;
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    for (double step : {5.0, 2.0, 1.0}) {
        if (step * power <= metres)
            return step * power;
    }
    return power;
}

QString scaleText(double metres)
{
    return metres >= 1000 ? QString("%1 km").arg(metres / 1000) : QString("%1 m").arg(metres);
}

BlockMapGrid::BlockMapGrid(const ReadinessReport &report, int width, int height, int topProject,
                           const std::vector<int> &focus)
    : columns(std::max(1, width)), rows(std::max(1, height)), cells(size_t(columns) * size_t(rows), 0),
      pointsIn(cells.size(), 0), sharedIn(cells.size(), 0)
{
    for (const ReadinessProject &project : report.projects)
        colours.push_back(uint16_t(project.colour));
    const std::vector<Box> boxes = projectBoxes(report.points, report.projects.size());
    const std::vector<bool> framed = framedProjects(report, focus, boxes);
    Box extent;
    for (size_t p = 0; p < boxes.size(); ++p) {
        if (framed[p] && boxes[p].points) {
            extent.widen(boxes[p].minX, boxes[p].minY);
            extent.widen(boxes[p].maxX, boxes[p].maxY);
        }
    }
    if (extent.points)
        frame(extent.minX, extent.maxX, extent.minY, extent.maxY);
    // A chosen finding draws its blocks alone.
    fill(report.points, topProject, focus.empty() ? std::vector<bool>(report.projects.size(), true) : framed);
}

void BlockMapGrid::frame(double minX, double maxX, double minY, double maxY)
{
    // A single point sits in the middle.
    const double spanX = std::max(maxX - minX, 1e-9), spanY = std::max(maxY - minY, 1e-9);
    // Two cells of room on each side.
    cellsPerUnit = std::min(std::max(1, columns - 5) / spanX, std::max(1, rows - 5) / spanY);
    originX = (minX + maxX) / 2 - (columns - 1) / 2.0 / cellsPerUnit;
    originY = (minY + maxY) / 2 + (rows - 1) / 2.0 / cellsPerUnit;
}

bool BlockMapGrid::toCell(double x, double y, double &cellX, double &cellY) const
{
    if (cellsPerUnit == 0)
        return false;
    cellX = (x - originX) * cellsPerUnit + 0.5;
    cellY = (originY - y) * cellsPerUnit + 0.5;
    return true;
}

void BlockMapGrid::fill(const std::vector<MapPoint> &points, int topProject, const std::vector<bool> &drawn)
{
    if (cellsPerUnit == 0)
        return;
    auto put = [this](const MapPoint &point) {
        int x = 0, y = 0;
        if (!cellOf(point, x, y)) {
            if (std::find(outside.begin(), outside.end(), int(point.project)) == outside.end())
                outside.push_back(point.project);
            return;
        }
        cells[index(x, y)] = uint16_t(point.project + 1);
        ++pointsIn[index(x, y)];
        sharedIn[index(x, y)] += point.shared ? 1 : 0;
    };
    for (const MapPoint &point : points) {
        if (point.project != topProject && point.project < drawn.size() && drawn[point.project])
            put(point);
    }
    if (topProject >= 0 && size_t(topProject) < drawn.size() && drawn[size_t(topProject)]) {
        for (const MapPoint &point : points) {
            if (point.project == topProject)
                put(point);
        }
    }
    std::sort(outside.begin(), outside.end());
}

bool BlockMapGrid::cellOf(const MapPoint &point, int &x, int &y) const
{
    double cellX = 0, cellY = 0;
    toCell(point.x, point.y, cellX, cellY);
    if (!(cellX >= 0 && cellX < columns && cellY >= 0 && cellY < rows))
        return false;
    x = int(cellX);
    y = int(cellY);
    return true;
}

bool BlockMapGrid::shared(int x, int y) const
{
    return 2 * sharedIn[index(x, y)] > pointsIn[index(x, y)];
}

uint32_t BlockMapGrid::colour(int x, int y, uint32_t background) const
{
    const int drawn = project(x, y);
    if (drawn < 0)
        return background;
    return shared(x, y) ? sharedColour : projectColour(colours[size_t(drawn)]);
}
