#include "mergereport.h"

#include <QCoreApplication>
#include <algorithm>

bool MergeReport::succeeded() const
{
    return started && std::all_of(steps.begin(), steps.end(), [](const MergeStep &step) { return step.ok; });
}

QString MergeReport::summary() const
{
    if (succeeded()) {
        return QCoreApplication::translate("mergeprj", "Merged %1 projects into %2: %3 cameras, %4 images.")
            .arg(projects)
            .arg(outputFolder)
            .arg(cameras)
            .arg(images);
    }
    QString text = QCoreApplication::translate("mergeprj", "The merge into %1 ran to its end, but these steps failed:")
                       .arg(outputFolder);
    for (const MergeStep &step : steps) {
        if (!step.ok)
            text += "\n- " + step.name + ": " + step.problem;
    }
    return text;
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
