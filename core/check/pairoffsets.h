#ifndef PAIROFFSETS_H
#define PAIROFFSETS_H

#include "readinesscheck.h"

#include <QString>
#include <string_view>
#include <vector>

// How the images two projects share lie apart, in metres: one offset the
// same for all (a datum, a coordinate system, heights of another kind),
// different photos under the same names, or single images moved.

// A line a finding names, by its index among the check's points, with a
// distance in metres.
struct NamedDistance
{
    size_t point;
    double distance;
};

// One shared image: the second project's position less the first's.
struct SharedOffset
{
    double east, north, up;
    size_t point; // the first project's line
};

struct PairVerdict
{
    bool horizontalOffset = false; // every image moved alike across
    bool verticalOffset = false;   // every image moved alike in height
    bool sameNames = false;        // different photos under the same names:
    bool farBeyondBlocks = false;  // far apart beyond the blocks' size, or else scattered with no offset in common
};

// An offset told as one for all needs at least this many shared images.
constexpr size_t offsetImages = 3;
// Shared names farther apart in the median than this many times the larger
// block's size are different photos.
constexpr double sameNamesFactor = 2.0;
// So are shared names whose offsets scatter by more than this many times the
// horizontal tolerance (a metre at least) in the median: adjustments of the same photos differ
// by well under a metre, a few moved images leave the median alone.
constexpr double scatterFactor = 10.0;

class PairOffsets
{
public:
    void addShared() { ++sharedImages; }
    void add(const SharedOffset &offset) { offsets.push_back(offset); }
    qint64 shared() const { return sharedImages; }

    // Fills pair's figures from the offsets gathered, and moved with the
    // images that lie farther from the median offset than the tolerances
    // (none when the names are different photos). blocks: the larger
    // block's size in metres.
    PairVerdict judge(const Tolerances &tolerances, double blocks, ReadinessPair &pair,
                      std::vector<NamedDistance> &moved) const;

private:
    qint64 sharedImages = 0;
    std::vector<SharedOffset> offsets; // of the images with a fix in both, in one unit
};

// A distance for people: "265.6 m" under 10 km, "3,887 km" from there.
QString distanceText(double metres);

// A hash of the name in ASCII lower case.
uint64_t lowerCaseHash(std::string_view name);
// True when the names differ, but only in ASCII case.
bool sameIgnoringCase(std::string_view a, std::string_view b);

#endif // PAIROFFSETS_H
