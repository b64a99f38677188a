#include "fileidentity.h"

#include "platform.h"

FileIdentity fileIdentity(const QByteArray &path)
{
    FileIdentity identity;
    identity.exists = platform::fileId(path, identity);
    return identity;
}
