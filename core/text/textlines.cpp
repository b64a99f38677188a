#include "textlines.h"

#include "platform.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t largestBlock = 256 * 1024;

// A block as large as the file, up to largestBlock: a small file is not read
// through a large buffer.
size_t blockSizeFor(std::FILE *file)
{
    const long long size = platform::fileSize(file);
    return size < 0 ? largestBlock : size_t(std::min<long long>(largestBlock, size + 1));
}

} // namespace

// The buffer holds a block and a cut line's head besides, and one byte more
// for the terminator of a last line without a line feed.
TextLines::TextLines(std::FILE *file, size_t maxLength, size_t endlessLength)
    : file(file),
      maxLength(maxLength),
      endlessLength(endlessLength),
      buffer(std::max(blockSizeFor(file), 2 * (maxLength + 1)) + 1)
{
}

bool TextLines::next(Line &line)
{
    if (endless)
        return false;
    char *data = buffer.data();
    for (;;) {
        if (const auto *lineFeed = static_cast<char *>(std::memchr(data + begin, '\n', end - begin))) {
            const size_t lineEnd = size_t(lineFeed - data);
            hand(line, begin, lineEnd);
            begin = lineEnd + 1;
            return true;
        }
        if (atEnd) {
            if (begin == end)
                return false;
            hand(line, begin, end);
            begin = end;
            return true;
        }
        if (end - begin > maxLength) {
            // Too long, and its end not read yet: keep the head, skip the rest.
            std::memmove(data, data + begin, maxLength);
            skipRestOfLine();
            hand(line, 0, maxLength + 1);
            return true;
        }
        if (!fill())
            atEnd = true;
    }
}

long long TextLines::bytesLeft() const
{
    const long long size = platform::fileSize(file);
    const long long position = platform::filePosition(file);
    if (size < 0 || position < 0)
        return -1;
    return size - position + static_cast<long long>(end - begin);
}

// Makes buffer[from, to) the line, cut to maxLength bytes, and terminates it.
void TextLines::hand(Line &line, size_t from, size_t to)
{
    line.text = buffer.data() + from;
    line.length = to - from;
    endless = endless || line.length > endlessLength;
    line.overlong = line.length > maxLength;
    line.endless = endless;
    if (line.overlong)
        line.length = maxLength;
    line.text[line.length] = '\0';
}

// Moves the unread bytes to the front and reads a block behind them. False
// at the end of the file (or on a read error).
bool TextLines::fill()
{
    char *data = buffer.data();
    std::memmove(data, data + begin, end - begin);
    end -= begin;
    begin = 0;
    const size_t read = std::fread(data + end, 1, buffer.size() - 1 - end, file);
    end += read;
    return read > 0;
}

// Reads on behind a cut line's head (buffer[0, maxLength]) up to the line
// feed that ends it; the bytes after that feed become the unread ones. A line
// that runs on past endlessLength bytes ends the reading there.
void TextLines::skipRestOfLine()
{
    char *data = buffer.data();
    char *block = data + maxLength + 1;
    const size_t room = buffer.size() - 1 - (maxLength + 1);
    // The line's bytes so far: the unread ones, which were more than the head.
    size_t lineBytes = end - begin;
    for (;;) {
        const size_t read = std::fread(block, 1, room, file);
        const auto *lineFeed = static_cast<char *>(std::memchr(block, '\n', read));
        lineBytes += lineFeed ? size_t(lineFeed - block) : read;
        endless = lineBytes > endlessLength;
        if (read == 0 || endless) {
            atEnd = true;
            begin = end = maxLength + 1;
            return;
        }
        if (lineFeed) {
            begin = size_t(lineFeed - data) + 1;
            end = maxLength + 1 + read;
            return;
        }
    }
}
