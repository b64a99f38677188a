#include "mergereport.h"

#include "shownpath.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <algorithm>

bool MergeReport::succeeded() const
{
    return started && !stopped && std::all_of(steps.begin(), steps.end(), [](const MergeStep &step) { return step.ok; });
}

std::vector<MergeStepId> MergeReport::notRun() const
{
    std::vector<MergeStepId> ids;
    if (!stopped)
        return ids;
    const int first = steps.empty() ? 0 : int(steps.back().id) + 1;
    for (int id = first; id < plannedMergeSteps; ++id)
        ids.push_back(MergeStepId(id));
    return ids;
}

QString MergeReport::summary() const
{
    if (stopped) {
        QString text = tr("The merge into %1 was stopped. Steps that ran:").arg(outputFolder);
        for (const MergeStep &step : steps)
            text += "\n- " + step.name + (step.ok ? QString() : ": " + step.problem);
        QStringList names;
        for (const MergeStepId id : notRun())
            names << stepName(id);
        if (!names.isEmpty())
            text += "\n" + tr("Not run: %1. The folder holds an incomplete project.").arg(names.join(", "));
        return shownPath(text);
    }
    QString text;
    if (succeeded()) {
        text = tr("Merged %1 projects into %2: %3 cameras, %4 images.")
                   .arg(projects)
                   .arg(outputFolder)
                   .arg(cameras)
                   .arg(images);
    } else {
        QStringList leftOut;
        for (const MergeStep &step : steps) {
            if (!step.ran)
                leftOut << step.name;
        }
        text = stoppedBeforeSolver ? tr("The merge into %1 stopped before the solver, as these steps failed:")
               : leftOut.isEmpty() ? tr("The merge into %1 ran to its end, but these steps failed:")
                                   : tr("The merge into %1 did not write the new project, as these steps failed:");
        text = text.arg(outputFolder);
        for (const MergeStep &step : steps) {
            if (!step.ok && step.ran)
                text += "\n- " + step.name + ": " + step.problem;
        }
        if (!leftOut.isEmpty())
            text += "\n" + tr("Not run: %1.").arg(leftOut.join(", "));
    }
    return shownPath(started && !stoppedBeforeSolver ? text + "\n" + imageCounts() : text);
}

QString MergeReport::imageCounts() const
{
    QString text = tr("Images: %1 read from the source position files, %2 in the merged project")
                       .arg(positionsRead)
                       .arg(images);
    if (positionsRead > positionsMerged)
        text += tr(" (%1 shared images merged once)").arg(positionsRead - positionsMerged);
    if (positionsMerged != images)
        text += tr("; the merged position file holds %1").arg(positionsMerged);
    return text + ".";
}

QString MergeReport::timings() const
{
    QString text;
    qint64 total = 0;
    for (const MergeStep &step : steps) {
        text += QString("%1 %2 ms\n").arg(step.name + ":", -22).arg(step.milliseconds, 8);
        total += step.milliseconds;
    }
    return text + QString("%1 %2 ms\n").arg("total:", -22).arg(total, 8);
}

QString MergeReport::text() const
{
    QString text = summary() + "\n\n";
    text += tr("Projects: %1, cameras: %2, images: %3").arg(projects).arg(cameras).arg(images) + "\n";
    for (const MergeStep &step : steps) {
        const QString result = !step.ran ? tr("not run") : step.ok ? tr("succeeded") : tr("failed");
        text += QString("%1 %2 %3 ms").arg(step.name + ":", -24).arg(result, -9).arg(step.milliseconds, 8);
        text += (step.ok || !step.ran ? QString() : "  " + shownPath(step.problem)) + "\n";
    }
    if (!solverCommand.isEmpty())
        text += tr("Solver: %1 (exit code %2)").arg(solverCommand).arg(solverExitCode) + "\n";
    return text;
}
