#include "fixednumber.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

#ifdef __SIZEOF_INT128__
// Writes the nine decimal digits of value (below 10^9), leading zeros too.
void writeNineDigits(char *out, uint32_t value)
{
    static const char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    for (int i = 7; i >= 1; i -= 2) {
        std::memcpy(out + i, pairs + 2 * (value % 100), 2);
        value /= 100;
    }
    out[0] = char('0' + value);
}

// For |value| below 2^53 the digits follow from integers alone: |value| is
// m / 2^k with integers m below 2^53 and k >= 0, so its whole part is
// m >> k, and its nine decimals are the rest times 10^9 / 2^k, rounded to the
// nearest integer (ties to even). Returns 0 for other values.
size_t formatSmallFixed9(double value, char *out)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biasedExponent = int(bits >> 52) & 0x7ff;
    if (biasedExponent > 1075) // 2^53 and beyond, inf and nan
        return 0;
    const uint64_t fractionBits = bits & ((uint64_t(1) << 52) - 1);
    const uint64_t mantissa = biasedExponent == 0 ? fractionBits : fractionBits | (uint64_t(1) << 52);
    const int shift = biasedExponent == 0 ? 1074 : 1075 - biasedExponent;

    uint64_t whole = 0;
    uint64_t rest = mantissa; // the part below one, in units of 2^-shift
    if (shift < 64) {
        whole = mantissa >> shift;
        rest = mantissa - (whole << shift);
    }
    constexpr uint64_t unitsPerOne = 1000000000;
    uint64_t decimals = 0;
    if (shift > 0 && shift < 100) { // beyond, the rest is below half a unit
        bool roundUp = false;
        if (shift <= 34) { // rest * 10^9 fits into 64 bits
            const uint64_t scaled = rest * unitsPerOne;
            decimals = scaled >> shift;
            const uint64_t remainder = scaled & ((uint64_t(1) << shift) - 1);
            const uint64_t half = uint64_t(1) << (shift - 1);
            roundUp = remainder > half || (remainder == half && (decimals & 1));
        } else {
            using Wide = unsigned __int128;
            const Wide scaled = Wide(rest) * unitsPerOne; // below 2^83
            decimals = uint64_t(scaled >> shift);
            const Wide remainder = scaled & ((Wide(1) << shift) - 1);
            const Wide half = Wide(1) << (shift - 1);
            roundUp = remainder > half || (remainder == half && (decimals & 1));
        }
        if (roundUp && ++decimals == unitsPerOne) {
            ++whole;
            decimals = 0;
        }
    }

    char *p = out;
    if (bits >> 63)
        *p++ = '-';
    p = std::to_chars(p, p + 20, whole).ptr;
    *p++ = '.';
    writeNineDigits(p, uint32_t(decimals));
    return size_t(p + 9 - out);
}
#else
size_t formatSmallFixed9(double, char *)
{
    return 0;
}
#endif

} // namespace

size_t formatFixed9(double value, char *out)
{
    if (const size_t length = formatSmallFixed9(value, out))
        return length;
    return size_t(std::to_chars(out, out + maxFixed9Length, value, std::chars_format::fixed, 9).ptr - out);
}
