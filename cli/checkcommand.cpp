#include "checkcommand.h"

#include "shownpath.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>

namespace {

ReadinessReport check(const QStringList &projectFiles, Tolerances tolerances, MapPoints points)
{
    std::vector<ProjectEntry> projects;
    for (const QString &file : projectFiles)
        projects.push_back(makeProjectEntry(file));
    return checkReadiness(projects, tolerances, points);
}

} // namespace

int runReadinessCheck(const QStringList &projectFiles, Tolerances tolerances, bool json, const QString &mapFile)
{
    const ReadinessReport report =
        check(projectFiles, tolerances, mapFile.isEmpty() ? MapPoints::Dropped : MapPoints::Kept);
    const bool mapWritten = mapFile.isEmpty() || writeBlockMapSvg(mapFile, report, "check of " + projectFiles.join(", "));
    if (!mapWritten)
        std::fprintf(stderr, "The map could not be written to %s\n", qPrintable(shownPath(mapFile)));
    const int exitCode = report.findings.empty() && mapWritten ? 0 : 1;
    if (json) {
        QJsonObject object{{"program", QCoreApplication::applicationName()},
                           {"version", QCoreApplication::applicationVersion()},
                           {"check", readinessJson(report)},
                           {"exitCode", exitCode}};
        if (!mapFile.isEmpty())
            object.insert("map", mapWritten ? shownPath(mapFile) : QString());
        std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        return exitCode;
    }
    const QString text = findingsText(report) + "\n" + projectsText(report) + "\n" + pairsText(report);
    std::printf("%s", qPrintable(text));
    return exitCode;
}

std::shared_ptr<const EarlierCheck> checkBeforeMerge(const QStringList &projectFiles, Tolerances tolerances)
{
    auto checked = std::make_shared<EarlierCheck>(
        EarlierCheck{projectFiles, tolerances, check(projectFiles, tolerances, MapPoints::Kept)});
    if (!checked->report.findings.empty())
        std::fprintf(stderr, "Check before the merge: %s", qPrintable(findingsText(checked->report)));
    return checked;
}
