#ifndef FIXEDNUMBER_H
#define FIXEDNUMBER_H

#include <cstddef>

// The longest text formatFixed9 writes: a sign, the 309 digits of the largest
// double, the point and nine decimals.
constexpr size_t maxFixed9Length = 1 + 309 + 1 + 9;

// Writes value at out as printf's "%.9f" does in the "C" locale (exactly
// rounded, ties to even; "-" also for negative zero; inf and nan spelled as
// printf spells them) and returns the number of characters written.
size_t formatFixed9(double value, char *out);

#endif // FIXEDNUMBER_H
