#include "pairoffsets.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

// The middle value; of an even count the lower of the two middle ones, so
// that of two images one moved is told as the one.
double lowerMedian(std::vector<double> values)
{
    const auto middle = values.begin() + long((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
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

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

PairVerdict PairOffsets::judge(const Tolerances &tolerances, double blocks, ReadinessPair &pair,
                               std::vector<NamedDistance> &moved) const
{
    PairVerdict verdict;
    pair.compared = !offsets.empty();
    if (!pair.compared)
        return verdict;
    std::vector<double> east, north, up, distances, across;
    for (const SharedOffset &offset : offsets) {
        east.push_back(offset.east);
        north.push_back(offset.north);
        up.push_back(offset.up);
        across.push_back(std::hypot(offset.east, offset.north));
        distances.push_back(std::sqrt(across.back() * across.back() + offset.up * offset.up));
    }
    pair.east = lowerMedian(east);
    pair.north = lowerMedian(north);
    pair.up = lowerMedian(up);
    pair.median = median(distances);
    pair.largest = *std::max_element(distances.begin(), distances.end());
    // Too few images show no common offset: each is measured as it lies.
    const bool enough = offsets.size() >= offsetImages;
    const double east0 = enough ? pair.east : 0, north0 = enough ? pair.north : 0, up0 = enough ? pair.up : 0;
    std::vector<double> residuals;
    std::vector<NamedDistance> beyond;
    for (const SharedOffset &offset : offsets) {
        const double h = std::hypot(offset.east - east0, offset.north - north0);
        const double v = std::fabs(offset.up - up0);
        residuals.push_back(std::hypot(h, v));
        if (h > tolerances.horizontal || v > tolerances.vertical)
            beyond.push_back({offset.point, residuals.back()});
    }
    pair.spread = median(residuals);
    const bool alike = enough && pair.spread <= tolerances.horizontal;
    verdict.horizontalOffset = alike && std::hypot(pair.east, pair.north) > tolerances.horizontal;
    verdict.verticalOffset = alike && std::fabs(pair.up) > tolerances.vertical;
    const bool scattered = pair.spread > scatterFactor * std::max(tolerances.horizontal, 1.0);
    verdict.farBeyondBlocks = median(across) > sameNamesFactor * std::max(blocks, tolerances.horizontal);
    verdict.sameNames = enough && !alike && (verdict.farBeyondBlocks || scattered);
    if (!verdict.sameNames)
        moved = std::move(beyond);
    return verdict;
}

QString distanceText(double metres)
{
    if (metres < 10000)
        return QString::number(metres, 'f', 1) + " m";
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(std::round(metres / 1000), 'f', 0) + " km";
}

uint64_t lowerCaseHash(std::string_view name)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name) {
        hash ^= uint8_t(lower(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size() || a == b)
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}
