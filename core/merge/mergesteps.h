#ifndef MERGESTEPS_H
#define MERGESTEPS_H

#include <QString>

// The steps of a merge, in the order they run. Their names are what the
// report, the merge record, the JSON and the progress row show.
enum class MergeStepId {
    OutputFolder,
    SolverInputList,
    PositionExport,
    ProjectFolders,
    Solver,
    OrientationFile,
    CameraFile,
    ImageList,
    ProjectParameters,
    ProjectFile,
    PhotoDatabase,
    ImageInfos,
    EofInfo,
    Groups,
    MergeRecord, // only when the record could not be written
};

// The steps of a merge that runs to its end, for progress bars.
constexpr int plannedMergeSteps = int(MergeStepId::MergeRecord);

QString stepName(MergeStepId step);

#endif // MERGESTEPS_H
