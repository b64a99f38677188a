#ifndef BLOCKMAP_H
#define BLOCKMAP_H

#include "readinesscheck.h"

#include <cstdint>
#include <vector>

// The overview map of the blocks, as the dialog and the picture in Log/ draw
// it: the positions on a grid of cells, at most one dot a cell, so that a
// million positions draw as fast as a thousand.

// The colour of the project at index (in list order), as 0xRRGGBB; the same
// in the list, the map and the picture.
uint32_t projectColour(int project);

// The colour of a cell that holds a shared image.
constexpr uint32_t sharedColour = 0x202020;

class BlockMapGrid
{
public:
    // Lays the extent of the report's points onto width x height cells, one
    // scale for X and Y (north up), and fills each cell with the project drawn
    // last there: the projects in list order, topProject (if any, -1 for none)
    // over them all. Blocks found in degrees among blocks in metres would
    // shrink the others to a dot: they are left out of the extent, and of the
    // map where they lie outside it. With focus given, the map shows the
    // extent of those projects alone.
    BlockMapGrid(const ReadinessReport &report, int width, int height, int topProject = -1,
                 const std::vector<int> &focus = {});

    int width() const { return columns; }
    int height() const { return rows; }
    // The project drawn at the cell, -1 for none.
    int project(int x, int y) const { return int(cells[index(x, y)]) - 1; }
    bool shared(int x, int y) const { return sharedCells[index(x, y)] != 0; }
    // Where the position (x, y) lies, in cells (fractions kept); false when
    // there are no points.
    bool toCell(double x, double y, double &cellX, double &cellY) const;
    // The colour of the cell, 0xRRGGBB; background for an empty one.
    uint32_t colour(int x, int y, uint32_t background) const;
    // The projects with positions outside the map, by index (none with a focus).
    const std::vector<int> &offMap() const { return outside; }

private:
    size_t index(int x, int y) const { return size_t(y) * size_t(columns) + size_t(x); }
    void frame(const std::vector<MapPoint> &points, const std::vector<bool> &framed);
    void fill(const std::vector<MapPoint> &points, int topProject);
    bool cellOf(const MapPoint &point, int &x, int &y) const;

    int columns;
    int rows;
    double originX = 0, originY = 0; // the extent's west and north edges
    double cellsPerUnit = 0;
    std::vector<uint16_t> cells; // project + 1, 0 for none
    std::vector<uint8_t> sharedCells;
    std::vector<int> outside;
};

#endif // BLOCKMAP_H
