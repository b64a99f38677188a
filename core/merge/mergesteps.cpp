#include "mergesteps.h"

#include "translatedtext.h"

#include <QCoreApplication>
#include <QLocale>
#include <iterator>

namespace {

using Id = MergeStepId;

// One row of the table of steps.
struct StepRow
{
    Id id;
    const char *name; // translated under "mergeprj", except the tables' own names
    bool translated;
    int weight;
    std::initializer_list<Id> needs;
};

// Every step in the order it runs, with its name, its weight and the steps it
// needs. The solver's inputs and the project folders are needed by what follows
// them only through the merge ending early (nothing to merge, no solver run);
// from the merged orientation file on, each step needs what it writes from.
// The project file is written from the first source's parameters: a project
// file of default parameters would not be the source's, so without them it is
// not run and an earlier project file stays as it was.
constexpr StepRow stepTable[] = {
    {Id::OutputFolder, QT_TRANSLATE_NOOP("mergeprj", "output folder"), true, 5, {}},
    {Id::SolverInputList, QT_TRANSLATE_NOOP("mergeprj", "solver input list"), true, 5, {Id::OutputFolder}},
    {Id::PositionExport, QT_TRANSLATE_NOOP("mergeprj", "position export"), true, 80, {Id::SolverInputList}},
    {Id::ProjectFolders, QT_TRANSLATE_NOOP("mergeprj", "project folders"), true, 5, {}},
    {Id::Solver, QT_TRANSLATE_NOOP("mergeprj", "solver"), true, 300, {}},
    {Id::OrientationFile, QT_TRANSLATE_NOOP("mergeprj", "merged orientation file"), true, 50, {}},
    {Id::CameraFile, QT_TRANSLATE_NOOP("mergeprj", "camera file"), true, 5, {Id::OrientationFile}},
    {Id::ImageList, QT_TRANSLATE_NOOP("mergeprj", "image list"), true, 20, {Id::OrientationFile}},
    {Id::ProjectParameters, QT_TRANSLATE_NOOP("mergeprj", "project parameters"), true, 5, {Id::OrientationFile}},
    {Id::ProjectFile, QT_TRANSLATE_NOOP("mergeprj", "project file"), true, 5, {Id::ProjectParameters}},
    {Id::PhotoDatabase, QT_TRANSLATE_NOOP("mergeprj", "photo database"), true, 10, {Id::OrientationFile}},
    {Id::ImageInfos, "imageinfos", false, 270, {Id::OrientationFile}},
    {Id::EofInfo, "eofInfo", false, 230, {Id::OrientationFile}},
    {Id::Groups, "groups", false, 10, {Id::OrientationFile}},
    {Id::MergeRecord, QT_TRANSLATE_NOOP("mergeprj", "merge record"), true, 0, {}},
};

constexpr bool inStepOrder()
{
    for (size_t i = 0; i < std::size(stepTable); ++i) {
        if (size_t(stepTable[i].id) != i)
            return false;
    }
    return std::size(stepTable) == plannedMergeSteps + 1;
}
static_assert(inStepOrder(), "the table holds every step once, in the order they run");

const StepRow &rowOf(Id step)
{
    return stepTable[int(step)];
}

} // namespace

QString stepName(MergeStepId step)
{
    const StepRow &row = rowOf(step);
    return row.translated ? tr(row.name) : QString::fromLatin1(row.name);
}

QString tableRowsText(MergeStepId table, qint64 done, qint64 total)
{
    return tableRowsText(stepName(table), done, total);
}

QString tableRowsText(const QString &table, qint64 done, qint64 total)
{
    const QLocale locale;
    return tr("%1 %2 of %3").arg(table, locale.toString(done), locale.toString(total));
}

int stepWeight(MergeStepId step)
{
    return rowOf(step).weight;
}

std::initializer_list<MergeStepId> stepNeeds(MergeStepId step)
{
    return rowOf(step).needs;
}

void StepOutcomes::record(MergeStepId step, bool stepSucceeded)
{
    succeeded[size_t(step)] = stepSucceeded;
}

bool StepOutcomes::needsMet(MergeStepId step) const
{
    for (const MergeStepId need : stepNeeds(step)) {
        if (!succeeded[size_t(need)])
            return false;
    }
    return true;
}
