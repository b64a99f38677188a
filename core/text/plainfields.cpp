#include "plainfields.h"

#include <cctype>
#include <charconv>
#include <cstring>

namespace {

// The blanks of the "C" locale, which every locale counts as blanks too.
bool isAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a decimal digit; 10 or more for any other byte.
unsigned digitValue(char c)
{
    return unsigned(static_cast<unsigned char>(c)) - '0';
}

bool isDigit(char c)
{
    return digitValue(c) < 10;
}

// A plain field ends at a blank or at the end of the text.
bool endsField(char c)
{
    return c == '\0' || isAsciiBlank(c);
}

// The eight bytes at p as one number, the first byte the lowest.
uint64_t eightBytes(const char *p)
{
    uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// Appends the digits at p to number; returns where they end. More than 19
// digits overflow: the caller counts them and does not use the number then.
const char *takeDigits(const char *p, uint64_t &number)
{
    for (unsigned digit; (digit = digitValue(*p)) < 10; ++p)
        number = number * 10 + digit;
    return p;
}

// Of the eight bytes in word (the first the lowest), the first that is an
// ASCII blank, a control byte or no ASCII byte: the bytes a word ends at or
// has to be looked at for; 8 for none. A byte below '!' borrows in the
// subtraction, which only reaches the bytes after it.
int firstBlankOrHigh(uint64_t word)
{
    constexpr uint64_t highBits = 0x8080808080808080;
    const uint64_t marked = ((word - 0x2121212121212121) | word) & highBits;
    return marked == 0 ? 8 : __builtin_ctzll(marked) / 8;
}

// The value of digits * 10^power when one floating-point operation gives it
// exactly rounded: the digits at most 2^53 and the power of ten at most
// 10^22 either way, both exact as doubles (Clinger's fast path).
bool exactProduct(uint64_t digits, int power, double &value)
{
    static const double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digits > (uint64_t(1) << 53) || power < -22 || power > 22)
        return false;
    value = power < 0 ? double(digits) / powersOfTen[-power] : double(digits) * powersOfTen[power];
    return true;
}

} // namespace

inline bool PlainFields::skipBlanks()
{
    while (isAsciiBlank(*next))
        ++next;
    return *next != '\0';
}

inline const char *PlainFields::numberStart(bool &negative)
{
    if (!skipBlanks())
        return nullptr;
    negative = *next == '-';
    return negative ? next + 1 : next;
}

PlainFields::Result PlainFields::read(int32_t &value)
{
    bool negative = false;
    const char *digits = numberStart(negative);
    if (!digits)
        return End;
    const char *p = digits;
    int32_t magnitude = 0;
    for (unsigned digit; (digit = digitValue(*p)) < 10 && p - digits < 9; ++p)
        magnitude = magnitude * 10 + int32_t(digit);
    if (p == digits || !endsField(*p))
        return NotPlain; // no digits, more than nine, or something glued on
    value = negative ? -magnitude : magnitude;
    next = p;
    return Read;
}

PlainFields::Result PlainFields::read(double &value)
{
    bool negative = false;
    const char *mantissa = numberStart(negative);
    if (!mantissa)
        return End;
    uint64_t digits = 0;
    const char *p = takeDigits(mantissa, digits);
    int digitCount = int(p - mantissa);
    int fractionDigits = 0;
    if (*p == '.') {
        const char *fraction = p + 1;
        p = takeDigits(fraction, digits);
        fractionDigits = int(p - fraction);
        digitCount += fractionDigits;
    }
    if (digitCount == 0)
        return NotPlain;
    int exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const char *exponentDigits = p + 1;
        const bool negativeExponent = *exponentDigits == '-';
        if (*exponentDigits == '+' || *exponentDigits == '-')
            ++exponentDigits;
        for (p = exponentDigits; isDigit(*p); ++p)
            exponent = exponent < 10000 ? exponent * 10 + (*p - '0') : exponent;
        if (p == exponentDigits)
            return NotPlain;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (!endsField(*p))
        return NotPlain;
    double parsed = 0.0;
    if (digitCount > 19 || !exactProduct(digits, exponent - fractionDigits, parsed)) {
        const std::from_chars_result result = std::from_chars(mantissa, p, parsed);
        if (result.ec != std::errc() || result.ptr != p)
            return NotPlain; // out of range: the scan functions say what it becomes
    }
    value = negative ? -parsed : parsed;
    next = p;
    return Read;
}

PlainFields::Result PlainFields::readWord(char *word, size_t capacity)
{
    if (!skipBlanks())
        return End;
    const char *p = next;
    for (;; ++p) {
        while (end - p >= 8) {
            const int plain = firstBlankOrHigh(eightBytes(p));
            p += plain;
            if (plain < 8)
                break;
        }
        const auto byte = static_cast<unsigned char>(*p);
        if (byte <= ' ' && endsField(char(byte)))
            break;
        if (byte >= 0x80 && std::isspace(byte))
            return NotPlain;
    }
    const size_t length = size_t(p - next);
    if (length >= capacity)
        return NotPlain;
    std::memcpy(word, next, length);
    word[length] = '\0';
    next = p;
    return Read;
}
