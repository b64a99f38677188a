#ifndef TEXTLINES_H
#define TEXTLINES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Hands out the lines of an open file one by one, reading it in large
// blocks. A line comes without its line feed (a CR before it stays) and is
// NUL-terminated in place; it stays valid until the next call. A line longer
// than maxLength bytes is cut to its first maxLength bytes and marked
// overlong; reading goes on with the line after it, unless the line runs on
// for more than endlessLength bytes: such a line is no line of the file's
// format but a damaged or wrong file, which is not scanned to its end. It
// comes marked endless, and is the last. A last line without a line feed is
// a line; an empty file has none.
class TextLines
{
public:
    struct Line
    {
        char *text = nullptr;
        size_t length = 0; // after the cut
        bool overlong = false;
        bool endless = false; // overlong past endlessLength: reading ends
    };

    TextLines(std::FILE *file, size_t maxLength, size_t endlessLength = SIZE_MAX);

    // False at the end of the file.
    bool next(Line &line);

    // How many bytes of the file have not been handed out yet (-1 when the
    // file's size cannot be told).
    long long bytesLeft() const;

private:
    void hand(Line &line, size_t from, size_t to);
    bool fill();
    void skipRestOfLine();

    std::FILE *file;
    size_t maxLength;
    size_t endlessLength;
    bool endless = false;
    std::vector<char> buffer;
    size_t begin = 0; // the unread bytes are buffer[begin, end)
    size_t end = 0;
    bool atEnd = false;
};

#endif // TEXTLINES_H
