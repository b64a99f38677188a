#include "projectlock.h"

#include <QFile>

bool ProjectLock::lock(const QString &folder)
{
    held.release();
    held = platform::lockFolder(QFile::encodeName(folder));
    return held.held();
}
