#include "positionunits.h"

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double longitudeLimit = 180.0;
constexpr double latitudeLimit = 90.0;

bool within(double min, double max, double limit)
{
    return std::fabs(min) <= limit && std::fabs(max) <= limit && max - min <= maxDegreesSpan;
}

double radians(double degrees)
{
    return degrees * pi / 180.0;
}

} // namespace

PositionUnit unitOf(const UnitExtent &extent, bool hasFix)
{
    if (!hasFix)
        return PositionUnit::None;
    if (within(extent.minX, extent.maxX, longitudeLimit) && within(extent.minY, extent.maxY, latitudeLimit))
        return PositionUnit::DegreesLonLat;
    if (within(extent.minX, extent.maxX, latitudeLimit) && within(extent.minY, extent.maxY, longitudeLimit))
        return PositionUnit::DegreesLatLon;
    return PositionUnit::Metres;
}

QString unitName(PositionUnit unit)
{
    switch (unit) {
    case PositionUnit::Metres:
        return "metres";
    case PositionUnit::DegreesLonLat:
        return "degrees (longitude first)";
    case PositionUnit::DegreesLatLon:
        return "degrees (latitude first)";
    case PositionUnit::None:
        break;
    }
    return "no positions";
}

LocalMetres::LocalMetres(double latitude, double longitude)
    : latitude0(latitude), longitude0(longitude)
{
    // The lengths of a degree on the ellipsoid at this latitude.
    const double phi = radians(latitude);
    metresPerLatitude = 111132.954 - 559.822 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
    metresPerLongitude = 111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi);
}

void LocalMetres::toMetres(PositionUnit unit, double x, double y, double &east, double &north) const
{
    if (unit == PositionUnit::DegreesLatLon)
        std::swap(x, y);
    if (unit != PositionUnit::DegreesLonLat && unit != PositionUnit::DegreesLatLon) {
        east = x;
        north = y;
        return;
    }
    east = (x - longitude0) * metresPerLongitude;
    north = (y - latitude0) * metresPerLatitude;
}

QString compassPoint(double east, double north)
{
    static const char *const points[] = {"north", "north-east", "east", "south-east",
                                         "south", "south-west", "west", "north-west"};
    const double bearing = std::atan2(east, north) * 180.0 / pi; // from north, clockwise
    const int sector = int(std::lround((bearing < 0 ? bearing + 360.0 : bearing) / 45.0)) % 8;
    return points[sector];
}
