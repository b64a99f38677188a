#include "positionexport.h"

bool makeXyzFile(const MergeRequest &request, MergeState &state, MergedPositions positions, PositionsRead *read)
{
    state.positions.clear();
    QStringList xyzFiles;
    for (const ProjectEntry &entry : state.projects)
        xyzFiles << entry.xyzFile;
    state.posFilePath = request.outputFolder() + "//" + request.prjName + "_xyz.txt";
    return writeMergedPositions(xyzFiles, state.posFilePath,
                                positions == MergedPositions::Kept ? &state.positions : nullptr, read);
}
