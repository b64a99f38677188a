#ifndef POSITIONUNITS_H
#define POSITIONUNITS_H

#include <QString>

// The unit a block's positions are written in, told from the values alone,
// and their conversion to metres east, north and up, so that blocks in
// degrees are compared in metres as blocks in a projection are.

enum class PositionUnit {
    None,           // no position with a fix
    Metres,         // projected or local coordinates
    DegreesLonLat,  // X longitude, Y latitude
    DegreesLatLon,  // X latitude, Y longitude
};

// A block's extent in its own unit, over the positions with a fix.
struct UnitExtent
{
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// Degrees when the extent (of the block's middle half of positions, so that
// strays do not count) lies within the ranges of longitude and latitude (±180 and
// ±90, in either order) and spans at most maxDegreesSpan in each: a survey
// block of a few kilometres. Longitude first when both orders fit. Metres
// otherwise.
PositionUnit unitOf(const UnitExtent &extent, bool hasFix);

constexpr double maxDegreesSpan = 2.0;

// How the unit is named in findings: "metres", "degrees (longitude first)",
// "degrees (latitude first)".
QString unitName(PositionUnit unit);

// Converts positions in degrees to metres on a plane that touches the earth
// at the reference latitude and longitude: enough at block scale.
class LocalMetres
{
public:
    LocalMetres() = default;
    LocalMetres(double latitude, double longitude);

    // X and Y of a position in unit, as metres east and north (metres stay
    // as they are).
    void toMetres(PositionUnit unit, double x, double y, double &east, double &north) const;

private:
    double latitude0 = 0, longitude0 = 0;
    double metresPerLatitude = 0, metresPerLongitude = 0;
};

// The direction of an offset of east and north metres, one of the eight
// points of the compass: "north", "north-east", ...
QString compassPoint(double east, double north);

#endif // POSITIONUNITS_H
