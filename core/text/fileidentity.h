#ifndef FILEIDENTITY_H
#define FILEIDENTITY_H

#include <QByteArray>
#include <cstdint>

// Which file a path names at one moment: its device, its number there and
// its last change. A file written anew and renamed into place has another
// identity than the one it replaced, however alike their bytes.
struct FileIdentity
{
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t changedNs = 0;

    bool operator==(const FileIdentity &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode
               && changedNs == other.changedNs;
    }
    bool operator!=(const FileIdentity &other) const { return !(*this == other); }
};

// The identity of the file at path (local 8-bit encoding), links followed.
FileIdentity fileIdentity(const QByteArray &path);

#endif // FILEIDENTITY_H
