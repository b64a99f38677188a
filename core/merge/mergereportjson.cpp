#include "mergereportjson.h"

#include "readiness.h"
#include "shownpath.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>

namespace {

QJsonArray filesJson(const std::vector<NamedFile> &files)
{
    QJsonArray array;
    for (const NamedFile &file : files) {
        const QFileInfo info(file.path);
        array.append(QJsonObject{{"what", file.what},
                                 {"path", shownPath(file.path)},
                                 {"bytes", info.isFile() ? double(info.size()) : -1.0}});
    }
    return array;
}

QJsonArray stepsJson(const std::vector<MergeStep> &steps)
{
    QJsonArray array;
    for (const MergeStep &step : steps) {
        array.append(QJsonObject{{"name", step.name},
                                 {"ok", step.ok},
                                 {"problem", shownPath(step.problem)},
                                 {"milliseconds", double(step.milliseconds)}});
    }
    return array;
}

} // namespace

QJsonObject mergeReportJson(const MergeReport &report)
{
    QJsonObject json{{"program", QCoreApplication::applicationName()},
                     {"version", QCoreApplication::applicationVersion()},
                     {"started", report.started},
                     {"succeeded", report.succeeded()},
                     {"outputFolder", shownPath(report.outputFolder)}};
    if (!report.started)
        return json;
    QJsonArray sources;
    for (const ProjectEntry &source : report.sources)
        sources.append(filesJson(namedFiles(source)));
    json.insert("startTime", report.startTime.toString(Qt::ISODate));
    json.insert("startedAs", report.startedAs);
    json.insert("sources", sources);
    json.insert("counts", QJsonObject{{"projects", report.projects},
                                      {"cameras", report.cameras},
                                      {"images", report.images},
                                      {"positionsRead", report.positionsRead},
                                      {"positionsMerged", report.positionsMerged}});
    json.insert("solver", QJsonObject{{"command", report.solverCommand},
                                      {"exitCode", report.solverExitCode.value_or(-1)},
                                      {"output", QJsonArray::fromStringList(report.solverOutput)}});
    json.insert("steps", stepsJson(report.steps));
    json.insert("check", readinessJson(report.readiness));
    json.insert("map", shownPath(report.mapFile));
    json.insert("outputs", filesJson(namedFiles(report.outputs)));
    return json;
}
