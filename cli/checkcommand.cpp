#include "checkcommand.h"

#include "readinessjson.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>

namespace {

void printFindings(const ReadinessReport &report)
{
    if (report.findings.empty()) {
        std::printf("No findings: the projects look ready to merge.\n");
        return;
    }
    std::printf("%d findings:\n", int(report.findings.size()));
    for (const ReadinessFinding &finding : report.findings)
        std::printf("  %s\n", qPrintable(finding.text));
}

void printPairs(const ReadinessReport &report)
{
    if (report.pairs.empty()) {
        std::printf("\nNo two projects share an image.\n");
        return;
    }
    std::printf("\n%-8s %-8s %10s %16s %16s\n", "project", "project", "shared", "median", "largest");
    for (const ReadinessPair &pair : report.pairs)
        std::printf("%-8d %-8d %10lld %16.3f %16.3f\n", pair.first + 1, pair.second + 1,
                    static_cast<long long>(pair.shared), pair.median, pair.largest);
}

void printProjects(const ReadinessReport &report)
{
    std::printf("\n");
    for (const ReadinessProject &project : report.projects) {
        std::printf("%s: %lld images, X %.3f to %.3f, Y %.3f to %.3f, Z %.3f to %.3f\n", qPrintable(project.label),
                    static_cast<long long>(project.images), project.minX, project.maxX, project.minY, project.maxY,
                    project.minZ, project.maxZ);
    }
}

} // namespace

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
    printFindings(report);
    printProjects(report);
    printPairs(report);
    return exitCode;
}
