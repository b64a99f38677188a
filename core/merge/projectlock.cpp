#include "projectlock.h"

// POSIX only for now (flock on the folder): the Windows lock is still to be
// put behind platform.h.

#include <QFile>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

ProjectLock::~ProjectLock()
{
    unlock();
}

#ifndef Q_OS_WIN
bool ProjectLock::lock(const QString &folder)
{
    unlock();
    descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0 && flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        return true;
    unlock();
    return false;
}

void ProjectLock::unlock()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}
#else
// Not yet on Windows: every merge goes ahead.
bool ProjectLock::lock(const QString &)
{
    return true;
}

void ProjectLock::unlock()
{
}
#endif
