#ifndef PLAINFIELDS_H
#define PLAINFIELDS_H

#include <cstddef>
#include <cstdint>

// Fast reading of the fields of one text line, for the formats that are read
// with the C library's scan conversions "%d", "%lf" and "%s". A field is read
// here only when it is in the plain form that nearly every file holds:
//   integer  an optional '-' and one to nine decimal digits;
//   real     an optional '-', decimal digits with an optional '.' and
//            fraction, and an optional exponent with digits;
// each followed by an ASCII blank, the line end or the end of the text. Any
// other field (a '+', hexadecimal, inf, nan, a number glued to other text, a
// value out of range, a byte that is no ASCII where a blank may stand) is
// NotPlain: the caller then lets sscanf read the whole line, so that every
// line reads exactly as sscanf reads it. The text ends at its first NUL.
class PlainFields
{
public:
    enum Result { Read, End, NotPlain };

    // Reads text byte by byte.
    explicit PlainFields(const char *text) : next(text), end(text) {}
    // Reads words eight bytes at a time where those lie within text's
    // length bytes (text[length] is readable; the text still ends at its
    // first NUL).
    PlainFields(const char *text, size_t length) : next(text), end(text + length) {}

    // Skip blanks and read the next field as "%d" or "%lf" would; End when
    // only blanks are left.
    Result read(int32_t &value);
    Result read(double &value);

    // Skips blanks and reads the next word as "%<capacity - 1>s" would. A
    // word that does not fit is NotPlain, as is one next to a non-ASCII byte
    // that the current locale counts as a blank.
    Result readWord(char *word, size_t capacity);

    // Where reading stopped.
    const char *rest() const { return next; }

private:
    bool skipBlanks();
    // Skips blanks and an optional '-'; null at the end of the text.
    const char *numberStart(bool &negative);

    const char *next;
    const char *end; // up to where eight bytes may be read at once
};

// The result of scanPlainFields when a field is not in plain form.
constexpr int notPlain = -2;

// Reads values in order from fields, as sscanf with one "%d" (int32_t) or
// "%lf" (double) conversion per value, separated by blanks, would. Returns
// how many values were read (fewer when the line ends early), or notPlain:
// sscanf must then read the line, and the values read so far hold what
// sscanf would write there again.
template <typename... Values>
int scanPlainFields(PlainFields &fields, Values &...values)
{
    int count = 0;
    PlainFields::Result result = PlainFields::Read;
    auto readOne = [&](auto &value) {
        if (result == PlainFields::Read && (result = fields.read(value)) == PlainFields::Read)
            ++count;
    };
    (readOne(values), ...);
    return result == PlainFields::NotPlain ? notPlain : count;
}

// The same, from the start of text.
template <typename... Values>
int scanPlainFields(const char *text, Values &...values)
{
    PlainFields fields(text);
    return scanPlainFields(fields, values...);
}

#endif // PLAINFIELDS_H
