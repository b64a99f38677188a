#include "checkcommand.h"

#include "readinessjson.h"
#include "readinesstext.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>

int runReadinessCheck(const QStringList &projectFiles, double tolerance, bool json)
{
    std::vector<ProjectEntry> projects;
    for (const QString &file : projectFiles)
        projects.push_back(makeProjectEntry(file));
    const ReadinessReport report = checkReadiness(projects, tolerance);
    const int exitCode = report.findings.empty() ? 0 : 1;
    if (json) {
        QJsonObject object{{"program", QCoreApplication::applicationName()},
                           {"version", QCoreApplication::applicationVersion()},
                           {"check", readinessJson(report)},
                           {"exitCode", exitCode}};
        std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        return exitCode;
    }
    const QString text = findingsText(report) + "\n" + projectsText(report) + "\n" + pairsText(report);
    std::printf("%s", qPrintable(text));
    return exitCode;
}
