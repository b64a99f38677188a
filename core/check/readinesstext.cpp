#include "readinesstext.h"

QString findingsText(const ReadinessReport &report)
{
    if (!report.finished)
        return "Not finished: the check was cut short when the merge stopped; nothing is known of the "
               "projects' positions.\n";
    if (report.findings.empty())
        return "No findings: the projects look ready to merge.\n";
    const size_t count = report.findings.size();
    QString text = count == 1 ? QString("1 finding:\n") : QString("%1 findings:\n").arg(count);
    for (const ReadinessFinding &finding : report.findings)
        text += "  " + finding.text + "\n";
    return text;
}

QString projectsText(const ReadinessReport &report)
{
    QString text;
    for (const ReadinessProject &project : report.projects) {
        if (!project.readable) {
            text += project.label + ": position file missing or unreadable\n";
            continue;
        }
        text += QString("%1: %2 images, X %3 to %4, Y %5 to %6, Z %7 to %8")
                    .arg(project.label)
                    .arg(project.images)
                    .arg(project.minX, 0, 'f', 3)
                    .arg(project.maxX, 0, 'f', 3)
                    .arg(project.minY, 0, 'f', 3)
                    .arg(project.maxY, 0, 'f', 3)
                    .arg(project.minZ, 0, 'f', 3)
                    .arg(project.maxZ, 0, 'f', 3);
        text += QString(", in %1").arg(unitName(project.unit));
        if (project.withoutFix > 0)
            text += QString(", %1 without a fix").arg(project.withoutFix);
        text += "\n";
    }
    return text;
}

QString pairsText(const ReadinessReport &report)
{
    if (!report.finished)
        return "Not known: the check was not finished.\n";
    if (report.pairs.empty())
        return "No two projects share an image.\n";
    QString text = QString("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                       .arg("project", -8)
                       .arg("project", -8)
                       .arg("shared", 10)
                       .arg("median m", 16)
                       .arg("largest m", 16)
                       .arg("east m", 12)
                       .arg("north m", 12)
                       .arg("up m", 10)
                       .arg("spread m", 10);
    for (const ReadinessPair &pair : report.pairs) {
        text += QString("%1 %2 %3").arg(pair.first + 1, -8).arg(pair.second + 1, -8).arg(pair.shared, 10);
        if (!pair.compared) {
            text += "  not compared (units differ or no fixes)\n";
            continue;
        }
        text += QString(" %1 %2 %3 %4 %5 %6\n")
                    .arg(pair.median, 16, 'f', 3)
                    .arg(pair.largest, 16, 'f', 3)
                    .arg(pair.east, 12, 'f', 3)
                    .arg(pair.north, 12, 'f', 3)
                    .arg(pair.up, 10, 'f', 3)
                    .arg(pair.spread, 10, 'f', 3);
    }
    return text;
}
