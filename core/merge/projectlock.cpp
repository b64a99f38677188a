#include "projectlock.h"

#include "platform.h"

#include <QFile>

ProjectLock::~ProjectLock()
{
    unlock();
}

bool ProjectLock::lock(const QString &folder)
{
    unlock();
    held = platform::lockFolder(QFile::encodeName(folder));
    return held != -1;
}

void ProjectLock::unlock()
{
    platform::unlockFolder(held);
    held = -1;
}
