// q7prjmerge-cli: the merge of the dialog, without a window.
//
//   q7prjmerge-cli --dir DIR --name NAME [--json] PROJECT.Q7D [PROJECT.Q7D ...]
//   q7prjmerge-cli --check [--tolerance D] [--vertical-tolerance D] [--map FILE.svg] [--json] PROJECT.Q7D ...
//
// Exit codes: 0 the merge ran to its end and every step succeeded; 1 a step
// failed (the merge ran to its end, or stopped before the solver when its
// input list or position file could not be written, or --strict refused it
// for a finding of the check); 2 it did not start.

#include "arguments.h"
#include "checkcommand.h"
#include "consolemessages.h"
#include "jsonoutput.h"
#include "mergelog.h"
#include "mergeworkflow.h"
#include "platform.h"
#include "q7version.h"
#include "shownpath.h"
#include "stopsignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <cmath>
#include <csignal>
#include <optional>
#include <cstdio>

namespace {

enum ExitCode { Succeeded = 0, StepFailed = 1, NotStarted = 2 };

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Merges source projects into one new project, as the MergePrj button of q7prjmerge does:\n"
        "makes DIR/NAME with its subfolders, writes the solver's input list and the merged\n"
        "position file, runs AT/Z7Uzurer, and writes NAME.cmr, NAME.lst, NAME.Q7D and the\n"
        "photo database NAME.temp. The new project takes its parameters from the first\n"
        "project file.\n\n"
        "Exit codes: 0 every step succeeded; 1 a step failed (the merge ran to its end, or\n"
        "stopped before the solver when its input list or position file could not be\n"
        "written, or --strict refused it for a finding of the check); 2 the merge did not start (usage, a listed file missing or not a readable\n"
        "project file, empty --dir or --name, a NAME that is no plain file name, an output\n"
        "that would overwrite a source project's file or is a symbolic link, a linked project,\n"
        "Adjustment or Log folder, a path too long, a NAME.temp that is no photo database,\n"
        "another merge into the same project running, folder not made).\n\n"
        "Every merge that starts appends a record to DIR/NAME/Log/merge.log.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({{"dir", "Folder in which the new project's folder is made (prjDir).", "DIR"},
                       {"name", "The new project's name (PrjName).", "NAME"},
                       {"timings", "Print the time each step took and the peak memory of the "
                                   "program and of the solver on standard output."},
                       {"verbose", "Show the merge's diagnostic lines on standard error."},
                       {"json", "Print one JSON object on standard output instead of the summary and "
                                "timings, also when the merge does not start: steps, counts, output "
                                "files, exit code and the reason (with --help or --version: the program, "
                                "its version and the help text)."},
                       {"check", "Only check the projects before a merge: print the findings (blocks in "
                                 "different units or projections, a project without positions, positions "
                                 "without a fix, a name listed twice or in another case, shared images "
                                 "offset alike, different photos under the same names, moved images, an "
                                 "unconnected block) and the pairs that share images. Writes nothing but "
                                 "--map; exits 0 when nothing was found, 1 when something was."},
                       {"map", "With --check, write the map of the blocks with the findings to FILE.svg.",
                        "FILE.svg"},
                       {"strict", "Refuse to merge when the check before it has a finding (exit 1, "
                                  "nothing written)."},
                       {"tolerance", "Shared images whose positions lie farther apart than this across, in "
                                     "metres (blocks in degrees too), are a finding (default 1.0).",
                        "METRES", "1.0"},
                       {"vertical-tolerance", "Shared images whose heights differ by more than this, in "
                                              "metres, are a finding (default 1.0).",
                        "METRES", "1.0"}});
    parser.addPositionalArgument("projects", "Source project files (.Q7D), in merge order.", "PROJECT.Q7D...");
}

// The peak memory of this program and of the largest program it ran and
// waited for (the solver), as far as the system counts them.
void printPeakMemory()
{
    const platform::PeakMemory peak = platform::peakMemory();
    if (peak.self >= 0)
        std::printf("%-22s %8ld KiB\n", "peak memory:", peak.self);
    if (peak.children >= 0)
        std::printf("%-22s %8ld KiB\n", "solver peak memory:", peak.children);
}

// On a terminal, the step that is running, on one line that the next step
// or message writes over.
void showStep(const QString &step)
{
    std::fprintf(stderr, "\033[K%s...\r", step.toLocal8Bit().constData());
    std::fflush(stderr);
}

// On the same line, the rows of the database table being written.
void showRows(MergeStepId table, qint64 done, qint64 total)
{
    showStep(tableRowsText(table, done, total));
}

// The same for a table that a merge run again carries over.
void showCarriedRows(const QString &table, qint64 done, qint64 total)
{
    showStep(tableRowsText(table, done, total));
}

// What a terminal shows while the merge runs: the step, and without --json
// the tables' rows too.
MergeProgress terminalProgress(bool json)
{
    MergeProgress progress;
    progress.stepStarted = showStep;
    if (!json) {
        progress.rowsWritten = showRows;
        progress.rowsCarried = showCarriedRows;
    }
    return progress;
}

// A merge refused before it starts: the reason on standard error, and with
// --json as the one object on standard output.
int refuse(const QString &reason, bool json)
{
    std::fprintf(stderr, "%s\n", qPrintable(reason));
    if (json)
        printJson(MergeReport{}, NotStarted, reason);
    return NotStarted;
}

// The two lines after the summary: how long the merge took, and where the
// new project's file is, when this merge wrote it.
void printTotal(const MergeReport &report, qint64 milliseconds)
{
    std::printf("Total time: %.1f s\n", double(milliseconds) / 1000.0);
    if (report.stepSucceeded(MergeStepId::ProjectFile))
        std::printf("New project file: %s\n", qPrintable(shownPath(report.outputs.projectFile)));
    else
        std::printf("No new project file was written.\n");
}

// With --json the merge's own lines (the orientation reader's) go to
// standard error, which keeps standard output for the JSON alone.
MergeReport merge(MergeWorkflow &workflow, const MergeRequest &request, bool json)
{
    std::optional<StandardOutputToError> keptForJson;
    if (json)
        keptForJson.emplace();
    return workflow.mergePrj(request);
}

} // namespace

int main(int argc, char *argv[])
{
    // A file outgrowing the size limit fails its write, which the merge
    // reports, instead of ending the program half-way.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(Q7_VERSION);
    QCommandLineParser parser;
    describe(parser);
    // Known before the parse, so that a usage error is told as JSON too.
    const bool json = app.arguments().contains("--json");
    if (!parser.parse(app.arguments()))
        return refuse(parser.errorText() + " See 'q7prjmerge-cli --help'.", json);
    if (parser.isSet("help")) {
        json ? printJsonAbout(parser.helpText()) : void(std::printf("%s", qPrintable(parser.helpText())));
        return Succeeded;
    }
    if (parser.isSet("version")) {
        json ? printJsonAbout() : void(std::printf("q7prjmerge-cli %s\n", Q7_VERSION));
        return Succeeded;
    }
    const QString missing = missingArguments(parser);
    if (!missing.isEmpty())
        return refuse(missing, json);

    // Refused before anything is written. The paths are made absolute first,
    // so that the new project's files name them wherever it is opened from.
    const QStringList projects = absolutePaths(parser.positionalArguments());
    const QStringList unusable = unusableProjectFiles(projects);
    if (!unusable.isEmpty())
        return refuse(unusable.join('\n'), json);
    Tolerances tolerances;
    for (auto [option, value] : {std::pair{"tolerance", &tolerances.horizontal},
                                 std::pair{"vertical-tolerance", &tolerances.vertical}}) {
        bool ok = false;
        *value = parser.value(option).toDouble(&ok);
        if (!ok || !(*value >= 0) || std::isinf(*value))
            return refuse(QString("--%1 needs a distance of at least 0, not %2").arg(option, parser.value(option)),
                          json);
    }
    if (parser.isSet("map") && !parser.isSet("check"))
        return refuse("--map needs --check. See 'q7prjmerge-cli --help'.", json);
    if (parser.isSet("check"))
        return runReadinessCheck(projects, tolerances, json, absolutePath(parser.value("map")));
    const std::shared_ptr<const EarlierCheck> checked = checkBeforeMerge(projects, tolerances);
    const int findings = int(checked->report.findings.size());
    if (findings > 0 && parser.isSet("strict")) {
        const QString reason = QString("Not merged: --strict, and the check found %1.")
                                   .arg(findings == 1 ? QString("1 finding") : QString("%1 findings").arg(findings));
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        if (json)
            printJson(MergeReport{}, StepFailed, reason);
        return StepFailed;
    }

    if (!parser.isSet("verbose"))
        QLoggingCategory::setFilterRules("default.debug=false");

    const MergeRequest request{projects, absolutePath(parser.value("dir")), parser.value("name"),
                               tolerances.horizontal, tolerances.vertical, checked};
    ConsoleMessages messages;
    MergeWorkflow workflow(messages);
    workflow.setStartedAs("batch program: " + commandLine(app.arguments()));
    const bool onTerminal = platform::isTerminal(stderr);
    if (onTerminal)
        workflow.setProgress(terminalProgress(json));
    stopOnSignals(workflow);
    QElapsedTimer total;
    total.start();
    const MergeReport report = merge(workflow, request, json);
    if (onTerminal)
        std::fprintf(stderr, "\033[K");
    // Stopped by a signal: the shell's code for it, 130 for Ctrl-C, 143 for SIGTERM.
    const int exitCode = stopSignal() != 0 ? 128 + stopSignal()
                         : !report.started  ? NotStarted
                         : report.succeeded() ? Succeeded
                                              : StepFailed;
    if (json) {
        const QString reason = report.started ? shownPath(report.summary()) : messages.printed().join('\n');
        printJson(report, exitCode, reason);
        return exitCode;
    }
    if (!report.started)
        return exitCode;
    std::printf("Findings of the check: %d%s\n", findings, findings > 0 ? " (on standard error above; advice)" : "");
    std::printf("%s\n", qPrintable(report.summary()));
    printTotal(report, total.elapsed());
    if (parser.isSet("timings")) {
        std::printf("%s", qPrintable(report.timings()));
        printPeakMemory();
    }
    return exitCode;
}
