#include "positionexport.h"

bool makeXyzFile(const std::vector<ProjectEntry> &projects, const QString &positionPath, PositionsRead &read)
{
    QStringList xyzFiles;
    for (const ProjectEntry &entry : projects)
        xyzFiles << entry.xyzFile;
    return writeMergedPositions(xyzFiles, positionPath, &read);
}
