#include "blockmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

uint32_t projectColour(int project)
{
    // Twenty colours that stay apart from each other and from the shared mark,
    // then the same again.
    static constexpr uint32_t palette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b, 0xe377c2,
                                           0x7f7f7f, 0xbcbd22, 0x17becf, 0xaec7e8, 0xffbb78, 0x98df8a, 0xff9896,
                                           0xc5b0d5, 0xc49c94, 0xf7b6d2, 0x6b6ecf, 0xdbdb8d, 0x9edae5};
    constexpr int count = int(sizeof palette / sizeof palette[0]);
    return palette[((project % count) + count) % count];
}

namespace {

// The projects whose extent the map shows: those in focus, else all but
// those found in degrees.
std::vector<bool> framedProjects(const ReadinessReport &report, const std::vector<int> &focus)
{
    std::vector<bool> framed(report.projects.size(), focus.empty());
    for (int project : focus)
        framed[size_t(project)] = true;
    if (!focus.empty())
        return framed;
    for (const ReadinessFinding &finding : report.findings) {
        if (finding.kind == FindingKind::Degrees)
            framed[size_t(finding.projects.front())] = false;
    }
    return framed;
}

} // namespace

BlockMapGrid::BlockMapGrid(const ReadinessReport &report, int width, int height, int topProject,
                           const std::vector<int> &focus)
    : columns(std::max(1, width)), rows(std::max(1, height)), cells(size_t(columns) * size_t(rows), 0),
      sharedCells(cells.size(), 0)
{
    frame(report.points, framedProjects(report, focus));
    fill(report.points, topProject);
    if (!focus.empty())
        outside.clear();
}

void BlockMapGrid::frame(const std::vector<MapPoint> &points, const std::vector<bool> &framed)
{
    float minX = std::numeric_limits<float>::max(), maxX = std::numeric_limits<float>::lowest();
    float minY = minX, maxY = maxX;
    for (const MapPoint &point : points) {
        if (point.project < framed.size() && !framed[point.project])
            continue;
        minX = std::min(minX, point.x);
        maxX = std::max(maxX, point.x);
        minY = std::min(minY, point.y);
        maxY = std::max(maxY, point.y);
    }
    if (minX > maxX)
        return;
    // A single point sits in the middle.
    const double spanX = std::max(double(maxX) - minX, 1e-9), spanY = std::max(double(maxY) - minY, 1e-9);
    // Two cells of room on each side.
    cellsPerUnit = std::min(std::max(1, columns - 5) / spanX, std::max(1, rows - 5) / spanY);
    originX = (double(minX) + maxX) / 2 - (columns - 1) / 2.0 / cellsPerUnit;
    originY = (double(minY) + maxY) / 2 + (rows - 1) / 2.0 / cellsPerUnit;
}

bool BlockMapGrid::toCell(double x, double y, double &cellX, double &cellY) const
{
    if (cellsPerUnit == 0)
        return false;
    cellX = (x - originX) * cellsPerUnit + 0.5;
    cellY = (originY - y) * cellsPerUnit + 0.5;
    return true;
}

void BlockMapGrid::fill(const std::vector<MapPoint> &points, int topProject)
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
        sharedCells[index(x, y)] |= point.shared ? 1 : 0;
    };
    for (const MapPoint &point : points) {
        if (point.project != topProject)
            put(point);
    }
    if (topProject < 0)
        return;
    for (const MapPoint &point : points) {
        if (point.project == topProject)
            put(point);
    }
}

bool BlockMapGrid::cellOf(const MapPoint &point, int &x, int &y) const
{
    const double cellX = (double(point.x) - originX) * cellsPerUnit + 0.5;
    const double cellY = (originY - double(point.y)) * cellsPerUnit + 0.5;
    if (!(cellX >= 0 && cellX < columns && cellY >= 0 && cellY < rows))
        return false;
    x = int(cellX);
    y = int(cellY);
    return true;
}

uint32_t BlockMapGrid::colour(int x, int y, uint32_t background) const
{
    const int drawn = project(x, y);
    if (drawn < 0)
        return background;
    return shared(x, y) ? sharedColour : projectColour(drawn);
}
