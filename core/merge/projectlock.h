#ifndef PROJECTLOCK_H
#define PROJECTLOCK_H

#include "platform.h"

#include <QString>

// Held on the new project's folder for the whole of a merge into it, so that
// a second merge into the same project, from another dialog or batch program,
// is refused at once instead of writing the same files and database. The lock
// is on the folder itself: nothing is added to the project, and it goes with
// the lock's end or the process that held it, however that ended.
class ProjectLock
{
public:
    // Takes the lock on the existing folder; false when another merge holds
    // it (or the folder cannot be opened). A lock held before is let go.
    bool lock(const QString &folder);

private:
    platform::FolderLock held;
};

#endif // PROJECTLOCK_H
