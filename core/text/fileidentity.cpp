#include "fileidentity.h"

#include "platform.h"

FileIdentity fileIdentity(const QByteArray &path)
{
    platform::FileId id;
    FileIdentity identity;
    if (!platform::fileId(path, id))
        return identity;
    identity.exists = true;
    identity.device = id.volume;
    identity.inode = id.file;
    identity.changedNs = id.changedNs;
    return identity;
}
