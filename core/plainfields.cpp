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

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A plain field ends at a blank or at the end of the text.
bool endsField(char c)
{
    return c == '\0' || isAsciiBlank(c);
}

const char *skipDigits(const char *p)
{
    while (isDigit(*p))
        ++p;
    return p;
}

} // namespace

bool PlainFields::skipBlanks()
{
    while (isAsciiBlank(*next))
        ++next;
    return *next != '\0';
}

PlainFields::Result PlainFields::read(int32_t &value)
{
    if (!skipBlanks())
        return End;
    const char *p = next;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    const char *digits = p;
    int32_t magnitude = 0;
    while (isDigit(*p) && p - digits < 9)
        magnitude = magnitude * 10 + (*p++ - '0');
    if (p == digits || !endsField(*p))
        return NotPlain; // no digits, more than nine, or something glued on
    value = negative ? -magnitude : magnitude;
    next = p;
    return Read;
}

PlainFields::Result PlainFields::read(double &value)
{
    if (!skipBlanks())
        return End;
    const char *p = next;
    if (*p == '-')
        ++p;
    const char *mantissa = p;
    p = skipDigits(p);
    if (*p == '.')
        p = skipDigits(p + 1);
    if (p == mantissa || (p == mantissa + 1 && *mantissa == '.'))
        return NotPlain; // no digit at all
    if (*p == 'e' || *p == 'E') {
        const char *exponent = p + 1;
        if (*exponent == '+' || *exponent == '-')
            ++exponent;
        p = skipDigits(exponent);
        if (p == exponent)
            return NotPlain;
    }
    if (!endsField(*p))
        return NotPlain;
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(next, p, parsed);
    if (result.ec != std::errc() || result.ptr != p)
        return NotPlain; // out of range: the scan functions say what it becomes
    value = parsed;
    next = p;
    return Read;
}

PlainFields::Result PlainFields::readWord(char *word, size_t capacity)
{
    if (!skipBlanks())
        return End;
    const char *p = next;
    for (; !endsField(*p); ++p) {
        const auto byte = static_cast<unsigned char>(*p);
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
