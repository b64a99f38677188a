#ifndef MERGESTEPS_H
#define MERGESTEPS_H

#include <QString>
#include <QtGlobal>
#include <array>
#include <initializer_list>

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
// The same for a table by its name.
QString tableRowsText(const QString &table, qint64 done, qint64 total);

// The work of a merge that runs to its end, shared out over its steps for
// progress bars: each step's weight is about its share, in thousandths, of
// the time of a merge of 100,000 images (the solver's is a guess, as the
// suite's solver takes longer than ours). The record weighs nothing.
constexpr int plannedMergeWork = 1000;
int stepWeight(MergeStepId step);

// The steps whose success a step needs: when one of them failed or was not
// run, the step is not run either.
std::initializer_list<MergeStepId> stepNeeds(MergeStepId step);

// How each step of one merge went so far, for deciding whether the next may
// run. A step not yet recorded counts as not done.
class StepOutcomes
{
public:
    void record(MergeStepId step, bool succeeded);
    // True when every step that `step` needs has succeeded.
    bool needsMet(MergeStepId step) const;

private:
    std::array<bool, plannedMergeSteps + 1> succeeded{};
};

#endif // MERGESTEPS_H
