#include "linecount.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <vector>

namespace {

constexpr qint64 blockSize = 256 * 1024;

} // namespace

qint64 countNonEmptyLines(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return -1;
    std::vector<char> block(blockSize);
    qint64 count = 0;
    bool lineHasText = false; // the line read so far, perhaps begun in an earlier block
    for (;;) {
        const qint64 got = file.read(block.data(), blockSize);
        if (got < 0)
            return -1;
        if (got == 0)
            return count + (lineHasText ? 1 : 0);
        const char *at = block.data();
        const char *end = at + got;
        while (at < end) {
            const auto *lineFeed = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
            const char *stop = lineFeed ? lineFeed : end;
            lineHasText = lineHasText || stop > at;
            if (!lineFeed)
                break;
            count += lineHasText ? 1 : 0;
            lineHasText = false;
            at = lineFeed + 1;
        }
    }
}
