#include "ownedcopy.h"

#include "atomicfile.h"
#include "platform.h"

#include <cerrno>
#include <memory>
#include <vector>

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Copies the rest of from to to; false (errno set) when a read failed.
bool copyBytes(std::FILE *from, std::FILE *to)
{
    std::vector<char> block(1 << 20);
    size_t count = 0;
    while ((count = std::fread(block.data(), 1, block.size(), from)) > 0)
        std::fwrite(block.data(), 1, count, to); // a failed write shows at commit
    if (!std::ferror(from))
        return true;
    errno = errno ? errno : EIO;
    return false;
}

} // namespace

int makeOwnCopy(const QByteArray &path)
{
    if (platform::linkCount(path) <= 1)
        return 0;
    const std::unique_ptr<std::FILE, FileCloser> source(platform::openRegularFile(path));
    if (!source)
        return errno;
    AtomicFile copy(path);
    std::FILE *target = copy.open(platform::LineEnds::Unchanged);
    if (!target)
        return errno ? errno : EIO;
    errno = 0;
    if (!copyBytes(source.get(), target))
        return errno; // the copy is removed with copy
    errno = 0;
    return copy.commit() ? 0 : errno ? errno : EIO;
}
