#ifndef MERGESTEPS_H
#define MERGESTEPS_H

#include <QString>
#include <QtGlobal>

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

// A database table's rows stored so far, as the progress shows them:
// "imageinfos 45,000 of 95,250", the numbers as the user's locale writes them.
QString tableRowsText(MergeStepId table, qint64 done, qint64 total);

// The work of a merge that runs to its end, shared out over its steps for
// progress bars: each step's weight is about its share, in thousandths, of
// the time of a merge of 100,000 images (the solver's is a guess, as the
// suite's solver takes longer than ours). The record weighs nothing.
constexpr int plannedMergeWork = 1000;
int stepWeight(MergeStepId step);

#endif // MERGESTEPS_H
