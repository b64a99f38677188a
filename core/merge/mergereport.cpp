#include "mergereport.h"

#include "shownpath.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>

bool MergeReport::succeeded() const
{
    return started && !stopped && std::all_of(steps.begin(), steps.end(), [](const MergeStep &step) { return step.ok; });
}

bool MergeReport::stepSucceeded(MergeStepId id) const
{
    return std::any_of(steps.begin(), steps.end(),
                       [id](const MergeStep &step) { return step.id == id && step.ran && step.ok; });
}

QString stoppedProblem()
{
    return tr("stopped");
}

QString shownCount(qint64 count)
{
    return QLocale().toString(count);
}

QString MergeStep::result() const
{
    if (!ran)
        return tr("not run");
    if (ok)
        return tr("succeeded");
    return problem == stoppedProblem() ? tr("stopped") : tr("failed");
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
                   .arg(shownCount(projects), outputFolder, shownCount(cameras), shownCount(images));
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
                       .arg(shownCount(positionsRead), shownCount(images));
    const qint64 shared = positionsRead - positionsMerged;
    if (shared == 1)
        text += tr(" (1 shared image merged once)");
    else if (shared > 1)
        text += tr(" (%1 shared images merged once)").arg(shownCount(shared));
    if (positionsMerged != images)
        text += tr("; the merged position file holds %1").arg(shownCount(positionsMerged));
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

QString MergeReport::solverEnd() const
{
    if (solverExitCode)
        return tr("exit code %1").arg(*solverExitCode);
    for (const MergeStep &step : steps) {
        if (step.id == MergeStepId::Solver && !step.ok)
            return shownPath(step.problem);
    }
    return tr("not run");
}

QString MergeReport::text() const
{
    QString text = summary() + "\n\n";
    text += tr("Projects: %1, cameras: %2, images: %3")
                .arg(shownCount(projects), shownCount(cameras), shownCount(images)) + "\n";
    std::vector<MergeStep> all = steps;
    for (const MergeStepId id : notRun())
        all.push_back({stepName(id), false, QString(), 0, id, false});
    for (const MergeStep &step : all) {
        text += QString("%1 %2 %3 ms").arg(step.name + ":", -24).arg(step.result(), -9).arg(step.milliseconds, 8);
        text += (step.ok || !step.ran ? QString() : "  " + shownPath(step.problem)) + "\n";
    }
    if (solverCommand.isEmpty())
        return text;
    text += tr("Solver: %1 (%2)").arg(shownPath(solverCommand), solverEnd()) + "\n";
    for (const QString &line : solverOutput)
        text += "  " + line + "\n";
    return text;
}
