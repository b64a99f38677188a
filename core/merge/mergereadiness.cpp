#include "mergereadiness.h"


#include <QDir>
#include <QFileInfo>

std::future<ReadinessReport> startReadinessCheck(const std::vector<ProjectEntry> &projects, Tolerances tolerances,
                                                 std::function<bool()> stop)
{
    return std::async(std::launch::async, [projects, tolerances, stop = std::move(stop)] {
        return checkReadiness(projects, tolerances, MapPoints::Kept, stop);
    });
}

QString mergeMapPath(const MergeReport &report)
{
    return report.outputs.folder + "//Log//merge-"
           + report.startTime.toString("yyyyMMdd-HHmmss-zzz") + ".svg";
}

void takeReadiness(std::future<ReadinessReport> &check, MergeReport &report)
{
    report.readiness = check.get();
    // A merge that stopped before the solver has not made the Log folder.
    QDir().mkpath(report.outputs.folder + "//Log");
    const QString path = mergeMapPath(report);
    const QString title = "merge of " + report.startTime.toString(Qt::ISODate) + " into " + report.outputFolder;
    report.mapFile = writeBlockMapSvg(path, report.readiness, title) ? path : QString();
    report.readiness.points = std::vector<MapPoint>();
}
