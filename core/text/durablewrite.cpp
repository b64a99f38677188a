#include "durablewrite.h"

#include "ownedcopy.h"
#include "platform.h"

#include <cerrno>

platform::SystemError syncFolderOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return platform::syncFolder(slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash));
}

platform::SystemError appendWhole(const QByteArray &path, const QByteArray &bytes)
{
    if (const int error = makeOwnCopy(path))
        return {error};
    qint64 earlier = 0;
    std::FILE *stream = platform::openRegularForAppend(path, earlier);
    if (!stream)
        return {errno};
    // Unbuffered: bytes a failed write left in a buffer would go out at the
    // close, after the file was cut back.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    errno = 0;
    int error = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) != size_t(bytes.size())
        || std::fflush(stream) != 0)
        error = errno ? errno : ENOSPC;
    if (!error && !platform::syncToDisk(stream))
        error = errno;
    // A file made now is kept only once its name is on the disk too: what it
    // says must not outlast a failure told to the caller.
    if (!error)
        error = syncFolderOf(path).code;
    if (error && platform::truncateFile(stream, earlier))
        platform::syncToDisk(stream);
    if (std::fclose(stream) != 0 && !error)
        error = errno;
    return {error};
}
