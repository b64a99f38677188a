#include "fileidentity.h"

// POSIX only for now (st_ino, st_mtim): platform::fileId has no change
// time yet, so this is not behind platform.h.

#include <sys/stat.h>

FileIdentity fileIdentity(const QByteArray &path)
{
    struct stat info;
    FileIdentity identity;
    if (stat(path.constData(), &info) != 0)
        return identity;
    identity.exists = true;
    identity.device = uint64_t(info.st_dev);
    identity.inode = uint64_t(info.st_ino);
    identity.changedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}
