#include "mergelog.h"

#include "durablewrite.h"
#include "platform.h"
#include "shownpath.h"
#include "readiness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString sizeOf(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? QString("%1 bytes").arg(info.size()) : QString("missing");
}

QString indented(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += "  " + line + "\n";
    return text;
}

// The check of the sources: the findings and the pairs that share images,
// then the map beside the record.
QString readinessRecord(const MergeReport &report)
{
    const ReadinessReport &check = report.readiness;
    QString text = QString("check (tolerance %1): ").arg(check.tolerance) + findingsText(check);
    if (check.verticalTolerance != check.tolerance)
        text += QString("  (vertical tolerance %1)\n").arg(check.verticalTolerance);
    text += "shared images:\n" + indented(pairsText(check).split('\n', Qt::SkipEmptyParts));
    const QString unwritten = check.finished ? "could not be written" : "not written: the merge stopped";
    text += "map: " + (report.mapFile.isEmpty() ? unwritten : shownPath(report.mapFile)) + "\n";
    return text;
}

} // namespace

QString commandLine(const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(platform::shellQuoted(argument));
    return quoted.join(' ');
}

QString mergeLogRecord(const MergeReport &report)
{
    QString text = "=== merge of " + report.startTime.toString(Qt::ISODate) + "\n";
    text += "program: " + QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion() + "\n";
    text += "started as: " + report.startedAs + "\n";
    text += "source projects:\n";
    for (size_t i = 0; i < report.sources.size(); ++i) {
        QStringList files;
        for (const NamedFile &file : namedFiles(report.sources[i]))
            files.append(QString("%1: %2 (%3)").arg(file.what, shownPath(file.path), sizeOf(file.path)));
        text += QString("  %1. ").arg(i + 1) + files.join("\n     ") + "\n";
    }
    text += "output folder: " + shownPath(report.outputFolder) + "\n";
    text += "solver: " + report.solverCommand + "\n";
    text += "solver exit code: " + QString::number(report.solverExitCode.value_or(-1)) + "\n";
    text += "solver output:\n" + indented(report.solverOutput);
    text += "steps:\n";
    for (const MergeStep &step : report.steps) {
        text += QString("  %1 %2 %3 ms").arg(step.name + ":", -26).arg(step.ok ? "ok" : "FAILED", -6).arg(step.milliseconds, 8);
        text += step.ok ? "\n" : "  " + shownPath(step.problem) + "\n";
    }
    text += readinessRecord(report);
    text += QString("counts: %1 projects, %2 cameras, %3 images; %4 positions read, %5 merged\n")
                .arg(report.projects)
                .arg(report.cameras)
                .arg(report.images)
                .arg(report.positionsRead)
                .arg(report.positionsMerged);
    const std::vector<MergeStepId> notRun = report.notRun();
    if (!notRun.empty())
        text += "stopped before " + stepName(notRun.front()) + ": the folder holds an incomplete project\n";
    text += QString("result: %1\n\n").arg(report.stopped ? "stopped" : report.succeeded() ? "succeeded" : "a step failed");
    return text;
}

bool appendMergeLog(const MergeReport &report)
{
    // A merge that stopped before the solver has not made the project's
    // subfolders.
    QDir().mkpath(QFileInfo(report.outputs.mergeLog).path());
    // Whole or not at all: a record cut short by a full disk would stay, and
    // the next would follow it.
    return appendWhole(QFile::encodeName(report.outputs.mergeLog), mergeLogRecord(report).toUtf8()).code == 0;
}
