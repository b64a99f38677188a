#ifndef BLOCKMAP_H
#define BLOCKMAP_H

#include "readinesscheck.h"

#include <QPointF>
#include <cstdint>
#include <vector>

// The overview map of the blocks, as the dialog and the picture in Log/ draw
// it: the positions on a grid of cells, at most one dot a cell, so that a
// million positions draw as fast as a thousand.

// The colour of colour slot (a project's ReadinessProject::colour), as
// 0xRRGGBB; the same in the list, the map and the picture. Forty colours
// apart from each other and from the shared mark, then the same again.
uint32_t projectColour(int slot);
constexpr int projectColours = 40;

// The colour of a cell where most positions are shared images.
constexpr uint32_t sharedColour = 0x202020;

class BlockMapGrid
{
public:
    // Lays the extent of the report's points onto width x height cells, one
    // scale for X and Y (north up), and fills each cell with the project drawn
    // last there: the projects in list order, topProject (if any, -1 for none)
    // over them all. The extent is that of the largest group of blocks that
    // lie near each other in one unit; blocks in another unit or far from the
    // group are left off (offMap()). With focus given, the map shows those
    // projects alone, over their extent.
    BlockMapGrid(const ReadinessReport &report, int width, int height, int topProject = -1,
                 const std::vector<int> &focus = {});

    int width() const { return columns; }
    int height() const { return rows; }
    // The project drawn at the cell, -1 for none.
    int project(int x, int y) const { return int(cells[index(x, y)]) - 1; }
    // Most of the cell's positions are of images another project lists too.
    bool shared(int x, int y) const;
    // Where the position (x, y) lies, in cells (fractions kept); false when
    // there are no points.
    bool toCell(double x, double y, double &cellX, double &cellY) const;
    // The colour of the cell, 0xRRGGBB; background for an empty one.
    uint32_t colour(int x, int y, uint32_t background) const;
    // The projects with positions outside the map, by index (none with a focus).
    const std::vector<int> &offMap() const { return outside; }
    // Metres a cell (the points are in metres); 0 without points.
    double metresPerCell() const { return cellsPerUnit > 0 ? 1.0 / cellsPerUnit : 0; }

private:
    size_t index(int x, int y) const { return size_t(y) * size_t(columns) + size_t(x); }
    void frame(double minX, double maxX, double minY, double maxY);
    void fill(const std::vector<MapPoint> &points, int topProject, const std::vector<bool> &drawn);
    bool cellOf(const MapPoint &point, int &x, int &y) const;

    int columns;
    int rows;
    double originX = 0, originY = 0; // the extent's west and north edges
    double cellsPerUnit = 0;
    std::vector<uint16_t> cells; // project + 1, 0 for none
    std::vector<uint32_t> pointsIn, sharedIn; // positions a cell, and shared ones among them
    std::vector<uint16_t> colours; // colour slot of each project
    std::vector<int> outside;
};

// Rings round a finding's images on a map of cellUnits a cell: their
// centres in those units, leaving out each that would overlap a ring in
// drawn (which receives those kept).
constexpr double ringRadius = 6;
std::vector<QPointF> ringCentres(const BlockMapGrid &grid, const std::vector<FindingImage> &images, double cellUnits,
                                 std::vector<QPointF> &drawn);

// A scale bar's length in metres: 1, 2 or 5 times a power of ten, at most
// the given length.
double roundScaleLength(double metres);

// The length for people: "500 m", "2 km".
QString scaleText(double metres);

#endif // BLOCKMAP_H
